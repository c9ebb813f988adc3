#include "schedule/ScheduleRule.h"

#include "support/DayNumber.h"

#include <array>

namespace tarnwick {

std::string HourText(int hour)
{
    if (hour < 0 || hour >= HourCount)
        return {};
    const int shown = hour % 12 == 0 ? 12 : hour % 12;
    return std::to_string(shown) + (hour < 12 ? ":00 AM" : ":00 PM");
}

std::string FrequencyText(int frequency)
{
    static constexpr std::array<const char*, FrequencyCount> Texts = {
        "On Demand",
        "Daily",
        "Each Sunday",
        "Each Monday",
        "Each Tuesday",
        "Each Wednesday",
        "Each Thursday",
        "Each Friday",
        "Each Saturday",
    };
    if (frequency < 0 || frequency >= FrequencyCount)
        return {};
    return Texts[static_cast<std::size_t>(frequency)];
}

double NextDownloadTime(const LinkRecord& link, const Clock& clock)
{
    if (link.Frequency == 0)
        return 0;
    if (link.Hour < 0 || link.Hour >= HourCount)
        return 0;

    const int wanted = link.Frequency - 1; // 0 daily, 1..7 Sunday..Saturday
    const bool weekly = wanted >= 1 && wanted <= 7;
    const double now = clock.NowAsDayNumber();
    const int today = WeekdayOf(now);

    // Today at the hour, taken from the hour item's text as the details window shows it.
    double next = ToDayNumber(DateText(now), HourText(link.Hour));
    if (wanted == 0 || (weekly && wanted == today)) {
        // At the very second of the hour the link already counts as done for this period.
        if (next <= now)
            next += weekly ? 7 : 1;
    } else if (weekly) {
        next += wanted > today ? wanted - today : 7 - today + wanted;
    } else {
        next = 0;
    }
    return next;
}

} // namespace tarnwick
