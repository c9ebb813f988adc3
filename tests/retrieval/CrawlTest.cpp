// The run of one link against loopback servers, without the main window: the crawl, the alias
// map, the log page and the rewritten pages.

#include "pages/LinkRewriting.h"
#include "platform/TcpSocket.h"
#include "schedule/RunControl.h"
#include "support/Files.h"
#include "support/Text.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/RunFakes.h"
#include "testsupport/ScriptedServer.h"
#include "testsupport/TempFolder.h"

#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::ServerStep;

class CrawlTest : public ::testing::Test, protected test::WithApplication
{
protected:
    CrawlTest()
    {
        state.Folder.Base = folder.Path();
        state.Folder.Cache = folder.Path() + "cache/";
        std::filesystem::create_directories(state.Folder.Cache);
        state.Session.LoggedOn = true;
    }

    std::string Site(const std::string& path) const { return "http://" + server.HostWithPort() + path; }

    // Adds a link for url and runs it.
    bool RunUrl(const std::string& url, int depth, int outsideHosts = 0)
    {
        LinkRecord link;
        link.Title = "Test";
        link.URL = url;
        link.Depth = depth;
        link.OutsideHosts = outsideHosts;
        const int i = state.Links.Append(link, list);
        return control.RunLink(i);
    }

    std::vector<std::string> AliasLines() const
    {
        std::vector<std::string> lines;
        std::string all = folder.Read("alias.dat");
        std::size_t from = 0;
        for (std::size_t end = all.find("\r\n"); end != std::string::npos; end = all.find("\r\n", from)) {
            lines.push_back(all.substr(from, end - from));
            from = end + 2;
        }
        return lines;
    }

    // The local name the alias map gives url, "" when none.
    std::string LocalNameOf(const std::string& url) const
    {
        for (const std::string& line : AliasLines()) {
            const std::string prefix = "\"" + url + "\",\"";
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size(), line.size() - prefix.size() - 1);
        }
        return {};
    }

    std::string Cached(const std::string& name) const { return folder.Read("cache/" + name); }

    int RequestsFor(const std::string& path) const
    {
        const auto& requests = server.Requests();
        return static_cast<int>(std::count(requests.begin(), requests.end(), "GET " + path));
    }

    test::TempFolder folder;
    test::ScriptedServer server;
    ProgramState state;
    MemoryLinkList list;
    MemoryOptions options;
    TcpSocket socket;
    test::RecordingStatusDisplay display;
    Transfer transfer{state.Transfer, socket, display, {1000ms, 1000ms}};
    test::FakeRunUi ui;
    test::FakeDialUp dial{state.Session};
    test::FakePrograms programs;
    SystemClock clock;
    RunControl control{{state, options, ui, display, transfer, socket, dial, programs, clock}};
};

TEST_F(CrawlTest, DepthZeroFetchesTheStartPageAlone)
{
    server.Serve("/index.htm", "<a href=\"a.htm\">a</a>");
    ASSERT_TRUE(RunUrl(Site("/index.htm"), 0));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /index.htm"});
    const LinkRecord& link = state.Links.At(1);
    EXPECT_FALSE(link.LocalFile.empty());
    EXPECT_GT(link.LastDownload, 0);
    EXPECT_EQ(AliasLines().size(), 1u);
    EXPECT_EQ(LocalNameOf(Site("/index.htm")), link.LocalFile);
}

TEST_F(CrawlTest, DepthOneFetchesWhatPassesTheFiltersAndWalksNothingFurther)
{
    server.Serve("/d/index.htm",
        "<a href=\"a.htm\">A</a><img src=\"pic.gif\"><a href=\"run.cgi\">c</a>"
        "<a href=\"mailto:x@y\">m</a><a href=\"q.htm?x=1\">q</a><a href=\"#top\">t</a>");
    server.Serve("/d/a.htm", "<img src=\"deep.gif\">");
    server.Serve("/d/pic.gif", "GIF89a");
    ASSERT_TRUE(RunUrl(Site("/d/index.htm"), 1));
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /d/index.htm", "GET /d/a.htm", "GET /d/pic.gif"}));
    EXPECT_EQ(Cached(LocalNameOf(Site("/d/pic.gif"))), "GIF89a");

    // One level deeper, the page a.htm is walked too.
    ASSERT_TRUE(RunUrl(Site("/d/index.htm"), 2));
    EXPECT_EQ(RequestsFor("/d/deep.gif"), 1);
}

