#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The clock and the time-zone settings, in the shapes the programs ask for them.
namespace win {

struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0; // 0 is Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// Bias is in minutes: UTC = local time + Bias (+ DaylightBias while daylight time is in effect).
// A transition date with wYear 0 is a yearly rule: wDay is the week of the month (5 the last) in which
// the weekday wDayOfWeek falls; with wYear set it is that calendar day. StandardDate.wMonth 0 means
// the zone has no daylight time.
struct TIME_ZONE_INFORMATION {
    long Bias = 0;
    wchar_t StandardName[32] = {};
    SYSTEMTIME StandardDate;
    long StandardBias = 0;
    wchar_t DaylightName[32] = {};
    SYSTEMTIME DaylightDate;
    long DaylightBias = 0;
};

enum : unsigned long {
    TIME_ZONE_ID_UNKNOWN = 0,
    TIME_ZONE_ID_STANDARD = 1,
    TIME_ZONE_ID_DAYLIGHT = 2,
};

// The zone of the system (the TZ variable, else /etc/localtime), described by its transitions of the
// current year; the result tells which time is in effect now.
unsigned long GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone);
void GetLocalTime(SYSTEMTIME* time);

// Tests fix the zone record and the clock; nullopt goes back to the system's.
void setTimeZoneInformation(std::optional<TIME_ZONE_INFORMATION> zone);
void setLocalTime(std::optional<SYSTEMTIME> time);

// Whether the local wall-clock time falls in the zone's daylight period; a period that runs over the
// turn of the year (southern zones) counts from its start to the end of the year and from the start
// of the year to its end.
bool isDaylightTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local);

// The local date and time in the user's short date format and time format with seconds, as the
// class library writes it: "9/12/2011 20:30:15". The time is given in 24 hours, so the hours after
// midnight never read 12.
std::string localDateTimeText();

} // namespace win
