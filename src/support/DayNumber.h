#pragma once

// Day numbers: a local date and time as the number of days since 30 December 1899 00:00 plus the
// elapsed fraction of the day; 0 means "none". Date texts and time texts are the program's own
// fixed formats ("2026-12-11" and "14:05:09"), which ToDayNumber reads back, together with the
// schedule's hour texts ("12:00 AM" ... "11:00 PM").

#include <ctime>
#include <string>
#include <string_view>

namespace tarnwick {

struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Day number of the given calendar date at midnight (proleptic Gregorian calendar).
double DayNumberOfDate(int year, int month, int day);

// Day number of calendar parts. Every day number of the program is formed here, so equal moments
// always give equal doubles.
double DayNumberOf(const DateTimeParts& parts);

// The calendar parts of a day number, rounded to the nearest second.
DateTimeParts PartsOfDayNumber(double dayNumber);

// The local date and time of a moment of the system clock, cut to whole seconds.
double DayNumberOfLocalTime(std::time_t moment);

// 1 = Sunday ... 7 = Saturday.
int WeekdayOf(double dayNumber);

std::string DateText(double dayNumber); // "yyyy-mm-dd"
std::string TimeText(double dayNumber); // "hh:mm:ss", 24-hour clock

// Midnight of the date in dateText, plus hours/24, minutes/1440 and seconds/86400 of timeText.
// Dates are read as year-month-day; times as h:mm[:ss] with an optional AM/PM marker. A text that
// is not a date or a time counts as 0 (the date 1899-12-30, the time midnight).
double ToDayNumber(std::string_view dateText, std::string_view timeText);

} // namespace tarnwick
