#pragma once

// Keeping the cache folder in bounds: the purge at every start-up and "Clear Cache Now".
//
// Both touch only the cache folder's own entries: regular files, and symbolic links, which are
// removed as links (their targets are never followed or touched). Subfolders and other special
// files are left alone. Each takes the folder's listing once, at its start, and passes over an
// entry it cannot delete and goes on with the rest.

#include "state/Options.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"
#include "support/Clock.h"

#include <chrono>
#include <cstddef>

namespace tarnwick {

struct CacheSweep
{
    std::size_t Listed = 0; // entries the operation looked at
    std::size_t Deleted = 0;
    std::size_t NotDeleted = 0; // due for deletion but could not be deleted (read-only folder ...)
};

// Repainting the progress for every file of a large cache would cost more than the purge itself;
// about 30 pictures a second look the same to the user.
constexpr std::chrono::milliseconds CacheProgressInterval{1000 / 30};

// The purge at start-up. Deletes every file of the cache folder that is older than the days kept
// (the number the days box reads as; fractions count) or whose extension (ExtensionOf its full
// path) is not in the valid-extensions text followed by a blank, ignoring case; a file without an
// extension is always valid. Hidden files (names beginning with ".") are not listed. Shows its
// progress in the status window ("Compacting File Cache", n% complete) and lets pending events run
// once per file; the window shows the first and the last file and, in between, repaints at most
// once per repaintInterval (zero: every file). An empty cache shows no window.
CacheSweep ExpireCache(ProgramState& state, const Options& options, StatusDisplay& status, const Clock& clock,
    std::chrono::milliseconds repaintInterval = CacheProgressInterval);

// What "Clear Cache Now" does besides stopping and restarting the schedule timer: deletes the
// alias map, empties every link's LocalFile and deletes every file of the cache folder, hidden ones
// included. The catalogue file is not written here.
CacheSweep ClearCache(ProgramState& state);

} // namespace tarnwick
