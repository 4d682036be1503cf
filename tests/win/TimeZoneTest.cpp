#include "win/TimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// Runs with the system zone set to the given name and puts the old one back.
class SystemZone {
public:
    explicit SystemZone(const char* name) {
        const char* old = std::getenv("TZ");
        m_hadZone = old != nullptr;
        if (old) m_old = old;
        setenv("TZ", name, 1);
        tzset();
    }
    ~SystemZone() {
        if (m_hadZone)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadZone = false;
    std::string m_old;
};

} // namespace

TEST(TimeZone, RecordOfTheSystemZone) {
    struct Row {
        const char* zone;
        long bias;
        long daylightBias;
        int daylightMonth; // 0: no daylight time
        int standardMonth;
        int daylightHour; // the wall clock just before each change
        int standardHour;
    };
    const Row rows[] = {
        {"America/New_York", 300, -60, 3, 11, 2, 2},
        {"Australia/Sydney", -600, -60, 10, 4, 2, 3},
        // The database keeps Irish summer time as standard and winter as negative daylight time;
        // the record shows it the other way round, as for the rest of Europe.
        {"Europe/Dublin", 0, -60, 3, 10, 1, 2},
        {"Asia/Kolkata", -330, 0, 0, 0, 0, 0},
        {"UTC", 0, 0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        const SystemZone system(row.zone);
        win::TIME_ZONE_INFORMATION record;
        win::GetTimeZoneInformation(&record);
        EXPECT_EQ(record.Bias, row.bias) << row.zone;
        EXPECT_EQ(record.DaylightBias, row.daylightBias) << row.zone;
        EXPECT_EQ(record.DaylightDate.wMonth, row.daylightMonth) << row.zone;
        EXPECT_EQ(record.StandardDate.wMonth, row.standardMonth) << row.zone;
        EXPECT_EQ(record.DaylightDate.wHour, row.daylightHour) << row.zone;
        EXPECT_EQ(record.StandardDate.wHour, row.standardHour) << row.zone;
    }
}

TEST(TimeZone, DaylightPeriodOfAYearlyRule) {
    win::TIME_ZONE_INFORMATION zone;
    zone.Bias = -60;
    zone.DaylightBias = -60;
    zone.DaylightDate.wMonth = 3; // last Sunday of March, 2:00
    zone.DaylightDate.wDay = 5;
    zone.DaylightDate.wHour = 2;
    zone.StandardDate.wMonth = 10; // last Sunday of October, 3:00
    zone.StandardDate.wDay = 5;
    zone.StandardDate.wHour = 3;
    struct Row {
        int year, month, day, hour;
        bool daylight;
    };
    const Row rows[] = {
        // In 2011 the last Sundays are 27 March and 30 October; in 2012, 25 March and 28 October.
        {2011, 3, 27, 1, false},  {2011, 3, 27, 2, true}, {2011, 10, 30, 2, true},
        {2011, 10, 30, 3, false}, {2012, 3, 25, 2, true}, {2012, 3, 27, 12, true},
        {2012, 10, 28, 3, false}, {2011, 1, 1, 0, false}, {2011, 12, 31, 23, false},
    };
    for (const Row& row : rows) {
        win::SYSTEMTIME local;
        local.wYear = static_cast<std::uint16_t>(row.year);
        local.wMonth = static_cast<std::uint16_t>(row.month);
        local.wDay = static_cast<std::uint16_t>(row.day);
        local.wHour = static_cast<std::uint16_t>(row.hour);
        EXPECT_EQ(win::isDaylightTime(zone, local), row.daylight)
            << row.year << "-" << row.month << "-" << row.day << " " << row.hour;
    }
}

TEST(TimeZone, FixedClockAndText) {
    win::SYSTEMTIME now;
    now.wYear = 2011;
    now.wMonth = 9;
    now.wDay = 2;
    now.wHour = 8;
    now.wMinute = 5;
    now.wSecond = 9;
    win::setLocalTime(now);
    EXPECT_EQ(win::localDateTimeText(), "9/2/2011 8:05:09");
    win::setLocalTime(std::nullopt);
    win::SYSTEMTIME real;
    win::GetLocalTime(&real);
    EXPECT_GE(real.wYear, 2024);
}
