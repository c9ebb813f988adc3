#pragma once

// The activity log page, tarnwick.htm in the cache folder: for every link whether and when its
// start page was fetched, with links to the web address and to the stored copy.

#include "platform/Programs.h"
#include "state/Options.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"
#include "support/Clock.h"

#include <string>

namespace tarnwick {

// Escapes the characters that would let an address change the markup of the page around it. The
// page quotes its href values, so a blank in an imported address cannot start a new attribute.
std::string EscapeAddress(const std::string& address);

// Writes the log page anew; false when it could not be written.
bool CreateLogHTML(const ProgramState& state, StatusDisplay& display, const Clock& clock);

// Starts the web viewer named in the options on the log page (alone when there is no log page);
// does nothing when the viewer does not exist.
void LaunchBrowser(const ProgramState& state, const Options& options, Programs& programs);

} // namespace tarnwick
