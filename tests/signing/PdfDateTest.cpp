#include "signing/Sig_pdf.h"

#include <gtest/gtest.h>

namespace {

win::SYSTEMTIME date(int month, int weekOrDay, int dayOfWeek, int hour) {
    win::SYSTEMTIME time;
    time.wMonth = static_cast<std::uint16_t>(month);
    time.wDay = static_cast<std::uint16_t>(weekOrDay);
    time.wDayOfWeek = static_cast<std::uint16_t>(dayOfWeek);
    time.wHour = static_cast<std::uint16_t>(hour);
    return time;
}

win::TIME_ZONE_INFORMATION zone(long bias, long daylightBias = 0, win::SYSTEMTIME daylight = {},
                                win::SYSTEMTIME standard = {}) {
    win::TIME_ZONE_INFORMATION record;
    record.Bias = bias;
    record.DaylightBias = daylightBias;
    record.DaylightDate = daylight;
    record.StandardDate = standard;
    return record;
}

// Second Sunday of March to the first Sunday of November, at 2 o'clock.
const win::TIME_ZONE_INFORMATION Eastern = zone(300, -60, date(3, 2, 0, 2), date(11, 1, 0, 2));
// Last Sunday of March to the last Sunday of October.
const win::TIME_ZONE_INFORMATION Central = zone(-60, -60, date(3, 5, 0, 2), date(10, 5, 0, 3));
// First Sunday of October to the first Sunday of April: daylight time over the new year.
const win::TIME_ZONE_INFORMATION Sydney = zone(-600, -60, date(10, 1, 0, 2), date(4, 1, 0, 3));
const win::TIME_ZONE_INFORMATION Greenwich = zone(0);

} // namespace

TEST(PdfDate, FieldsOfTheDateAndTimeText) {
    struct Row {
        const char* text;
        std::string expected;
    };
    const Row rows[] = {
        {"12/31/11 11:05:09 PM", "20111231230509"}, {"1/2/2049 9:05:09 AM", "20490102090509"},
        {"1/2/49 9:05:09 AM", "20490102090509"},    {"1/2/50 9:05:09 AM", "19500102090509"},
        {"1-2-11 9:05:09 AM", "20110102090509"},    {"12/31/11 12:30:00 PM", "20111231123000"},
        {"9/12/2011 8:30:15 AM", "20110912083015"}, {"9/12/2011 20:30:15", "20110912203015"},
        {"9/12/2011 0:05:09", "20110912000509"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PdfDateString(row.text, Greenwich), row.expected + "-00'00'") << row.text;
}

TEST(PdfDate, ZoneOffset) {
    struct Row {
        const char* id;
        const char* text;
        win::TIME_ZONE_INFORMATION zone;
        const char* expected;
    };
    const Row rows[] = {
        {"west, daylight time", "7/4/2011 12:00:00 PM", Eastern, "20110704120000-04'00'"},
        {"west, standard time", "1/4/2011 12:00:00 PM", Eastern, "20110104120000-05'00'"},
        {"east, standard time", "1/4/2011 12:00:00 PM", Central, "20110104120000+01'00'"},
        {"east, daylight time", "7/4/2011 12:00:00 PM", Central, "20110704120000+02'00'"},
        {"no daylight time", "7/4/2011 12:00:00 PM", zone(300, -60), "20110704120000-05'00'"},
        {"half-hour zone keeps its minutes", "7/4/2011 12:00:00 PM", zone(-330), "20110704120000+05'30'"},
        // The transition dates are resolved to the days of that year, not compared as week numbers.
        {"before the second Sunday of March", "3/5/2011 12:00:00 PM", Eastern, "20110305120000-05'00'"},
        {"last hour of standard time", "3/13/2011 1:59:59 AM", Eastern, "20110313015959-05'00'"},
        {"first hour of daylight time", "3/13/2011 3:00:00 AM", Eastern, "20110313030000-04'00'"},
        {"daylight time after the new year", "1/4/2011 12:00:00 PM", Sydney, "20110104120000+11'00'"},
        {"daylight time before the new year", "12/4/2011 12:00:00 PM", Sydney, "20111204120000+11'00'"},
        {"southern winter", "7/4/2011 12:00:00 PM", Sydney, "20110704120000+10'00'"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PdfDateString(row.text, row.zone), row.expected) << row.id;
}

TEST(PdfDate, TakesTheClockAndTheZone) {
    win::SYSTEMTIME now;
    now.wYear = 2011;
    now.wMonth = 9;
    now.wDay = 12;
    now.wHour = 0; // after midnight the hour reads 00, not 12
    now.wMinute = 30;
    now.wSecond = 15;
    win::setLocalTime(now);
    win::setTimeZoneInformation(Eastern);
    EXPECT_EQ(PdfDateString(), "20110912003015-04'00'");
    win::setLocalTime(std::nullopt);
    win::setTimeZoneInformation(std::nullopt);
}
