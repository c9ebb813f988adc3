// The run of one link against nginx as a real peer: a small site on disk, crawled at depth 2, then
// the cache, the alias map, the log page and the rewritten pages checked against the site; and the
// stored start page opened in headless Chromium with the network blocked.

#include "pages/LinkRewriting.h"
#include "platform/TcpSocket.h"
#include "schedule/RunControl.h"
#include "support/DayNumber.h"
#include "support/Files.h"
#include "support/Text.h"
#include "testsupport/NginxServer.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/RunFakes.h"
#include "testsupport/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;

// A reference in a fixture page: as written, and the site path it reaches ("" for another host).
struct Reference
{
    std::string Written;
    std::string Reaches;
};

// Text, then a reference; a page is a row of these and a tail.
struct Piece
{
    std::string Text;
    Reference Ref;
};

struct FixturePage
{
    std::string Path;
    std::vector<Piece> Pieces;
    std::string Tail;
};

// A 1x1 GIF of one colour, so every image of the site has bytes of its own.
std::string Gif(unsigned char red, unsigned char green, unsigned char blue)
{
    std::string gif = "GIF89a";
    gif += std::string("\x01\x00\x01\x00\x80\x00\x00", 7);
    gif += {static_cast<char>(red), static_cast<char>(green), static_cast<char>(blue), '\0', '\0', '\0'};
    gif += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b", 16);
    return gif;
}

// A 1x1 24-bit BMP of one colour.
std::string Bmp(unsigned char red, unsigned char green, unsigned char blue)
{
    auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
            static_cast<char>((v >> 16) & 0xff), static_cast<char>(v >> 24)};
    };
    std::string bmp = "BM" + le32(58) + le32(0) + le32(54);
    bmp += le32(40) + le32(1) + le32(1) + std::string("\x01\x00\x18\x00", 4) + le32(0) + le32(4) + le32(2835)
        + le32(2835) + le32(0) + le32(0);
    bmp += {static_cast<char>(blue), static_cast<char>(green), static_cast<char>(red), '\0'};
    return bmp;
}

class NginxCrawlTest : public ::testing::Test, protected test::WithApplication
{
protected:
    NginxCrawlTest()
    {
        state.Folder.Base = work.Path() + "program/";
        state.Folder.Cache = state.Folder.Base + "cache/";
        std::filesystem::create_directories(state.Folder.Cache);
        state.Session.LoggedOn = true;
    }

    void SetUp() override
    {
        if (test::NginxExecutable().empty())
            GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
        ASSERT_TRUE(server.Available()) << server.Error();
        WriteSite();
    }

    std::string Site(const std::string& path) const { return "http://" + server.HostWithPort() + path; }
    // The same server under another host name: the crawl counts it as another host.
    std::string OtherHost(const std::string& path) const
    {
        return "http://localhost:" + std::to_string(server.Port()) + path;
    }

