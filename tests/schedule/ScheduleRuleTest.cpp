#include "schedule/ScheduleRule.h"

#include "support/DayNumber.h"
#include "testsupport/CaseName.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

// Well under a second, well above the rounding of a day number around the year 2026.
constexpr double Tolerance = 1e-9;

// 9 December 2026 is a Wednesday.
double At(int day, int hour, int minute = 0, int second = 0)
{
    return DayNumberOf({2026, 12, day, hour, minute, second});
}

double Next(int frequency, int hour, double now)
{
    LinkRecord link;
    link.Frequency = frequency;
    link.Hour = hour;
    return NextDownloadTime(link, FixedClock(now));
}

TEST(ScheduleRule, ListTexts)
{
    EXPECT_EQ(HourText(0), "12:00 AM");
    EXPECT_EQ(HourText(1), "1:00 AM");
    EXPECT_EQ(HourText(11), "11:00 AM");
    EXPECT_EQ(HourText(12), "12:00 PM");
    EXPECT_EQ(HourText(13), "1:00 PM");
    EXPECT_EQ(HourText(23), "11:00 PM");
    EXPECT_EQ(HourText(-1), "");
    EXPECT_EQ(HourText(24), "");

    EXPECT_EQ(FrequencyText(0), "On Demand");
    EXPECT_EQ(FrequencyText(1), "Daily");
    EXPECT_EQ(FrequencyText(2), "Each Sunday");
    EXPECT_EQ(FrequencyText(5), "Each Wednesday");
    EXPECT_EQ(FrequencyText(8), "Each Saturday");
    EXPECT_EQ(FrequencyText(-1), "");
    EXPECT_EQ(FrequencyText(9), "");
}

struct ScheduleCase
{
    const char* name;
    int frequency;
    int hour;
    double now;
    // The expected moment; 0 for "not scheduled".
    double expected;
};

class ScheduleTable : public ::testing::TestWithParam<ScheduleCase>
{
};

TEST_P(ScheduleTable, NextDownloadTime)
{
    const ScheduleCase& row = GetParam();
    const double next = Next(row.frequency, row.hour, row.now);
    EXPECT_NEAR(next, row.expected, Tolerance) << DateText(next) << " " << TimeText(next);
}

// A function, not a constant: the day numbers are not ready during static initialisation.
double WednesdayMorning()
{
    return At(9, 10, 30);
}

// Now is a Wednesday at 10:30:00 AM.
INSTANTIATE_TEST_SUITE_P(OnAWednesdayMorning, ScheduleTable,
    ::testing::Values(ScheduleCase{"on demand", 0, 8, WednesdayMorning(), 0},
        ScheduleCase{"on demand in the afternoon", 0, 14, WednesdayMorning(), 0},
        ScheduleCase{"daily hour passed", 1, 8, WednesdayMorning(), At(10, 8)},
        ScheduleCase{"daily hour to come", 1, 14, WednesdayMorning(), At(9, 14)},
        ScheduleCase{"today's weekday hour passed", 5, 8, WednesdayMorning(), At(16, 8)},
        ScheduleCase{"today's weekday hour to come", 5, 14, WednesdayMorning(), At(9, 14)},
        ScheduleCase{"earlier weekday", 3, 8, WednesdayMorning(), At(14, 8)},
        ScheduleCase{"later weekday", 7, 8, WednesdayMorning(), At(11, 8)},
        ScheduleCase{"frequency 9", 9, 8, WednesdayMorning(), 0},
        ScheduleCase{"frequency 9 later today", 9, 14, WednesdayMorning(), 0}),
    test::CaseName());

INSTANTIATE_TEST_SUITE_P(Edges, ScheduleTable,
    ::testing::Values(ScheduleCase{"one second before the hour", 1, 8, At(9, 7, 59, 59), At(9, 8)},
        ScheduleCase{"at the very second of the hour", 1, 8, At(9, 8), At(10, 8)},
        ScheduleCase{"weekly at the very second", 5, 8, At(9, 8), At(16, 8)},
        ScheduleCase{"midnight evaluated at midnight", 1, 0, At(9, 0), At(10, 0)},
        ScheduleCase{"midnight evaluated late at night", 1, 0, At(9, 23, 59, 59), At(10, 0)},
        ScheduleCase{"noon is 12 PM", 1, 12, At(9, 11, 59, 59), At(9, 12)},
        ScheduleCase{"last hour of the day", 1, 23, At(9, 22), At(9, 23)},
        // Saturday 12 December: the week wraps to Sunday.
        ScheduleCase{"Sunday seen from Saturday", 2, 8, At(12, 10, 30), At(13, 8)},
        ScheduleCase{"Saturday seen from Saturday", 8, 8, At(12, 10, 30), At(19, 8)},
        ScheduleCase{"Saturday seen from Sunday", 8, 8, At(13, 10, 30), At(19, 8)},
        ScheduleCase{"daily across the year end", 1, 6, DayNumberOf({2026, 12, 31, 7, 0, 0}),
            DayNumberOf({2027, 1, 1, 6, 0, 0})},
        ScheduleCase{"negative frequency", -1, 8, WednesdayMorning(), 0},
        ScheduleCase{"largest frequency", 32767, 8, WednesdayMorning(), 0},
        // An hour that no item of the time list names leaves the link unscheduled.
        ScheduleCase{"hour 24", 1, 24, WednesdayMorning(), 0},
        ScheduleCase{"negative hour", 5, -1, WednesdayMorning(), 0},
        ScheduleCase{"hour 99 on demand", 0, 99, WednesdayMorning(), 0}),
    test::CaseName());

// Whatever the moment, a scheduled link falls strictly after now, within a week, at its own hour
// and, when weekly, on its own weekday.
TEST(ScheduleRule, AlwaysTheNextOccurrenceAfterNow)
{
    for (int day = 6; day <= 12; ++day) {
        for (int second : {0, 1, 8 * 3600 - 1, 8 * 3600, 12 * 3600, 86399}) {
            const double now = DayNumberOf(PartsOfDayNumber(At(day, 0) + second / 86400.0));
            for (int frequency = 1; frequency <= 8; ++frequency) {
                for (int hour = 0; hour < HourCount; ++hour) {
                    const double next = Next(frequency, hour, now);
                    SCOPED_TRACE(
                        DateText(now) + " " + TimeText(now) + " " + FrequencyText(frequency) + " " + HourText(hour));
                    EXPECT_GT(next, now);
                    EXPECT_LE(next - now, frequency == 1 ? 1.0 : 7.0);
                    EXPECT_EQ(PartsOfDayNumber(next).hour, hour);
                    EXPECT_EQ(PartsOfDayNumber(next).minute, 0);
                    if (frequency >= 2) {
                        EXPECT_EQ(WeekdayOf(next), frequency - 1);
                    }
                }
            }
        }
    }
}

// The rule never looks at the last download: a missed run is not made up.
TEST(ScheduleRule, IgnoresTheLastDownload)
{
    LinkRecord link;
    link.Frequency = 1;
    link.Hour = 8;
    const FixedClock clock(WednesdayMorning());
    const double plain = NextDownloadTime(link, clock);
    link.LastDownload = At(1, 8);
    EXPECT_EQ(NextDownloadTime(link, clock), plain);
}

} // namespace
} // namespace tarnwick