TEST_F(CrawlTest, EachFileIsFetchedOncePerRun)
{
    // index references itself and a page; both reference the same image.
    server.Serve("/index.htm", "<a href=\"index.htm\">me</a><a href=\"p.htm\">p</a><img src=\"i.gif\">");
    server.Serve("/p.htm", "<img src=\"/i.gif\"><a href=\"index.htm\">back</a>");
    server.Serve("/i.gif", "img");
    ASSERT_TRUE(RunUrl(Site("/index.htm"), 3));
    EXPECT_EQ(RequestsFor("/index.htm"), 1);
    EXPECT_EQ(RequestsFor("/p.htm"), 1);
    EXPECT_EQ(RequestsFor("/i.gif"), 1);
    EXPECT_EQ(AliasLines().size(), 3u);
}

TEST_F(CrawlTest, OtherHostsOnlyWhenTheLinkAllowsThem)
{
    test::ScriptedServer other;
    other.Serve("/o.htm", "<img src=\"o.gif\">");
    other.Serve("/o.gif", "other image");
    server.Serve("/index.htm", "<a href=\"http://" + other.HostWithPort() + "/o.htm\">o</a>");

    ASSERT_TRUE(RunUrl(Site("/index.htm"), 2, 0));
    EXPECT_TRUE(other.Requests().empty());

    ASSERT_TRUE(RunUrl(Site("/index.htm"), 2, 1));
    EXPECT_EQ(other.Requests(), (std::vector<std::string>{"GET /o.htm", "GET /o.gif"}));
    EXPECT_FALSE(LocalNameOf("http://" + other.HostWithPort() + "/o.gif").empty());
}

TEST_F(CrawlTest, AStalledFileKeepsItsPartButGetsNoAliasAndTheCrawlGoesOn)
{
    server.Serve("/index.htm", "<img src=\"slow.gif\"><img src=\"ok.gif\">");
    server.Script("/slow.gif", {ServerStep::Send("part"), ServerStep::Stall()});
    server.Serve("/ok.gif", "fine");
    ASSERT_TRUE(RunUrl(Site("/index.htm"), 1));
    EXPECT_EQ(LocalNameOf(Site("/slow.gif")), "");
    EXPECT_EQ(Cached(LocalNameOf(Site("/ok.gif"))), "fine");
    int partial = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state.Folder.Cache))
        partial += entry.path().extension() == ".gif" && Cached(entry.path().filename().string()) == "part";
    EXPECT_EQ(partial, 1);
}

TEST_F(CrawlTest, CancelStopsTheWholeWalk)
{
    server.Serve("/index.htm", "<a href=\"a.htm\">a</a><img src=\"b.gif\">");
    server.Serve("/a.htm", "<img src=\"slow.gif\"><img src=\"c.gif\">");
    server.Script("/slow.gif", {ServerStep::Send("x"), ServerStep::Pause(200), ServerStep::Close()});
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (server.Requests().size() == 3 && transfer.IsWaiting())
            transfer.Cancel();
    });
    poll.start(5);
    EXPECT_FALSE(RunUrl(Site("/index.htm"), 2));
    poll.stop();
    EXPECT_EQ(server.Requests().size(), 3u) << "nothing after the cancelled transfer";
    EXPECT_EQ(state.Transfer.State, TransferStateValue::Cancelled);
    // The run still wrote its log and closed the status window.
    EXPECT_TRUE(FileExists(state.Folder.Cache + "tarnwick.htm"));
    EXPECT_FALSE(display.Visible);
    // A cancel during a deeper page lets the link count as downloaded.
    EXPECT_GT(state.Links.At(1).LastDownload, 0);
}

