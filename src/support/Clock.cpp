#include "support/Clock.h"

#include "support/DayNumber.h"

#include <ctime>

namespace tarnwick {

double SystemClock::NowAsDayNumber() const
{
    return DayNumberOfLocalTime(std::time(nullptr));
}

} // namespace tarnwick
