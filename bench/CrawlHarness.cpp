// A headless run of the program's own download code, for the benchmark scripts.
//
//   crawl_harness crawl <start URL> <work folder> [depth]
//       Runs one link (depth 3 unless given, other hosts off, already on line) with the real socket
//       and transfer, its program folder being <work folder> (the cache is <work folder>/cache/).
//       Prints the time of the whole run (crawl, log page, rewriting) and the number of files the
//       cache holds besides the log page.
//
//   crawl_harness fetch <URL> <save path>
//       Runs one transfer of URL into save path and prints the peak resident memory before and
//       after it, and the bytes written.
//
// Exit status 0 when the run or transfer succeeded, 1 when it failed, 2 on bad arguments.

#include "platform/TcpSocket.h"
#include "retrieval/Transfer.h"
#include "schedule/RunControl.h"
#include "url/Url.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace tarnwick;

// Nothing to show, nobody to ask: the harness is already on line and has no windows.
class HeadlessUi final : public RunUi
{
public:
    bool LinkDetailsShown() const override { return false; }
    void ToggleLinkDetails() override { }
    bool ConfirmLogon() override { return true; }
    void SetScheduleTimer(bool) override { }
};

class NoDialUp final : public DialUp
{
public:
    void LogonToInternet() override { }
    void LogoffInternet() override { }
};

class NoPrograms final : public Programs
{
public:
    long long Start(const std::string&, const std::vector<std::string>&) override { return 0; }
};

// The peak resident set size so far, in KiB, from /proc/self/status (VmHWM); -1 when unknown.
long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

int Crawl(const std::string& url, const std::string& folder, int depth)
{
    ProgramState state;
    state.Folder.Base = folder + (folder.ends_with('/') ? "" : "/");
    state.Folder.Cache = state.Folder.Base + "cache/";
    std::filesystem::create_directories(state.Folder.Cache);
    state.Session.LoggedOn = true;

    MemoryLinkList list;
    LinkRecord link;
    link.Title = "Benchmark";
    link.URL = url;
    link.Depth = depth;
    link.OutsideHosts = 0;
    const int index = state.Links.Append(link, list);

    MemoryOptions options;
    TcpSocket socket;
    NullStatusDisplay display;
    Transfer transfer(state.Transfer, socket, display);
    HeadlessUi ui;
    NoDialUp dial;
    NoPrograms programs;
    SystemClock clock;
    RunControl control({state, options, ui, display, transfer, socket, dial, programs, clock});

    const auto start = std::chrono::steady_clock::now();
    const bool ran = control.RunLink(index);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state.Folder.Cache))
        files += entry.is_regular_file() && entry.path().filename() != "tarnwick.htm";
    std::printf("tarnwick: %.3f s, %d files, peak RSS %ld KiB\n", took.count(), files, PeakResidentKiB());
    return ran && !state.Links.At(index).LocalFile.empty() ? 0 : 1;
}

int Fetch(const std::string& url, const std::string& savePath)
{
    std::string host;
    std::int32_t port = 0;
    std::string request;
    const std::string absolute = ResolveURL(url, url, host, port, request);

    TransferStatus status;
    TcpSocket socket;
    NullStatusDisplay display;
    Transfer transfer(status, socket, display);

    const long before = PeakResidentKiB();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = transfer.TransferFile(absolute, host, port, request, savePath);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const long after = PeakResidentKiB();

    std::printf("fetch: %s, %lld bytes in %.3f s\n", ok ? "finished" : "failed",
        static_cast<long long>(transfer.BytesWritten()), took.count());
    std::printf("peak RSS before: %ld KiB, after: %ld KiB, growth: %ld KiB\n", before, after, after - before);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "crawl" && (argc == 4 || argc == 5))
        return Crawl(argv[2], argv[3], argc == 5 ? std::stoi(argv[4]) : 3);
    if (mode == "fetch" && argc == 4)
        return Fetch(argv[2], argv[3]);
    std::fprintf(stderr,
        "usage: %s crawl <start URL> <work folder> [depth]\n"
        "       %s fetch <URL> <save path>\n",
        argv[0], argv[0]);
    return 2;
}
