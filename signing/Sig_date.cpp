#include "Sig_pdf.h"

#include <cstdlib>

namespace {

// The character at a position of the text, NUL past its end, as a C string would read.
char at(const std::string& text, std::size_t position) {
    return position < text.size() ? text[position] : '\0';
}

int number(const std::string& text, std::size_t position, std::size_t count) {
    return position < text.size() ? std::atoi(text.substr(position, count).c_str()) : 0;
}

// A month or day field of one digit ends with the separator right after it.
int dateField(const std::string& text, std::size_t& position) {
    const char next = at(text, position + 1);
    const bool oneDigit = next == '/' || next == '-';
    const int value = number(text, position, oneDigit ? 1 : 2);
    position += oneDigit ? 2 : 3;
    return value;
}

} // namespace

std::string PdfDateString(const std::string& dateTimeText, const win::TIME_ZONE_INFORMATION& zone) {
    std::size_t position = 0;
    const int month = dateField(dateTimeText, position);
    const int day = dateField(dateTimeText, position);
    int year = number(dateTimeText, position, std::string::npos);
    if (year < 50)
        year += 2000;
    else if (year < 100)
        year += 1900;

    const std::size_t blank = dateTimeText.find(' ');
    const std::size_t time = blank == std::string::npos ? dateTimeText.size() : blank + 1;
    const bool oneDigitHour = at(dateTimeText, time + 1) == ':';
    int hour = number(dateTimeText, time, oneDigitHour ? 1 : 2);
    const std::size_t minutes = time + (oneDigitHour ? 2 : 3);
    const int minute = number(dateTimeText, minutes, 2);
    const int second = number(dateTimeText, minutes + 3, 2);
    if (at(dateTimeText, minutes + 6) == 'P' && hour < 12) hour += 12;

    win::SYSTEMTIME local;
    local.wYear = static_cast<std::uint16_t>(year);
    local.wMonth = static_cast<std::uint16_t>(month);
    local.wDay = static_cast<std::uint16_t>(day);
    local.wHour = static_cast<std::uint16_t>(hour);
    local.wMinute = static_cast<std::uint16_t>(minute);
    local.wSecond = static_cast<std::uint16_t>(second);
    long bias = zone.Bias;
    if (win::isDaylightTime(zone, local)) bias += zone.DaylightBias;
    // West of Greenwich the bias is positive and the PDF offset negative; Greenwich itself reads
    // -00'00'. Half-hour zones keep their minutes.
    const long absolute = bias < 0 ? -bias : bias;
    char text[64];
    std::snprintf(text, sizeof text, "%d%02d%02d%02d%02d%02d%c%02ld'%02ld'", year, month, day, hour, minute, second,
                  bias >= 0 ? '-' : '+', absolute / 60, absolute % 60);
    return text;
}

std::string PdfDateString() {
    win::TIME_ZONE_INFORMATION zone;
    win::GetTimeZoneInformation(&zone);
    return PdfDateString(win::localDateTimeText(), zone);
}
