#include "catalogue/CatalogueFile.h"

#include "schedule/ScheduleRule.h"
#include "support/DayNumber.h"
#include "testsupport/CaseName.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/TempFolder.h"

#include <QTimer>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace std::string_literals;

namespace tarnwick {
namespace {

class RecordingLoadEvents final : public CatalogueLoadEvents
{
public:
    void ResetLinkDetails() override
    {
        ++Resets;
        if (OnReset)
            OnReset();
    }
    void ShowCurrentLink() override { ++Shows; }

    int Resets = 0;
    int Shows = 0;
    std::function<void()> OnReset;
};

// A link as the loader should give it back (NextDownload is checked separately).
struct Expect
{
    std::string URL = "";
    std::string Title = "";
    int Frequency = 0;
    int Hour = 0;
    int Depth = 0;
    int OutsideHosts = 0;
    std::string LocalFile = "";
};

std::vector<std::string> Titles(const Catalogue& links)
{
    std::vector<std::string> titles;
    for (const LinkRecord& r : links.Records())
        titles.push_back(r.Title);
    return titles;
}

std::vector<std::string> FileNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class CatalogueFileTest : public ::testing::Test
{
protected:
    CatalogueFileTest() { Folder.Base = Temp.Path(); }

    bool Load(const std::string& path, bool append = false)
    {
        return LoadCatalogue(path, append, Links, List, Status, Events, Clock);
    }
    bool LoadText(const std::string& text, bool append = false) { return Load(Temp.Write("page.htm", text), append); }

    // Appends a link by hand, as "Create New Link" does.
    void Create(const std::string& url, const std::string& title)
    {
        LinkRecord r;
        r.URL = url;
        r.Title = title;
        Links.Append(r, List);
        Links.LinkCount = Links.Count();
    }

    void ExpectLinks(const std::vector<Expect>& expected)
    {
        ASSERT_EQ(Links.Count(), static_cast<int>(expected.size())) << ::testing::PrintToString(Titles(Links));
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const LinkRecord& r = Links.Records()[k];
            SCOPED_TRACE("link " + std::to_string(k + 1));
            EXPECT_EQ(r.URL, expected[k].URL);
            EXPECT_EQ(r.Title, expected[k].Title);
            EXPECT_EQ(r.Frequency, expected[k].Frequency);
            EXPECT_EQ(r.Hour, expected[k].Hour);
            EXPECT_EQ(r.Depth, expected[k].Depth);
            EXPECT_EQ(r.OutsideHosts, expected[k].OutsideHosts);
            EXPECT_EQ(r.LocalFile, expected[k].LocalFile);
            EXPECT_EQ(r.NextDownload, NextDownloadTime(r, Clock));
        }
        EXPECT_EQ(List.Items(), Titles(Links));
    }

