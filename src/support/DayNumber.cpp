#include "support/DayNumber.h"

#include "support/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnwick {

namespace {

// Days from 1970-01-01 to the given civil date (H. Hinnant's algorithm), valid for any year.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

constexpr long long DayZero = DaysFromCivil(1899, 12, 30);

// Reads up to maxDigits decimal digits at text[at]; false when there is none.
bool ReadDigits(std::string_view text, std::size_t& at, int maxDigits, int& value)
{
    value = 0;
    int count = 0;
    while (at < text.size() && count < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++count;
    }
    return count > 0;
}

} // namespace

double DayNumberOfDate(int year, int month, int day)
{
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DayZero);
}

double DayNumberOf(const DateTimeParts& p)
{
    // Seconds, then minutes, then hours are added, in that order.
    return DayNumberOfDate(p.year, p.month, p.day) + p.second / 86400.0 + p.minute / 1440.0 + p.hour / 24.0;
}

DateTimeParts PartsOfDayNumber(double dayNumber)
{
    DateTimeParts parts;
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 3.0e6)
        return parts;
    const long long totalSeconds = std::llround(dayNumber * 86400.0);
    long long days = totalSeconds / 86400;
    long long seconds = totalSeconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    CivilFromDays(days + DayZero, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return parts;
}

double DayNumberOfLocalTime(std::time_t moment)
{
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr)
        return 0.0;
    return DayNumberOf({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
        std::min(local.tm_sec, 59)});
}

int WeekdayOf(double dayNumber)
{
    // Day 0, 30 December 1899, was a Saturday (7).
    long long days = static_cast<long long>(std::floor(dayNumber));
    long long weekday = (days + 6) % 7;
    if (weekday < 0)
        weekday += 7;
    return static_cast<int>(weekday) + 1;
}

std::string DateText(double dayNumber)
{
    const DateTimeParts p = PartsOfDayNumber(dayNumber);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buffer;
}

std::string TimeText(double dayNumber)
{
    const DateTimeParts p = PartsOfDayNumber(dayNumber);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    return buffer;
}

double ToDayNumber(std::string_view dateText, std::string_view timeText)
{
    DateTimeParts parts;

    const std::string_view date = TrimBlanks(dateText);
    std::size_t at = 0;
    int year = 0, month = 0, day = 0;
    if (ReadDigits(date, at, 4, year) && at < date.size() && date[at] == '-' && ReadDigits(date, ++at, 2, month)
        && at < date.size() && date[at] == '-' && ReadDigits(date, ++at, 2, day) && month >= 1 && month <= 12
        && day >= 1 && day <= 31) {
        parts.year = year;
        parts.month = month;
        parts.day = day;
    }

    const std::string_view time = TrimBlanks(timeText);
    at = 0;
    int hour = 0, minute = 0, second = 0;
    if (ReadDigits(time, at, 2, hour) && at < time.size() && time[at] == ':' && ReadDigits(time, ++at, 2, minute)) {
        if (at < time.size() && time[at] == ':')
            ReadDigits(time, ++at, 2, second);
        const std::string_view marker = TrimBlanks(time.substr(at));
        if (EqualsIgnoreCase(marker, "AM") && hour == 12)
            hour = 0;
        else if (EqualsIgnoreCase(marker, "PM") && hour < 12)
            hour += 12;
        if (hour < 24 && minute < 60 && second < 60) {
            parts.hour = hour;
            parts.minute = minute;
            parts.second = second;
        }
    }
    return DayNumberOf(parts);
}

} // namespace tarnwick