    void WriteSite()
    {
        // Level 0. The visible text names a reference before its tag; the page references itself,
        // a page in a subfolder (with a fragment), a root-relative page, a text file a folder up,
        // and files the filters turn away.
        pages.push_back({"/docs/index.htm",
            {{"<html><head><title>Fixture</title></head>\r\n<body background=\"", {"paper.gif", "/docs/paper.gif"}},
                {"\">\r\n<p>Start with guide/intro.htm, then read on.</p>\r\n<img src=\"",
                    {"logo.gif", "/docs/logo.gif"}},
                {"\" alt=\"logo\">\r\n<img src=\"", {"/img/banner.bmp", "/img/banner.bmp"}},
                {"\">\r\n<img src=\"", {"../shared/dot.gif", "/shared/dot.gif"}},
                {"\">\r\n<img src=\"", {"chart.png", "/docs/chart.png"}},
                {"\">\r\n<img src=\"", {OtherHost("/img/banner.bmp"), ""}},
                {"\">\r\n<a href=\"", {"index.htm", "/docs/index.htm"}},
                {"\">Home</a>\r\n<a href=\"", {"guide/intro.htm", "/docs/guide/intro.htm"}},
                {"#top\">Guide</a>\r\n<a href=\"", {"/about.html", "/about.html"}},
                {"\">About</a>\r\n<a href=\"", {"../notes.txt", "/notes.txt"}},
                {"\">Notes</a>\r\n<a href=\"", {"search.cgi", "/docs/search.cgi"}},
                {"\">Search</a>\r\n<a href=\"", {"http://example.invalid/far.htm", ""}}},
            "\">Far</a>\r\n</body></html>\r\n"});
        // Level 1, walked: an image one folder up that the start page already brought, a new one,
        // a page of level 2 and the way back.
        pages.push_back({"/docs/guide/intro.htm",
            {{"<html><body><h2 id=\"top\">Intro</h2>\r\n<img src=\"", {"../logo.gif", "/docs/logo.gif"}},
                {"\"><img src=\"", {"fig1.gif", "/docs/guide/fig1.gif"}},
                {"\">\r\n<a href=\"", {"part2.htm", "/docs/guide/part2.htm"}},
                {"\">Next</a> <a href=\"", {"../index.htm", "/docs/index.htm"}}},
            "\">Up</a>\r\n</body></html>\r\n"});
        // Level 2: stored, never walked, so its own new references stay on the web.
        pages.push_back({"/docs/guide/part2.htm",
            {{"<html><body>\r\n<img src=\"", {"fig2.gif", "/docs/guide/fig2.gif"}},
                {"\"><img src=\"", {"../logo.gif", "/docs/logo.gif"}},
                {"\">\r\n<a href=\"", {"part3.htm", "/docs/guide/part3.htm"}}},
            "\">More</a>\r\n</body></html>\r\n"});
        pages.push_back({"/about.html",
            {{"<html><body>\r\n<img src=\"", {"img/team.gif", "/img/team.gif"}},
                {"\">\r\n<a href=\"", {"docs/index.htm", "/docs/index.htm"}}},
            "\">Docs</a>\r\n</body></html>\r\n"});
        pages.push_back({"/docs/guide/part3.htm", {}, "<html><body>too deep</body></html>\r\n"});
        for (const FixturePage& page : pages)
            files[page.Path] = Original(page);

        files["/docs/paper.gif"] = Gif(250, 250, 240);
        files["/docs/logo.gif"] = Gif(200, 0, 0);
        files["/img/banner.bmp"] = Bmp(0, 0, 200);
        files["/shared/dot.gif"] = Gif(0, 200, 0);
        files["/docs/chart.png"] = Gif(1, 2, 3); // any image decoder reads it whatever its name
        files["/docs/guide/fig1.gif"] = Gif(10, 20, 30);
        files["/docs/guide/fig2.gif"] = Gif(40, 50, 60);
        files["/img/team.gif"] = Gif(70, 80, 90);
        files["/unlinked.gif"] = Gif(100, 110, 120);
        files["/docs/search.cgi"] = "#!/bin/sh\n";
        // A text file is stored but neither walked nor rewritten, whatever it holds.
        files["/notes.txt"] = "Notes.\r\n<a href=\"never.htm\">a tag in plain text</a>\r\n";

        for (const auto& [path, bytes] : files) {
            const std::string full = siteRoot + path.substr(1);
            std::filesystem::create_directories(std::filesystem::path(full).parent_path());
            std::ofstream(full, std::ios::binary) << bytes;
        }
    }

    static std::string Original(const FixturePage& page)
    {
        std::string text;
        for (const Piece& piece : page.Pieces)
            text += piece.Text + piece.Ref.Written;
        return text + page.Tail;
    }

    // How the stored copy of page must read: the base line on top, and each reference to a
    // fetched file replaced by the local address of its copy.
    std::string Rewritten(const FixturePage& page) const
    {
        std::string text = "<base href=\"" + Site(page.Path) + "\">\r\n";
        for (const Piece& piece : page.Pieces) {
            const std::string local = piece.Ref.Reaches.empty() ? "" : LocalNameOf(Site(piece.Ref.Reaches));
            text += piece.Text + (local.empty() ? piece.Ref.Written : LocalAddress(state.Folder.Cache, local));
        }
        return text + page.Tail;
    }

