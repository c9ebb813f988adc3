#pragma once

// The crawl of one link: fetch the start page, then walk each stored page reference by reference,
// fetching what passes the filters and walking every fetched page in turn, down to the link's
// depth. A file already fetched in this run is found in the alias map and used again.

#include "platform/Socket.h"
#include "retrieval/AliasMap.h"
#include "retrieval/Transfer.h"
#include "state/Options.h"
#include "state/ProgramState.h"

#include <string>

namespace tarnwick {

class Crawler
{
public:
    Crawler(ProgramState& state, Transfer& transfer, const Socket& socket, const Options& options);

    // Makes sure the file of reference (resolved against base) is in the cache: used again when this
    // run fetched it already, fetched otherwise. localFile receives its local name, or "" when it
    // is not in the cache afterwards. True when the file is in the cache.
    bool FetchURL(const std::string& base, const std::string& reference, std::string& localFile);

    // Walks the stored page pageFile (whose address is pageURL) one level deeper, while the level
    // is below the depth limit. Stops at a cancel.
    void CrawlPage(const std::string& pageURL, const std::string& pageFile);

    // The path of the alias map of the current run.
    std::string AliasPath() const { return m_state.Folder.Base + "alias.dat"; }
    // The alias map of the run in memory, shared with the rewriting at the run's end.
    AliasIndex& Aliases() { return m_aliases; }

private:
    ProgramState& m_state;
    Transfer& m_transfer;
    const Socket& m_socket;
    const Options& m_options;
    AliasIndex m_aliases;
};

} // namespace tarnwick