    test::TempFolder Temp;
    Folders Folder;
    Catalogue Links;
    MemoryLinkList List;
    test::RecordingStatusDisplay Status;
    RecordingLoadEvents Events;
    FixedClock Clock{DayNumberOf({2026, 12, 9, 10, 30, 0})}; // a Wednesday
};

LinkRecord Record(std::string url, std::string title)
{
    LinkRecord r;
    r.URL = std::move(url);
    r.Title = std::move(title);
    return r;
}

TEST_F(CatalogueFileTest, SavedLinesHaveTheirFixedForm)
{
    LinkRecord fetched = Record("http://news.example/today.htm", "Daily news");
    fetched.LocalFile = "abcdefgh.htm";
    fetched.Frequency = 1;
    fetched.Hour = 7;
    fetched.Depth = 2;
    fetched.LastDownload = 46000.75;
    EXPECT_EQ(CatalogueLine(fetched),
        "<a href=\"http://news.example/today.htm\">Daily news</a><!local=abcdefgh.htm>"
        "<!frequency=1><!time=7><!depth=2><!last=46000.75>\r\n");

    LinkRecord wide = Record("http://w.example/", "");
    wide.OutsideHosts = 1;
    wide.LastDownload = 46001;
    wide.NextDownload = 46002; // never written
    EXPECT_EQ(CatalogueLine(wide), "<a href=\"http://w.example/\"></a><!width=1><!last=46001>\r\n");
    EXPECT_EQ(CatalogueLine(Record("u", "t")), "<a href=\"u\">t</a>\r\n");
    // A typed address with a quote or angle brackets keeps its link through a save and a load.
    EXPECT_EQ(
        CatalogueLine(Record("http://q.example/a\"b<c>", "Q")), "<a href=\"http://q.example/a%22b%3Cc%3E\">Q</a>\r\n");
}

TEST_F(CatalogueFileTest, RoundTripKeepsEveryField)
{
    LinkRecord fetched = Record("http://news.example/today.htm", "Daily news");
    fetched.LocalFile = "abcdefgh.htm";
    fetched.Frequency = 1;
    fetched.Hour = 7;
    fetched.Depth = 2;
    fetched.LastDownload = 46000.75;
    LinkRecord busiest = Record("http://other.example:8080/a/b.html?x", "Straße – ‘quoted’ ✓");
    busiest.LocalFile = "qwertyui.gif";
    busiest.Frequency = 8;
    busiest.Hour = 23;
    busiest.Depth = 5;
    busiest.OutsideHosts = 1;
    busiest.LastDownload = DayNumberOf({2026, 12, 8, 17, 43, 21});
    LinkRecord plain = Record("http://plain.example/index.htm", "Plain");
    LinkRecord whole = Record("HTTP://CAPS.example/p.htm", "Whole day");
    whole.Frequency = 5;
    whole.LastDownload = 46001;

    Catalogue saved;
    MemoryLinkList savedList;
    for (const LinkRecord& r : {fetched, busiest, plain, whole})
        saved.Append(r, savedList);
    std::string error;
    ASSERT_TRUE(SaveCatalogue(saved, Folder, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(FileNames(Temp.Path()), std::vector<std::string>{"tarnwick.dat"})
        << "no work file may be left beside the catalogue";

    Create("http://old.example/", "Replaced");
    ASSERT_TRUE(Load(CatalogueFilePath(Folder)));

    ASSERT_EQ(Links.Count(), 4);
    for (int i = 1; i <= 4; ++i) {
        LinkRecord expected = saved.At(i);
        const LinkRecord& got = Links.At(i);
        // Day numbers are written to 15 significant digits: well inside a second.
        EXPECT_NEAR(got.LastDownload, expected.LastDownload, 1e-9);
        expected.LastDownload = got.LastDownload;
        expected.NextDownload = NextDownloadTime(expected, Clock);
        EXPECT_EQ(got, expected) << "record " << i;
    }
    EXPECT_EQ(Links.At(1).LastDownload, 46000.75);
    EXPECT_GT(Links.At(1).NextDownload, Clock.NowAsDayNumber());
    EXPECT_EQ(Links.At(3).NextDownload, 0);
    EXPECT_EQ(Links.LinkCount, 4);
    EXPECT_EQ(List.Items(), Titles(Links));
    EXPECT_EQ(List.CurrentPosition(), 0);
    EXPECT_EQ(Events.Resets, 1);
    EXPECT_EQ(Events.Shows, 1);
    ASSERT_FALSE(Status.Calls.empty());
    EXPECT_EQ(Status.Calls.front().Caption, "Loading Links");
    EXPECT_EQ(Status.Calls.front().Status, "Loading Link Data");
    EXPECT_EQ(Status.Calls.back().Status, "Loading \r\nWhole day");
    EXPECT_FALSE(Status.Calls.back().Button);
    EXPECT_EQ(Status.Unloads, 1);
    EXPECT_FALSE(Status.Visible);
}

TEST_F(CatalogueFileTest, EmptyCatalogueSavesAnEmptyFileAndLoadsNothing)
{
    Temp.Write("tarnwick.dat", "<a href=\"http://old.example/\">Old</a>\r\n");
    std::string error;
    ASSERT_TRUE(SaveCatalogue(Catalogue(), Folder, error)) << error;
    EXPECT_EQ(Temp.Read("tarnwick.dat"), "");

    Create("http://here.example/", "Here");
    List.SetCurrentPosition(0);
    ASSERT_TRUE(Load(CatalogueFilePath(Folder)));
    EXPECT_EQ(Links.Count(), 0);
    EXPECT_EQ(Links.LinkCount, 0);
    EXPECT_EQ(List.ItemCount(), 0);
    EXPECT_EQ(List.CurrentPosition(), -1);
    EXPECT_EQ(Events.Resets, 1);
    EXPECT_EQ(Events.Shows, 0) << "with no link there is nothing to show";
    EXPECT_EQ(Status.Unloads, 1);
}

TEST_F(CatalogueFileTest, AppendAddsOnlyNewAddressesAndMovesTheFocusOn)
{
    Create("http://a.example/index.html", "A by hand");
    Create("http://b.example/index.html", "B by hand");
    List.SetCurrentPosition(0);
    ASSERT_TRUE(LoadText("<a href=\"http://b.example/\">B again</a><!depth=5>\r\n"
                         "<a href=\"http://c.example/c.htm\">C</a>\r\n",
        true));
    EXPECT_EQ(Titles(Links), (std::vector<std::string>{"A by hand", "B by hand", "C"}));
    EXPECT_EQ(Links.At(2).Depth, 0) << "an address already held keeps its own fields";
    EXPECT_EQ(Links.LinkCount, 3);
    EXPECT_EQ(List.CurrentPosition(), 1);
    EXPECT_EQ(Events.Resets, 0);
    EXPECT_EQ(Events.Shows, 1);

    // The focus is on the last item and nothing new arrives: there is no item after it to show.
    List.SetCurrentPosition(2);
    ASSERT_TRUE(LoadText("<a href=\"http://c.example/c.htm\">C</a>", true));
    EXPECT_EQ(Links.Count(), 3);
    EXPECT_EQ(List.CurrentPosition(), 2);
    EXPECT_EQ(Events.Shows, 1);

    // No item current: the first one becomes current.
    List.SetCurrentPosition(-1);
    ASSERT_TRUE(LoadText("", true));
    EXPECT_EQ(List.CurrentPosition(), 0);
    EXPECT_EQ(Events.Shows, 2);
}

TEST_F(CatalogueFileTest, UnreadableFileEndsTheLoadQuietly)
{
    Create("http://a.example/", "A");
    EXPECT_FALSE(Load(Temp.File("absent.dat"), true));
    EXPECT_EQ(Links.Count(), 1);
    EXPECT_EQ(Events.Shows, 0);
    EXPECT_EQ(Status.Unloads, 1);
    EXPECT_FALSE(Status.Visible);

    EXPECT_FALSE(Load(Temp.Path())); // a folder is not a catalogue
    EXPECT_EQ(Links.Count(), 0);
    EXPECT_EQ(Status.Unloads, 2);
}

struct LoaderCase
{
    const char* name;
    std::string text;
    std::vector<Expect> links;
};

class LoaderRules : public CatalogueFileTest, public ::testing::WithParamInterface<LoaderCase>
{
};

TEST_P(LoaderRules, Load)
{
    ASSERT_TRUE(LoadText(GetParam().text));
    ExpectLinks(GetParam().links);
    EXPECT_EQ(Links.LinkCount, Links.Count());
}

INSTANTIATE_TEST_SUITE_P(Titles, LoaderRules,
    ::testing::Values(LoaderCase{"empty title falls back to the address", "<a href=\"http://x.example/a.htm\"></a>",
                          {{.URL = "http://x.example/a.htm", .Title = "http://x.example/a.htm"}}},
        LoaderCase{"title of control characters falls back to the address",
            "<a href=\"http://x.example/a.htm\">\t\r\n\x7f</a>",
            {{.URL = "http://x.example/a.htm", .Title = "http://x.example/a.htm"}}},
        LoaderCase{"no tag after the title", "<a href=\"http://x.example/a.htm\">runs to the end",
            {{.URL = "http://x.example/a.htm", .Title = "http://x.example/a.htm"}}},
        LoaderCase{"title is cut at a tag", "<a href=\"http://x.example/a.htm\">Bold <b>move</b></a>",
            {{.URL = "http://x.example/a.htm", .Title = "Bold "}}},
        LoaderCase{"Windows-1252 title is converted",
            "<a href=\"http://x.example/a.htm\">Caf\xE9 \x93"
            "Cr\xE8"
            "me\x94 \x80"
            "5</a>",
            {{.URL = "http://x.example/a.htm", .Title = "Café “Crème” €5"}}},
        LoaderCase{"UTF-8 title keeps its letters and loses its controls",
            "<a href=\"http://x.example/a.htm\">Stra\xC3\x9F"
            "e\t\xC2\x85 \xE2\x9C\x93\x7F</a>",
            {{.URL = "http://x.example/a.htm", .Title = "Straße ✓"}}},
        LoaderCase{"NUL bytes", "<a href=\"http://x.example/1\">A\0B</a>\0\0<a href=\"http://x.example/2\">C</a>\0"s,
            {{.URL = "http://x.example/1", .Title = "AB"}, {.URL = "http://x.example/2", .Title = "C"}}}),
    test::CaseName());

INSTANTIATE_TEST_SUITE_P(Addresses, LoaderRules,
    ::testing::Values(LoaderCase{"trailing slash gets index.html", "<a href=\"http://x.example/dir/\">D</a>",
                          {{.URL = "http://x.example/dir/index.html", .Title = "D"}}},
        LoaderCase{"fragment is cut", "<a href=\"http://x.example/p.htm#top\">P</a>",
            {{.URL = "http://x.example/p.htm", .Title = "P"}}},
        LoaderCase{"line breaks inside an address are dropped", "<a href=\"http://x.example/long\r\n/p.htm\">W</a>",
            {{.URL = "http://x.example/long/p.htm", .Title = "W"}}},
        LoaderCase{"scheme in capitals is taken as written", "<a href=\"HTTP://X.example/p.htm\">P</a>",
            {{.URL = "HTTP://X.example/p.htm", .Title = "P"}}},
        LoaderCase{"relative, single-quoted, unquoted and other schemes are passed over",
            "<a href=\"p.htm\">R</a><a href='http://x.example/q'>S</a><a href=http://x.example/u>U</a>"
            "<a href=\"ftp://x.example/f\">F</a><a href=\"https://x.example/s\">T</a><a>N</a>",
            {}},
        LoaderCase{"bookmarks export with capital attribute names",
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n"
            "    <DT><A HREF=\"http://x.example/\" ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000001\">"
            "Bookmark</A>\n"
            "    <DT><A HREF=\"http://y.example/b.htm\" ADD_DATE=\"1\" ICON=\"data:image/png;base64,AA==\">B</A>\n"
            "</DL><p>\n",
            {{.URL = "http://x.example/index.html", .Title = "Bookmark"},
                {.URL = "http://y.example/b.htm", .Title = "B"}}},
        LoaderCase{"embedded reference", "<p><img SRC=\"http://x.example/i.gif\" alt=\"\"> and text</p>",
            {{.URL = "http://x.example/i.gif", .Title = " and text"}}},
        LoaderCase{"redirect to an absolute address stands for its target",
            "<a href=\"http://r.example/go?to=http://t.example/p.htm\">R</a>\r\n"
            "<a href=\"http://r.example/go?a=1&to=HTTP://T.example/q.htm\">Q</a>",
            {{.URL = "http://t.example/p.htm", .Title = "R"}, {.URL = "HTTP://T.example/q.htm", .Title = "Q"}}},
        LoaderCase{"ordinary query is kept whole",
            "<a href=\"http://s.example/find?q=cats&page=2\">S</a>\r\n"
            "<a href=\"http://s.example/f?next=/local/\">L</a>",
            {{.URL = "http://s.example/find?q=cats&page=2", .Title = "S"},
                {.URL = "http://s.example/f?next=/local/index.html", .Title = "L"}}},
        LoaderCase{"the first of two equal addresses wins",
            "<a href=\"http://x.example/a\">First</a><!depth=1>\r\n"
            "<a href=\"http://x.example/a\">Second</a><!depth=3>\r\n"
            "<a href=\"http://x.example/a/\">Third</a>",
            {{.URL = "http://x.example/a", .Title = "First", .Depth = 1},
                {.URL = "http://x.example/a/index.html", .Title = "Third"}}}),
    test::CaseName());

INSTANTIATE_TEST_SUITE_P(FieldTags, LoaderRules,
    ::testing::Values(
        LoaderCase{"capital end tag ends the field tags",
            "<a href=\"http://x.example/a\">A</A><!depth=3>\r\n<a href=\"http://x.example/b\">B</a><!depth=3>",
            {{.URL = "http://x.example/a", .Title = "A"}, {.URL = "http://x.example/b", .Title = "B", .Depth = 3}}},
        LoaderCase{"numbers are read the program's way",
            "<a href=\"http://x.example/a\">A</a><!frequency= 2.5 ><!time=3.5><!depth=x><!width=1e0>",
            {{.URL = "http://x.example/a", .Title = "A", .Frequency = 2, .Hour = 4, .OutsideHosts = 1}}},
        LoaderCase{"unknown and malformed tags are ignored",
            "<a href=\"http://x.example/a\">A</a> text <!colour=red><!depth><!-- note --><!TIME=5>",
            {{.URL = "http://x.example/a", .Title = "A", .Hour = 5}}},
        LoaderCase{"a value outside 16 bits keeps the default and loses no link",
            "<a href=\"http://x.example/a\">A</a><!depth=99999><!time=7><!frequency=-40000>\r\n"
            "<a href=\"http://x.example/b\">B</a><!depth=1>",
            {{.URL = "http://x.example/a", .Title = "A", .Hour = 7},
                {.URL = "http://x.example/b", .Title = "B", .Depth = 1}}},
        LoaderCase{"a local file must be a bare name in the cache folder",
            "<a href=\"http://x.example/1\">1</a><!local=../../x>"
            "<a href=\"http://x.example/2\">2</a><!local=a/b.htm>"
            "<a href=\"http://x.example/3\">3</a><!local=..\\x.htm>"
            "<a href=\"http://x.example/4\">4</a><!local=..>"
            "<a href=\"http://x.example/5\">5</a><!local=.>"
            "<a href=\"http://x.example/6\">6</a><!local=>"
            "<a href=\"http://x.example/7\">7</a><!local=/etc/passwd>"
            "<a href=\"http://x.example/8\">8</a><!local=good.htm>",
            {{.URL = "http://x.example/1", .Title = "1"}, {.URL = "http://x.example/2", .Title = "2"},
                {.URL = "http://x.example/3", .Title = "3"}, {.URL = "http://x.example/4", .Title = "4"},
                {.URL = "http://x.example/5", .Title = "5"}, {.URL = "http://x.example/6", .Title = "6"},
                {.URL = "http://x.example/7", .Title = "7"},
                {.URL = "http://x.example/8", .Title = "8", .LocalFile = "good.htm"}}}),
    test::CaseName());

TEST_F(CatalogueFileTest, EntriesAcrossTheOldBlockBoundariesLoad)
{
    // Reading in 20,000-byte pieces once cut such entries in two.
    std::string text(19990, ' ');
    const std::size_t anchorStart = text.size();
    text += "<a href=\"http://split.example/a.htm\">Split anchor</a><!depth=4>\r\n";
    const std::string second = "<a href=\"http://split.example/b.htm\">Split tag</a>";
    text += std::string(39996 - text.size() - second.size(), ' ') + second;
    const std::size_t tagStart = text.size();
    text += "<!time=9>\r\n";
    ASSERT_LT(anchorStart, 20000u);
    ASSERT_GT(anchorStart + 40, 20000u);
    ASSERT_LT(tagStart, 40000u);
    ASSERT_GT(tagStart + 9, 40000u);

    ASSERT_TRUE(LoadText(text));
    ExpectLinks({{.URL = "http://split.example/a.htm", .Title = "Split anchor", .Depth = 4},
        {.URL = "http://split.example/b.htm", .Title = "Split tag", .Hour = 9}});
}

TEST_F(CatalogueFileTest, TenThousandLinksComeBackWithAThrottledStatus)
{
    test::Application();
    Catalogue saved;
    MemoryLinkList savedList;
    for (int n = 1; n <= 10000; ++n) {
        LinkRecord r = Record("http://host.example/page" + std::to_string(n) + ".htm", "Page " + std::to_string(n));
        r.Frequency = n % 9;
        r.Hour = n % 24;
        saved.Append(r, savedList);
    }
    std::string error;
    ASSERT_TRUE(SaveCatalogue(saved, Folder, error)) << error;

    // Events posted during the load run between links, before the load ends.
    bool ranDuringLoad = false;
    int showsWhenRan = -1;
    Events.OnReset = [&] {
        QTimer::singleShot(0, [&] {
            ranDuringLoad = true;
            showsWhenRan = Events.Shows;
        });
    };
    ASSERT_TRUE(Load(CatalogueFilePath(Folder)));

    ASSERT_EQ(Links.Count(), 10000);
    for (int i = 1; i <= 10000; ++i) {
        ASSERT_EQ(Links.At(i).URL, saved.At(i).URL);
        ASSERT_EQ(Links.At(i).Hour, saved.At(i).Hour);
    }
    EXPECT_TRUE(ranDuringLoad);
    EXPECT_EQ(showsWhenRan, 0);
    ASSERT_GE(Status.Calls.size(), 3u);
    EXPECT_LT(Status.Calls.size(), 1000u) << "the status text is repainted a few dozen times a second at most";
    EXPECT_EQ(Status.Calls[1].Status, "Loading \r\nPage 1");
    EXPECT_EQ(Status.Calls.back().Status, "Loading \r\nPage 10000");
}

TEST_F(CatalogueFileTest, FiveMegabyteLineLoads)
{
    const std::string huge(5 * 1024 * 1024, 'x');
    ASSERT_TRUE(LoadText("<a href=\"http://big.example/a\">" + huge
        + "</a><!depth=2><a href=\"http://big.example/b\">B</a>" + "<!time=3><" + huge));
    ExpectLinks({{.URL = "http://big.example/a", .Title = huge, .Depth = 2},
        {.URL = "http://big.example/b", .Title = "B", .Hour = 3}});
}

bool HasControlCharacter(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F
            || (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0))
            return true;
    }
    return false;
}

TEST_F(CatalogueFileTest, BinaryGarbageCostsNoLink)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 400);
    auto garbage = [&](bool withTagCharacters) {
        std::string bytes;
        for (int k = length(random); k > 0; --k) {
            const char c = static_cast<char>(byte(random));
            if (withTagCharacters || (c != '<' && c != '>' && c != '"'))
                bytes += c;
        }
        return bytes;
    };

    // Garbage between the lines and inside the titles, none that forms a tag of its own.
    std::string text;
    std::vector<Expect> expected;
    for (int n = 1; n <= 200; ++n) {
        const std::string url = "http://g.example/" + std::to_string(n);
        text += garbage(false) + "<a href=\"" + url + "\">T" + garbage(false) + "</a><!depth=" + std::to_string(n % 6)
            + ">" + garbage(false);
        expected.push_back({.URL = url, .Depth = n % 6});
    }
    ASSERT_TRUE(LoadText(text));
    ASSERT_EQ(Links.Count(), 200);
    for (int i = 1; i <= 200; ++i) {
        EXPECT_EQ(Links.At(i).URL, expected[static_cast<std::size_t>(i - 1)].URL);
        EXPECT_EQ(Links.At(i).Depth, expected[static_cast<std::size_t>(i - 1)].Depth);
        EXPECT_EQ(Links.At(i).Title.substr(0, 1), "T");
        EXPECT_FALSE(HasControlCharacter(Links.At(i).Title)) << i;
    }

    // Nothing but garbage, tag characters included: the load ends and every title is clean.
    std::string noise;
    while (noise.size() < 1024 * 1024)
        noise += garbage(true) + "<a href=\"http://n.example/" + garbage(true) + "\">" + garbage(true);
    ASSERT_TRUE(LoadText(noise));
    EXPECT_GT(Links.Count(), 0);
    for (const LinkRecord& r : Links.Records())
        EXPECT_FALSE(HasControlCharacter(r.Title));
    EXPECT_EQ(Status.Unloads, 2);
}

