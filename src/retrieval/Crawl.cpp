#include "retrieval/Crawl.h"

#include "pages/LinkExtraction.h"
#include "retrieval/AliasMap.h"
#include "retrieval/CacheNaming.h"
#include "support/Files.h"
#include "support/Text.h"
#include "url/Url.h"

#include <algorithm>

namespace tarnwick {

Crawler::Crawler(ProgramState& state, Transfer& transfer, const Socket& socket, const Options& options)
    : m_state(state)
    , m_transfer(transfer)
    , m_socket(socket)
    , m_options(options)
{ }

bool Crawler::FetchURL(const std::string& base, const std::string& reference, std::string& localFile)
{
    const std::string& cache = m_state.Folder.Cache;
    std::string host;
    std::int32_t port = 0;
    std::string request;
    const std::string absolute = ResolveURL(base, reference, host, port, request);

    m_aliases.Lookup(AliasPath(), absolute, m_state.CurrentAlias);
    bool isNew = false;
    const std::string known = m_state.CurrentAlias.FileName;
    if (!known.empty() && FileExists(cache + known)) {
        localFile = known;
        if (FileModifiedDayNumber(cache + known) >= m_state.RunStartTime)
            return true; // fetched in this run already
        DeleteFile(cache + known); // stale: fetched again under the same name
    } else {
        localFile = NewCacheName(reference, cache);
        isNew = true;
    }

    const bool otherHost = m_state.Crawl.StayOnHost && !m_socket.RemoteHost().empty() && m_socket.RemoteHost() != host
        && !FileExists(cache + localFile);
    // A request with a control character in it (a line break inside a tag's value) would send more
    // than one line to the server: such a reference is not fetched.
    const bool unsafeRequest
        = std::any_of(request.begin(), request.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (!IsValidExtension(m_options.Get(Option::ValidExtensions), ExtensionOf(localFile)) || otherHost
        || unsafeRequest) {
        localFile.clear();
        return false;
    }

    if (!m_transfer.TransferFile(absolute, host, port, request, cache + localFile)) {
        localFile.clear();
        return false;
    }
    if (isNew) {
        // A URL the map cannot hold (a double quote or line break in it) is simply not recorded:
        // the file stays fetched, later references to it fetch it again.
        (void)AddAlias(AliasPath(), absolute, localFile, m_state.CurrentAlias);
    }
    return true;
}

void Crawler::CrawlPage(const std::string& pageURL, const std::string& pageFile)
{
    CrawlState& crawl = m_state.Crawl;
    if (crawl.CrawlLevel >= crawl.DepthLimit)
        return;
    ++crawl.CrawlLevel;

    // The scanner keeps the page open while its references are fetched, so each tag costs only its
    // own bytes; the recursion below holds one scanner per level.
    PageScanner scanner = PageScanner::ForFile(m_state.Folder.Cache + pageFile, 0);
    std::string reference;
    while (m_state.Transfer.State != TransferStateValue::Cancelled && scanner.NextLink(reference)) {
        std::string file;
        if (FetchURL(pageURL, reference, file) && file.find(".htm") != std::string::npos
            && crawl.CrawlLevel < crawl.DepthLimit)
            CrawlPage(ResolveURL(pageURL, reference), file);
    }

    --crawl.CrawlLevel;
}

} // namespace tarnwick
