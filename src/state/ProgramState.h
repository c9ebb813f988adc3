#pragma once

// The program-wide state: one object owned by the application and handed by reference to the
// operations that read or write it. Each piece is a plain struct so a test builds just the piece
// an operation needs.

#include "catalogue/Catalogue.h"

#include <string>

namespace tarnwick {

// Where the program keeps its files. Both end in "/".
struct Folders
{
    std::string Base; // the program's folder: catalogue file, alias map, help file
    std::string Cache; // Base + "cache/": every fetched file and the log page
};

// One entry of the alias map: an absolute URL and the local name it was stored under.
struct AliasEntry
{
    std::string URL;
    std::string FileName;
};

// The state of the transfer in progress (or of the last one).
enum class TransferStateValue : int
{
    Finished = 0, // waiting for the connection, or the server closed it
    Connected = -1, // receiving
    TimedOut = 1,
    Cancelled = 3, // also stops the crawl and the remaining links
};

struct TransferStatus
{
    TransferStateValue State = TransferStateValue::Finished;
    std::string CurrentURL;
    std::string SavePath;
};

// The crawl of the running link.
struct CrawlState
{
    int CrawlLevel = 0;
    int DepthLimit = 0;
    bool StayOnHost = true;
};

struct SessionState
{
    bool LoggedOn = false;
    long long AccessTaskId = 0;
    // True from the start of a run (including its logon waits) to its end: at most one run at a time.
    bool RunInProgress = false;
};

struct ProgramState
{
    Catalogue Links;
    Folders Folder;
    double RunStartTime = 0;
    AliasEntry CurrentAlias;
    TransferStatus Transfer;
    CrawlState Crawl;
    SessionState Session;
};

} // namespace tarnwick