TEST_F(CatalogueFileTest, SaveFailureNamesTheFileAndKeepsTheOldOne)
{
    Catalogue links;
    MemoryLinkList list;
    for (int n = 1; n <= 1000; ++n)
        links.Append(Record("http://x.example/" + std::to_string(n), "Link " + std::to_string(n)), list);

    Folders absent{Temp.Path() + "absent/", ""};
    std::string error;
    EXPECT_FALSE(SaveCatalogue(links, absent, error));
    EXPECT_NE(error.find(Temp.Path() + "absent/tarnwick.dat"), std::string::npos) << error;

    // A full disk: the file size limit stops the writing half-way.
    const std::string old = "<a href=\"http://old.example/\">Old</a>\r\n";
    Temp.Write("tarnwick.dat", old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    const bool written = SaveCatalogue(links, Folder, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find(CatalogueFilePath(Folder)), std::string::npos) << error;
    EXPECT_EQ(Temp.Read("tarnwick.dat"), old);
    EXPECT_EQ(FileNames(Temp.Path()), std::vector<std::string>{"tarnwick.dat"})
        << "the unfinished new file must be removed";
}

struct FindBetweenCase
{
    const char* name;
    std::string text;
    std::size_t start;
    std::string open;
    std::string close;
    std::string result;
    std::size_t startAfter;
};

class FindBetweenTable : public ::testing::TestWithParam<FindBetweenCase>
{
};

TEST_P(FindBetweenTable, Find)
{
    const FindBetweenCase& row = GetParam();
    std::size_t start = row.start;
    EXPECT_EQ(FindBetween(row.text, start, row.open, row.close), row.result);
    EXPECT_EQ(start, row.startAfter);
}

INSTANTIATE_TEST_SUITE_P(Text, FindBetweenTable,
    ::testing::Values(FindBetweenCase{"tag", "ab<x>cd", 1, "<", ">", "<x>", 3},
        FindBetweenCase{"from a later start", "<a><b>", 2, "<", ">", "<b>", 4},
        FindBetweenCase{"ignores case", "x<A HREF=1>", 1, "<a href", ">", "<A HREF=1>", 2},
        FindBetweenCase{"same open and close", "a=\"http://x\" b", 1, "\"", "\"", "\"http://x\"", 3},
        FindBetweenCase{"blanks trimmed", "a b c", 1, " ", "c", "b c", 2},
        FindBetweenCase{"close searched after open", "<>", 1, "<", "<", "", 1},
        FindBetweenCase{"no close", "ab<cd", 1, "<", ">", "", 1},
        FindBetweenCase{"no open", "abc>", 1, "<", ">", "", 1}, FindBetweenCase{"empty open", "<x>", 1, "", ">", "", 1},
        FindBetweenCase{"start past the end", "<x>", 9, "<", ">", "", 9}),
    test::CaseName());

struct PrintableCase
{
    const char* name;
    std::string text;
    std::string result;
};

class PrintableTable : public ::testing::TestWithParam<PrintableCase>
{
};

TEST_P(PrintableTable, Printable)
{
    EXPECT_EQ(PrintableOnly(GetParam().text), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Text, PrintableTable,
    ::testing::Values(PrintableCase{"ASCII stays", "Hello, World! ~", "Hello, World! ~"},
        PrintableCase{"C0 controls go", "a\tb\r\nc\x01\x1F", "abc"}, PrintableCase{"DEL goes", "a\x7F", "a"},
        PrintableCase{"UTF-8 letters stay", "Straße ✓ 日本 😀", "Straße ✓ 日本 😀"},
        PrintableCase{"C1 controls go",
            "a\xC2\x80\xC2\x85"
            "b\xC2\x9F",
            "ab"},
        PrintableCase{"non-breaking space stays",
            "a\xC2\xA0"
            "b",
            "a\xC2\xA0"
            "b"},
        PrintableCase{"Windows-1252 is converted", "Caf\xE9 \x91q\x92 \x96 \xA9", "Café ‘q’ – ©"},
        PrintableCase{"unassigned Windows-1252 bytes go",
            "a\x81\x8D\x8F\x90\x9D"
            "b\xE9",
            "abé"},
        PrintableCase{"overlong form is not UTF-8", "\xC0\xAF", "À¯"},
        PrintableCase{"surrogate is not UTF-8", "\xED\xA0\x80", "í\xC2\xA0€"},
        PrintableCase{"cut sequence is not UTF-8", "ab\xE2\x9C", "abâœ"}, PrintableCase{"empty", "", ""}),
    test::CaseName());

} // namespace
} // namespace tarnwick