TEST_F(CrawlTest, GarbageAndHugePagesAreWalkedSafely)
{
    std::string garbage;
    for (int i = 0; i < 300000; ++i)
        garbage += static_cast<char>((i * 7919L) % 256);
    garbage += ">\n<img src=\"g.gif\">"; // closes whatever tag the garbage left open
    server.Serve("/garbage.htm", garbage);
    std::string huge(10 * 1024 * 1024, 'x');
    huge.replace(5 * 1024 * 1024, 20, "<img src=\"h.gif\">   ");
    server.Serve("/huge.htm", huge);
    server.Serve("/index.htm", "<a href=\"garbage.htm\">g</a><a href=\"huge.htm\">h</a><a href=\"index.htm\">me</a>");
    ASSERT_TRUE(RunUrl(Site("/index.htm"), 2));
    EXPECT_EQ(RequestsFor("/g.gif"), 1);
    EXPECT_EQ(RequestsFor("/h.gif"), 1);
    const std::string stored = Cached(LocalNameOf(Site("/huge.htm")));
    EXPECT_EQ(stored.find("<base href="), 0u);
    EXPECT_NE(stored.find(LocalAddress(state.Folder.Cache, LocalNameOf(Site("/h.gif")))), std::string::npos);
    EXPECT_GT(stored.size(), huge.size());
}

TEST_F(CrawlTest, ACancelOfAnEarlierRunDoesNotStopTheScheduledWalk)
{
    server.Serve("/b.htm", "b");
    for (const std::string& path : {std::string("/a.cgi"), std::string("/b.htm")}) {
        LinkRecord link;
        link.URL = Site(path);
        link.NextDownload = 1; // long due
        state.Links.Append(link, list);
    }
    state.Transfer.State = TransferStateValue::Cancelled; // left by a manual run the user cancelled
    control.ScheduleTick(); // the first link fetches nothing (its type is not wanted), the second runs
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /b.htm"});
    EXPECT_GT(state.Links.At(2).LastDownload, 0);
}

TEST_F(CrawlTest, AnUnreachableStartPageLeavesTheLinkDue)
{
    std::string url;
    {
        test::ScriptedServer gone;
        url = "http://127.0.0.1:" + std::to_string(gone.Port()) + "/index.htm";
    }
    LinkRecord link;
    link.URL = url;
    link.NextDownload = 1234;
    state.Links.Append(link, list);
    EXPECT_TRUE(control.RunLink(1));
    EXPECT_EQ(state.Links.At(1).LocalFile, "");
    EXPECT_EQ(state.Links.At(1).NextDownload, 1234);
    EXPECT_EQ(state.Links.At(1).LastDownload, 0);
}

TEST_F(CrawlTest, StoredPagesPointAtTheirLocalCopies)
{
    server.Serve("/d/index.htm",
        "<html>\r\n<p>see a.htm here</p><a title=\"x\" href=\"a.htm#sec\">A</a>\r\n"
        "<img src=\"../pic.gif\"><a href=\"http://elsewhere.invalid/x.htm\">e</a>");
    server.Serve("/d/a.htm", "<p>a</p>");
    server.Serve("/pic.gif", "GIF");
    ASSERT_TRUE(RunUrl(Site("/d/index.htm"), 1));
    const std::string page = Cached(state.Links.At(1).LocalFile);
    const std::string a = LocalAddress(state.Folder.Cache, LocalNameOf(Site("/d/a.htm")));
    const std::string pic = LocalAddress(state.Folder.Cache, LocalNameOf(Site("/pic.gif")));
    EXPECT_EQ(page,
        "<base href=\"" + Site("/d/index.htm") + "\">\r\n<html>\r\n<p>see a.htm here</p><a title=\"x\" href=\"" + a
            + "#sec\">A</a>\r\n<img src=\"" + pic + "\"><a href=\"http://elsewhere.invalid/x.htm\">e</a>");
}

} // namespace
} // namespace tarnwick
