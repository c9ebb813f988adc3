#include "support/DayNumber.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(DayNumber, KnownDates)
{
    EXPECT_DOUBLE_EQ(DayNumberOfDate(1899, 12, 30), 0);
    EXPECT_DOUBLE_EQ(DayNumberOfDate(1900, 1, 1), 2);
    EXPECT_DOUBLE_EQ(ToDayNumber("1900-01-01", "18:00:00"), 2.75);
    EXPECT_DOUBLE_EQ(ToDayNumber("1900-01-01", "6:00:00 PM"), 2.75);
    EXPECT_EQ(WeekdayOf(DayNumberOfDate(2026, 12, 11)), 6); // a Friday
    EXPECT_EQ(WeekdayOf(DayNumberOfDate(2026, 12, 13)), 1); // a Sunday
}

TEST(DayNumber, ReadsTheScheduleHourTexts)
{
    const double day = DayNumberOfDate(2026, 12, 9);
    EXPECT_DOUBLE_EQ(ToDayNumber(DateText(day), "12:00 AM"), day);
    EXPECT_DOUBLE_EQ(ToDayNumber(DateText(day), "12:00 PM") - day, 12 / 24.0);
    for (int hour = 0; hour < 24; ++hour) {
        const int shown = hour % 12 == 0 ? 12 : hour % 12;
        const std::string text = std::to_string(shown) + ":00 " + (hour < 12 ? "AM" : "PM");
        EXPECT_NEAR(ToDayNumber(DateText(day), text) - day, hour / 24.0, 1e-9) << text;
    }
}

TEST(DayNumber, TextsRoundTripToTheSecond)
{
    for (double day : {2.0, 36526.0, 46000.0, 2958465.0}) {
        for (int second : {0, 1, 59, 3599, 43200, 86399}) {
            const double moment = DayNumberOf(PartsOfDayNumber(day + second / 86400.0));
            EXPECT_DOUBLE_EQ(ToDayNumber(DateText(moment), TimeText(moment)), moment) << day << " " << second;
        }
    }
    EXPECT_EQ(DateText(DayNumberOfDate(2026, 3, 9)), "2026-03-09");
    EXPECT_EQ(TimeText(DayNumberOfDate(2026, 3, 9) + 0.75), "18:00:00");
}

TEST(DayNumber, LocalTimeAcrossDaylightSavingChange)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    // 2026-03-29 01:59:59 UTC+1 is followed by 03:00:00 UTC+2; 2026-10-25 has 02:00-03:00 twice.
    for (std::time_t moment :
        {std::time_t{1774745999}, std::time_t{1774746000}, std::time_t{1792890000}, std::time_t{1792886400}}) {
        const double local = DayNumberOfLocalTime(moment);
        EXPECT_DOUBLE_EQ(ToDayNumber(DateText(local), TimeText(local)), local);
    }
    EXPECT_EQ(TimeText(DayNumberOfLocalTime(1774745999)), "01:59:59");
    EXPECT_EQ(TimeText(DayNumberOfLocalTime(1774746000)), "03:00:00");
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(DayNumber, TextThatIsNotADateOrTimeCountsAsZero)
{
    EXPECT_DOUBLE_EQ(ToDayNumber("", ""), 0);
    EXPECT_DOUBLE_EQ(ToDayNumber("garbage", "x:y"), 0);
    EXPECT_DOUBLE_EQ(ToDayNumber("2026-13-01", "25:00"), 0);
    EXPECT_DOUBLE_EQ(ToDayNumber(std::string(100000, '9'), std::string(100000, ':')), 0);
}

} // namespace
} // namespace tarnwick