    // Runs the start page at depth 2; a second link that is never run shows in the log as well.
    bool RunSite()
    {
        LinkRecord link;
        link.Title = "Fixture <docs>";
        link.URL = Site("/docs/index.htm");
        link.Depth = 2;
        link.OutsideHosts = 0;
        state.Links.Append(link, list);
        LinkRecord never;
        never.Title = "Never run";
        never.URL = Site("/q.htm?a=1&b=<script>");
        state.Links.Append(never, list);
        return control.RunLink(1);
    }

    // The alias map as (URL, local name) pairs, in file order.
    std::vector<std::pair<std::string, std::string>> AliasEntries() const
    {
        std::vector<std::pair<std::string, std::string>> entries;
        std::ifstream map(state.Folder.Base + "alias.dat", std::ios::binary);
        for (std::string line; std::getline(map, line);) {
            const std::size_t middle = line.find("\",\"");
            if (line.size() < 8 || line.front() != '"' || line.substr(line.size() - 2) != "\"\r"
                || middle == std::string::npos) {
                ADD_FAILURE() << "bad alias line: " << line;
                continue;
            }
            entries.emplace_back(line.substr(1, middle - 1), line.substr(middle + 3, line.size() - middle - 5));
        }
        return entries;
    }

    std::string LocalNameOf(const std::string& url) const
    {
        for (const auto& [entryUrl, name] : AliasEntries()) {
            if (entryUrl == url)
                return name;
        }
        return {};
    }

    std::string Cached(const std::string& name) const
    {
        std::string bytes;
        ReadWholeFile(state.Folder.Cache + name, bytes);
        return bytes;
    }

    // Every file of the site within depth 2 that passes the filters, in the order the walk meets
    // them: references in page order, each page's subtree before the next reference.
    const std::vector<std::string> fetched{
        "/docs/index.htm",
        "/docs/paper.gif",
        "/docs/logo.gif",
        "/img/banner.bmp",
        "/shared/dot.gif",
        "/docs/guide/intro.htm",
        "/about.html",
        "/notes.txt",
        "/docs/guide/fig1.gif",
        "/docs/guide/part2.htm",
        "/img/team.gif",
    };

    test::TempFolder work;
    std::string siteRoot = [this] {
        std::filesystem::create_directories(work.Path() + "site");
        return work.Path() + "site/";
    }();
    test::NginxServer server{siteRoot};
    std::vector<FixturePage> pages;
    std::map<std::string, std::string> files; // site path -> bytes

    ProgramState state;
    MemoryLinkList list;
    MemoryOptions options;
    TcpSocket socket;
    test::RecordingStatusDisplay display;
    Transfer transfer{state.Transfer, socket, display, {5s, 5s}};
    test::FakeRunUi ui;
    test::FakeDialUp dial{state.Session};
    test::FakePrograms programs;
    // The log's last line shows this clock; files written during the run are never older.
    FixedClock clock{SystemClock().NowAsDayNumber()};
    RunControl control{{state, options, ui, display, transfer, socket, dial, programs, clock}};
};

