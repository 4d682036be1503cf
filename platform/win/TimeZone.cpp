#include "TimeZone.h"

#include <cstdio>
#include <ctime>

namespace win {

namespace {

std::optional<TIME_ZONE_INFORMATION> fixedZone;
std::optional<SYSTEMTIME> fixedTime;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int weekday(int year, int month, int day) {
    // 1 January 1970 was a Thursday.
    const long days = (daysFromCivil(year, month, day) + 4) % 7;
    return static_cast<int>(days < 0 ? days + 7 : days);
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[(month - 1) % 12];
}

// A transition or a moment as one comparable number: month, day, hour, minute, second.
long long wallClockKey(int month, int day, int hour, int minute, int second) {
    return (((static_cast<long long>(month) * 32 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

long long transitionKey(const SYSTEMTIME& date, int year) {
    int day = date.wDay;
    if (date.wYear == 0) {
        const int first = weekday(year, date.wMonth, 1);
        day = 1 + (date.wDayOfWeek - first + 7) % 7 + (date.wDay - 1) * 7;
        while (day > daysInMonth(year, date.wMonth))
            day -= 7;
    }
    return wallClockKey(date.wMonth, day, date.wHour, date.wMinute, date.wSecond);
}

SYSTEMTIME systemTime(const std::tm& fields) {
    SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(fields.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(fields.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(fields.tm_wday);
    time.wDay = static_cast<std::uint16_t>(fields.tm_mday);
    time.wHour = static_cast<std::uint16_t>(fields.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(fields.tm_min);
    time.wSecond = static_cast<std::uint16_t>(fields.tm_sec);
    return time;
}

long utcOffset(std::time_t when) {
    std::tm fields{};
    localtime_r(&when, &fields);
    return fields.tm_gmtoff;
}

// The wall clock that was showing just before the offset changed at the given moment.
SYSTEMTIME wallClockBefore(std::time_t change, long offsetBefore) {
    const std::time_t local = change + offsetBefore;
    std::tm fields{};
    gmtime_r(&local, &fields);
    return systemTime(fields);
}

void copyName(wchar_t* target, const char* name) {
    for (int i = 0; name && name[i] && i < 31; ++i)
        target[i] = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
}

// The system zone as a record: its transitions of this year, found by the offset changing; the time
// with the smaller offset is taken as standard time, so zones whose database marks winter as the
// daylight period come out as everywhere else.
TIME_ZONE_INFORMATION systemZone() {
    tzset();
    TIME_ZONE_INFORMATION zone;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    std::tm start{};
    start.tm_year = today.tm_year;
    start.tm_mday = 1;
    start.tm_isdst = -1;
    const std::time_t yearStart = std::mktime(&start);
    start.tm_year += 1;
    start.tm_isdst = -1;
    const std::time_t yearEnd = std::mktime(&start);

    std::optional<std::time_t> toLarger;
    std::optional<std::time_t> toSmaller;
    long smaller = utcOffset(yearStart);
    long larger = smaller;
    for (std::time_t day = yearStart; day < yearEnd; day += 86400) {
        const std::time_t next = day + 86400;
        const long before = utcOffset(day);
        const long after = utcOffset(next);
        if (before == after) continue;
        std::time_t low = day;
        std::time_t high = next; // the offset of high differs from the offset of low
        while (high - low > 1) {
            const std::time_t middle = low + (high - low) / 2;
            (utcOffset(middle) == before ? low : high) = middle;
        }
        if (after > before && !toLarger) {
            toLarger = high;
            larger = after;
            smaller = before;
        } else if (after < before && !toSmaller) {
            toSmaller = high;
            larger = before;
            smaller = after;
        }
    }
    copyName(zone.StandardName, tzname[0]);
    copyName(zone.DaylightName, tzname[1]);
    if (!toLarger || !toSmaller) {
        zone.Bias = -utcOffset(now) / 60;
        return zone;
    }
    zone.Bias = -smaller / 60;
    zone.DaylightBias = -(larger - smaller) / 60;
    zone.DaylightDate = wallClockBefore(*toLarger, smaller);
    zone.StandardDate = wallClockBefore(*toSmaller, larger);
    return zone;
}

} // namespace

unsigned long GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
    const TIME_ZONE_INFORMATION record = fixedZone ? *fixedZone : systemZone();
    if (zone) *zone = record;
    if (record.StandardDate.wMonth == 0) return TIME_ZONE_ID_UNKNOWN;
    SYSTEMTIME now;
    GetLocalTime(&now);
    return isDaylightTime(record, now) ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    if (fixedTime) {
        *time = *fixedTime;
        return;
    }
    tzset();
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    std::tm fields{};
    localtime_r(&now.tv_sec, &fields);
    *time = systemTime(fields);
    time->wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

void setTimeZoneInformation(std::optional<TIME_ZONE_INFORMATION> zone) {
    fixedZone = zone;
}

void setLocalTime(std::optional<SYSTEMTIME> time) {
    fixedTime = time;
}

bool isDaylightTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local) {
    if (zone.StandardDate.wMonth == 0 || zone.DaylightDate.wMonth == 0) return false;
    const long long begins = transitionKey(zone.DaylightDate, local.wYear);
    const long long ends = transitionKey(zone.StandardDate, local.wYear);
    const long long now = wallClockKey(local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
    if (begins < ends) return now >= begins && now < ends;
    return now >= begins || now < ends;
}

std::string localDateTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "%u/%u/%u %u:%02u:%02u", now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute,
                  now.wSecond);
    return text;
}

} // namespace win
