#pragma once

// The schedule rule: when a link is next due, from its Frequency and Hour and the clock. The texts
// of the two schedule lists of the link details window are kept here too, because the rule reads
// the time of day from the text of the chosen hour item.

#include "catalogue/LinkRecord.h"
#include "support/Clock.h"

#include <string>

namespace tarnwick {

constexpr int FrequencyCount = 9; // On Demand, Daily, Each Sunday ... Each Saturday
constexpr int HourCount = 24;

// "12:00 AM", "1:00 AM" ... "11:00 AM", "12:00 PM", "1:00 PM" ... "11:00 PM" for 0..23; "" otherwise.
std::string HourText(int hour);

// "On Demand", "Daily", "Each Sunday" ... "Each Saturday" for 0..8; "" otherwise.
std::string FrequencyText(int frequency);

// The day number at which the link is next due, always strictly after now; 0 when it is not
// scheduled: Frequency 0 ("On Demand"), a Frequency outside 0..8, or an Hour outside 0..23 (only a
// hand-edited catalogue file can hold one; there is no hour item to take a time from, and guessing
// one could fetch at a moment the user never chose). LastDownload is not looked at: a download
// missed while the program was not running is not made up.
double NextDownloadTime(const LinkRecord& link, const Clock& clock);

} // namespace tarnwick