TEST_F(NginxCrawlTest, FetchesEachFileWithinDepthOnceAndStoresItForOfflineReading)
{
    ASSERT_TRUE(RunSite());
    const double runEnd = SystemClock().NowAsDayNumber();

    std::vector<std::string> expectedRequests;
    for (const std::string& path : fetched)
        expectedRequests.push_back("GET " + path);
    EXPECT_EQ(server.Requests(), expectedRequests) << "each file once, nothing beyond the depth or the filters";

    const auto entries = AliasEntries();
    std::vector<std::string> aliasUrls;
    std::set<std::string> names;
    for (const auto& [url, name] : entries) {
        aliasUrls.push_back(url);
        names.insert(name);
    }
    std::vector<std::string> expectedUrls;
    for (const std::string& path : fetched)
        expectedUrls.push_back(Site(path));
    EXPECT_EQ(aliasUrls, expectedUrls);
    EXPECT_EQ(names.size(), fetched.size()) << "one local name per file";
    EXPECT_EQ(state.Links.At(1).LocalFile, LocalNameOf(Site("/docs/index.htm")));

    // Pages read as the site's pages with the base line and local addresses; everything else is
    // stored byte for byte.
    for (const std::string& path : fetched) {
        const std::string name = LocalNameOf(Site(path));
        const auto page
            = std::find_if(pages.begin(), pages.end(), [&](const FixturePage& p) { return p.Path == path; });
        EXPECT_EQ(Cached(name), page != pages.end() ? Rewritten(*page) : files.at(path)) << path;
    }

    // The cache holds the fetched files and the log page, and nothing left over from the work.
    std::set<std::string> inCache;
    for (const auto& entry : std::filesystem::directory_iterator(state.Folder.Cache))
        inCache.insert(entry.path().filename().string());
    names.insert("tarnwick.htm");
    EXPECT_EQ(inCache, names);

    // The log page, line by line. The start page's date and time are those of its copy when the
    // log was written; the rewrite afterwards may fall in the next second, so they are read back
    // and checked to lie within the run.
    const std::string start = state.Links.At(1).LocalFile;
    const std::string url = "http://" + server.HostWithPort() + "/docs/index.htm";
    const std::string neverUrl = "http://" + server.HostWithPort() + "/q.htm?a=1&amp;b=&lt;script&gt;";
    const DateTimeParts now = PartsOfDayNumber(clock.NowAsDayNumber());
    char created[64];
    std::snprintf(created, sizeof created, "%02d-%02d-%04d at %02d:%02d:%02d", now.month, now.day, now.year, now.hour,
        now.minute, now.second);
    std::string log = Cached("tarnwick.htm");
    std::vector<std::string> lines;
    for (std::size_t end = log.find("\r\n"); end != std::string::npos; end = log.find("\r\n")) {
        lines.push_back(log.substr(0, end));
        log.erase(0, end + 2);
    }
    EXPECT_EQ(log, "") << "every line ends in CR LF";
    ASSERT_EQ(lines.size(), 9u) << Cached("tarnwick.htm");
    ASSERT_TRUE(StartsWith(lines[3], " on ") && StartsWith(lines[4], " at ")) << lines[3] << lines[4];
    const double stamped = ToDayNumber(lines[3].substr(4), lines[4].substr(4));
    EXPECT_GE(stamped, clock.NowAsDayNumber());
    EXPECT_LE(stamped, runEnd);
    EXPECT_EQ(lines[3], " on " + DateText(stamped));
    EXPECT_EQ(lines[4], " at " + TimeText(stamped));
    const std::vector<std::string> expectedLog{
        "<html><title>Doradoza Tarnwick Log</title>",
        "<hr><h1>Fixture <docs></h1>",
        "Was last downloaded from <a href=\"" + url + "\">" + url + "</a>",
        lines[3],
        lines[4],
        " and stored in <a href=\"" + start + "\">" + state.Folder.Cache + start + "</a>.",
        "<hr><h1>Never run</h1>",
        "Was not yet been downloaded from <a href=\"" + neverUrl + "\">" + neverUrl + "</a>.",
        "<hr>This log was created on " + std::string(created) + ".",
    };
    EXPECT_EQ(lines, expectedLog);
}

// Where the offline checker lives: next to the link rewriting tests.
std::string OfflineCheckScript()
{
    if (const char* source = std::getenv("TARNWICK_SOURCE_DIR"))
        return std::string(source) + "/tests/pages/offline_check.py";
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "pages" / "offline_check.py").string();
}

struct OfflineReport
{
    int ExitCode = -1;
    QJsonObject Report;
    std::string Errors;
};

OfflineReport CheckOffline(const std::string& python, const std::string& page, bool allowLoopback)
{
    QStringList arguments{QString::fromStdString(OfflineCheckScript()), QString::fromStdString(page)};
    if (allowLoopback)
        arguments << QStringLiteral("--allow-loopback");
    QProcess process;
    process.start(QString::fromStdString(python), arguments);
    OfflineReport result;
    // The script bounds Chromium itself (90 s); this only catches a script that hangs.
    if (!process.waitForFinished(150'000)) {
        process.kill();
        process.waitForFinished(5000);
        result.Errors = "the offline check did not finish";
        return result;
    }
    result.ExitCode = process.exitCode();
    result.Report = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    result.Errors = process.readAllStandardError().toStdString();
    return result;
}

std::vector<std::pair<std::string, bool>> Images(const QJsonObject& report)
{
    std::vector<std::pair<std::string, bool>> images;
    for (const QJsonValue& image : report.value(QStringLiteral("images")).toArray()) {
        images.emplace_back(
            image[QStringLiteral("src")].toString().toStdString(), image[QStringLiteral("loaded")].toBool());
    }
    return images;
}

// The addresses of one kind, each with "file" (names a file that exists), "missing" (names none)
// or "web".
std::vector<std::pair<std::string, std::string>> Addresses(const QJsonObject& report, const char* kind)
{
    std::vector<std::pair<std::string, std::string>> addresses;
    for (const QJsonValue& address : report.value(QLatin1String(kind)).toArray()) {
        const QJsonValue exists = address[QStringLiteral("exists")];
        addresses.emplace_back(address[QStringLiteral("href")].toString().toStdString(),
            exists.isNull()       ? "web"
                : exists.toBool() ? "file"
                                  : "missing");
    }
    return addresses;
}

TEST_F(NginxCrawlTest, TheStoredStartPageOpensOfflineInChromium)
{
    const std::string chromium = "/usr/bin/chromium";
    if (::access(chromium.c_str(), X_OK) != 0)
        GTEST_SKIP() << "Chromium is not installed (scripts/setup.sh installs it)";
    const std::string python = QStandardPaths::findExecutable(QStringLiteral("python3")).toStdString();
    if (python.empty())
        GTEST_SKIP() << "python3 is not installed";

    ASSERT_TRUE(RunSite());
    const std::string cache = state.Folder.Cache;
    auto local = [&](const std::string& path) { return LocalAddress(cache, LocalNameOf(Site(path))); };

    const OfflineReport offline = CheckOffline(python, cache + state.Links.At(1).LocalFile, false);
    ASSERT_EQ(offline.ExitCode, 0) << offline.Errors;

    // Every fetched image shows from its copy; the two left on the web (a file type the filter
    // turns away, and another host) stay dark although nginx would serve both.
    const std::vector<std::pair<std::string, bool>> expectedImages{
        {local("/docs/logo.gif"), true},
        {local("/img/banner.bmp"), true},
        {local("/shared/dot.gif"), true},
        {Site("/docs/chart.png"), false},
        {OtherHost("/img/banner.bmp"), false},
    };
    EXPECT_EQ(Images(offline.Report), expectedImages);

    // Every rewritten link and the background open a file of the cache; the rest resolve against
    // the base line.
    const std::vector<std::pair<std::string, std::string>> expectedAnchors{
        {local("/docs/index.htm"), "file"},
        {local("/docs/guide/intro.htm") + "#top", "file"},
        {local("/about.html"), "file"},
        {local("/notes.txt"), "file"},
        {Site("/docs/search.cgi"), "web"},
        {"http://example.invalid/far.htm", "web"},
    };
    EXPECT_EQ(Addresses(offline.Report, "anchors"), expectedAnchors);
    EXPECT_EQ(Addresses(offline.Report, "backgrounds"),
        (std::vector<std::pair<std::string, std::string>>{{local("/docs/paper.gif"), "file"}}));

    // The same page with loopback open: the two dark images load from nginx, so it was the
    // blocking that kept them dark.
    const OfflineReport online = CheckOffline(python, cache + state.Links.At(1).LocalFile, true);
    ASSERT_EQ(online.ExitCode, 0) << online.Errors;
    std::vector<std::pair<std::string, bool>> expectedOnline = expectedImages;
    for (auto& image : expectedOnline)
        image.second = true;
    EXPECT_EQ(Images(online.Report), expectedOnline);
}

} // namespace
} // namespace tarnwick
