#include "pages/LinkExtraction.h"

#include "testsupport/CaseName.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace tarnwick {
namespace {

using namespace std::string_view_literals;
using test::TempFolder;

// The four ways to walk a page: the free functions and the scanner, each over a text and a file.
enum class Mode
{
    TextCalls,
    FileCalls,
    TextScanner,
    FileScanner,
};
constexpr Mode AllModes[] = {Mode::TextCalls, Mode::FileCalls, Mode::TextScanner, Mode::FileScanner};

const char* ModeName(Mode mode)
{
    switch (mode) {
    case Mode::TextCalls:
        return "free functions, text mode";
    case Mode::FileCalls:
        return "free functions, file mode";
    case Mode::TextScanner:
        return "scanner, text mode";
    case Mode::FileScanner:
        return "scanner, file mode";
    }
    return "";
}

bool IsFileMode(Mode mode)
{
    return mode == Mode::FileCalls || mode == Mode::FileScanner;
}

struct Found
{
    std::string Value;
    std::int64_t Position;
    bool operator==(const Found&) const = default;
};

void PrintTo(const Found& found, std::ostream* out)
{
    *out << '"' << found.Value << "\" at " << found.Position;
}

// Every tag (or reference) of the page from start on, each with the position after it. The last
// element is the empty answer at the end; two further calls must give the same empty answer.
std::vector<Found> Walk(Mode mode, bool links, std::string_view page, const TempFolder& folder, std::int64_t start = 1)
{
    const std::string path = IsFileMode(mode) ? folder.Write("page.htm", page) : std::string();
    const std::string_view text = IsFileMode(mode) ? std::string_view() : page;
    const bool scanner = mode == Mode::TextScanner || mode == Mode::FileScanner;
    PageScanner pageScanner = IsFileMode(mode) ? PageScanner::ForFile(path, start) : PageScanner::ForText(text, start);
    std::int64_t position = start;
    auto next = [&](std::string& value) {
        if (scanner) {
            const bool found = links ? pageScanner.NextLink(value) : pageScanner.NextTag(value);
            position = pageScanner.Position();
            return found;
        }
        return links ? NextLink(path, text, position, value) : NextTag(path, text, position, value);
    };

    std::vector<Found> walk;
    std::string value = "stale";
    for (std::size_t guard = 0; guard <= page.size() + 1; ++guard) {
        const bool found = next(value);
        EXPECT_EQ(found, !value.empty());
        walk.push_back({value, position});
        if (!found)
            break;
    }
    EXPECT_TRUE(walk.back().Value.empty()) << "the walk did not end";
    for (int again = 0; again < 2; ++again) {
        value = "stale";
        EXPECT_FALSE(next(value));
        EXPECT_EQ(value, "");
        EXPECT_EQ(position, walk.back().Position) << "a call after the end moved the position";
    }
    return walk;
}

std::vector<Found> Links(Mode mode, std::string_view page, const TempFolder& folder, std::int64_t start = 1)
{
    return Walk(mode, true, page, folder, start);
}

std::vector<Found> Tags(Mode mode, std::string_view page, const TempFolder& folder, std::int64_t start = 1)
{
    return Walk(mode, false, page, folder, start);
}

struct LinkCase
{
    const char* name;
    std::string_view page;
    std::vector<std::string_view> links;
};

const LinkCase LinkCases[] = {
    {"fragment is cut off", R"(<a name=top href="Page2.htm#sec">Two</a>)", {"Page2.htm"}},
    {"fragment alone is passed over", R"(<a href="#top">Top</a><a href="next.htm">Next</a>)", {"next.htm"}},
    {"href wins over an earlier src", R"(<img src="pic.gif" href="page.htm">)", {"page.htm"}},
    {"href wins over a later src", R"(<a href="page.htm" src="pic.gif">)", {"page.htm"}},
    {"src wins over an earlier background", R"(<td background=bg.gif src=s.gif>)", {"s.gif"}},
    {"src inside lowsrc counts", R"(<img lowsrc=a.gif src=b.gif>)", {"a.gif"}},
    {"query address yields nothing", R"(<a href="cgi-bin/x?a=1">q</a><a href=ok.htm>)", {"ok.htm"}},
    {"question mark in a title yields nothing", R"(<a title="Why?" href="page.htm">)", {}},
    {"mail link in capitals yields nothing", R"(<a href="MAILTO:me@example.com">)", {}},
    {"gopher link in mixed case yields nothing", R"(<a href="GoPhEr://host/">)", {}},
    {"mailto without a colon is a name", R"(<a href="mailto.htm">)", {"mailto.htm"}},
    {"background of a body", R"(<body background="back.gif">)", {"back.gif"}},
    {"href of a style sheet link", R"(<link rel=stylesheet href=style.css>)", {"style.css"}},
    {"single quotes stay", R"(<a href='page.htm'>)", {"'page.htm'"}},
    {"line break before the quote stays", "<img src=\r\n\"b.gif\">", {"\r\nb.gif"}},
    {"keyword in capitals", R"(<A HREF="X.HTM">)", {"X.HTM"}},
    {"blank before the equals sign is not an attribute", R"(<a href = "x.htm">)", {}},
    {"blanks after the equals sign are skipped", R"(<a href=   "x.htm">)", {"x.htm"}},
    {"blank inside the quotes ends the value", R"(<a href=" x.htm">)", {}},
    {"double quotes are dropped wherever they stand", R"(<a href="x"y".htm">)", {"xy.htm"}},
    {"empty value is passed over", R"(<a href="">)", {}},
    {"value ends at the closing bracket", R"(<a href=x.htm>)", {"x.htm"}},
    {"value ends at the next blank", R"(<a href=x.htm target=_top>)", {"x.htm"}},
    {"keyword in a comment", R"(<!-- href="c.htm" -->)", {"c.htm"}},
    {"keyword inside another value", R"(<p title="src=s.gif">)", {"s.gif"}},
    {"tag without a keyword", R"(<p class=x><br>)", {}},
    {"tag over several lines keeps the line break after the value", "<a\r\nhref=\"x.htm\"\r\n>", {"x.htm\r\n"}},
    {"tag ends at the first closing bracket", R"(<a <img src=i.gif> href=x.htm>)", {"i.gif"}},
    {"closing bracket before any tag", R"(> href=x.htm <a href=y.htm>)", {"y.htm"}},
    {"opening bracket without a closing one", R"(<a href=x.htm><a href=y.htm)", {"x.htm"}},
    {"frames and images in order", R"(<frame src="f.htm"><img src=i.gif><a href=a.htm>)", {"f.htm", "i.gif", "a.htm"}},
    {"NUL bytes pass through", "<a href=\"x\0y.htm\">\0<img src=z.gif>"sv, {"x\0y.htm"sv, "z.gif"}},
    {"bytes that are not UTF-8 pass through", "<a href=\"caf\xe9\xff.htm\">", {"caf\xe9\xff.htm"}},
    {"empty page", "", {}},
    {"page without tags", "just text > and more", {}},
};

void PrintTo(const LinkCase& row, std::ostream* out)
{
    *out << row.name;
}

class LinkTable : public ::testing::TestWithParam<LinkCase>
{
};

TEST_P(LinkTable, EveryModeFindsTheReferences)
{
    const LinkCase& row = GetParam();
    TempFolder folder;
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        const std::vector<Found> walk = Links(mode, row.page, folder);
        ASSERT_EQ(walk.size(), row.links.size() + 1);
        for (std::size_t i = 0; i < row.links.size(); ++i) {
            EXPECT_EQ(walk[i].Value, row.links[i]);
            // A reference leaves the position at the closing bracket of its tag.
            ASSERT_GE(walk[i].Position, 1);
            ASSERT_LE(walk[i].Position, static_cast<std::int64_t>(row.page.size()));
            EXPECT_EQ(row.page[static_cast<std::size_t>(walk[i].Position - 1)], '>');
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LinkExtraction, LinkTable, ::testing::ValuesIn(LinkCases), test::CaseName());

TEST(LinkExtraction, TwoAnchorsInABlock)
{
    const std::string_view block = R"(<a href="one.htm">One</a> <a href="two.htm">Two</a>)";
    TempFolder folder;
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        // The empty answer at the end has walked over the last </a>, which ends the block.
        const std::vector<Found> expected = {{"one.htm", 18}, {"two.htm", 44}, {"", 51}};
        EXPECT_EQ(Links(mode, block, folder), expected);
    }
}

TEST(LinkExtraction, TagsAndTheirPositions)
{
    const std::string_view page = "x<p>\r\n<a\r\nhref=y>z<!-- < -->";
    TempFolder folder;
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        const std::vector<Found> all = {{"<p>", 4}, {"<a\r\nhref=y>", 17}, {"<!-- < -->", 28}, {"", 28}};
        EXPECT_EQ(Tags(mode, page, folder), all);
        // A start on the opening bracket finds that tag; a start inside a tag or on its closing
        // bracket finds the next one.
        EXPECT_EQ(Tags(mode, page, folder, 2)[0], all[0]);
        EXPECT_EQ(Tags(mode, page, folder, 3)[0], all[1]);
        EXPECT_EQ(Tags(mode, page, folder, 4)[0], all[1]);
        EXPECT_EQ(Tags(mode, page, folder, 20)[0], (Found{"< -->", 28}));
        // Below 1 counts as 1; the position stays as given while nothing is found.
        EXPECT_EQ(Tags(mode, page, folder, 0)[0], all[0]);
        EXPECT_EQ(Tags(mode, page, folder, -7)[0], all[0]);
        EXPECT_EQ(Tags(mode, page, folder, 28), (std::vector<Found>{{"", 28}}));
        EXPECT_EQ(Tags(mode, page, folder, 29), (std::vector<Found>{{"", 29}}));
        EXPECT_EQ(Tags(mode, page, folder, INT64_MAX), (std::vector<Found>{{"", INT64_MAX}}));
        EXPECT_EQ(Tags(mode, "", folder, 0), (std::vector<Found>{{"", 0}}));
    }
}

TEST(LinkExtraction, OpeningBracketWithoutClosingOneEndsTheScan)
{
    const std::string_view page = "<a href=x.htm> text <img src=y.gif";
    TempFolder folder;
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        EXPECT_EQ(Tags(mode, page, folder), (std::vector<Found>{{"<a href=x.htm>", 14}, {"", 14}}));
        EXPECT_EQ(Links(mode, page, folder, 15), (std::vector<Found>{{"", 15}}));
    }
}

TEST(LinkExtraction, TextPositionsBeyondSixteenBits)
{
    std::string page(100000, ' ');
    page += "<a href=far.htm>";
    TempFolder folder;
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        EXPECT_EQ(Links(mode, page, folder), (std::vector<Found>{{"far.htm", 100016}, {"", 100016}}));
        EXPECT_EQ(Links(mode, page, folder, 99000), (std::vector<Found>{{"far.htm", 100016}, {"", 100016}}));
    }
}

TEST(LinkExtraction, SourceGivenNeitherOrBothWays)
{
    TempFolder folder;
    const std::string path = folder.Write("page.htm", "<a href=x.htm>");
    std::string out = "stale";
    std::int64_t position = 1;
    EXPECT_FALSE(NextTag(path, "<a href=x.htm>", position, out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(NextLink(path, "<a href=x.htm>", position, out));
    EXPECT_FALSE(NextTag("", "", position, out));
    EXPECT_FALSE(NextLink("", "", position, out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(position, 1);
}

TEST(LinkExtraction, FileThatCannotBeReadYieldsNothing)
{
    TempFolder folder;
    const std::string missing = folder.File("missing.htm");
    const std::string pipe = folder.File("pipe.htm");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {missing, folder.Path(), pipe}) {
        SCOPED_TRACE(path);
        std::string out = "stale";
        std::int64_t position = 3;
        EXPECT_FALSE(NextLink(path, "", position, out));
        EXPECT_FALSE(NextTag(path, "", position, out));
        EXPECT_EQ(out, "");
        EXPECT_EQ(position, 3);
        PageScanner scanner = PageScanner::ForFile(path, 3);
        EXPECT_FALSE(scanner.NextLink(out));
        EXPECT_EQ(scanner.Position(), 3);
    }
    struct stat info = {};
    EXPECT_NE(::stat(missing.c_str(), &info), 0) << "the missing file was created";
}

TEST(LinkExtraction, MovedScannerGoesOn)
{
    TempFolder folder;
    const std::string path = folder.Write("page.htm", "<a href=1.htm><a href=2.htm><a href=3.htm>");
    PageScanner first = PageScanner::ForFile(path, 0);
    std::string link;
    ASSERT_TRUE(first.NextLink(link));
    PageScanner second = std::move(first);
    EXPECT_TRUE(second.NextLink(link));
    EXPECT_EQ(link, "2.htm");
    first = PageScanner::ForText("<img src=t.gif>", 1);
    EXPECT_TRUE(first.NextLink(link));
    EXPECT_EQ(link, "t.gif");
    EXPECT_TRUE(second.NextLink(link));
    EXPECT_EQ(link, "3.htm");
    EXPECT_EQ(second.Position(), 42);
}

// A page of the tags a crawl meets, with a tag across every multiple of 4 KiB: the reader's windows
// are powers of two from 4 KiB on, so each of their boundaries falls inside, just before or just
// after a tag, and some tags span several windows.
std::string GeneratedPage(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    auto pick = [&random](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    auto tag = [&]() -> std::string {
        const std::string n = std::to_string(pick(1000));
        switch (pick(14)) {
        case 0:
            return "<a href=\"page" + n + ".htm\">";
        case 1:
            return "<A HREF=page" + n + ".htm#part>";
        case 2:
            return "<img src=\"img" + n + ".gif\" alt=\"picture\" width=120 height=80>";
        case 3:
            return "<img lowsrc=low" + n + ".gif src=high.gif>";
        case 4:
            return "<p class=\"text\">";
        case 5:
            return "</a>";
        case 6:
            return "<!-- comment href=c" + n + ".htm -->";
        case 7:
            return "<a href=\"find.cgi?q=" + n + "\">";
        case 8:
            return "<a href=\"mailto:x" + n + "@example.com\">";
        case 9:
            return "<body background=\"bg" + n + ".gif\">";
        case 10:
            return "<td\r\nbackground=\r\n\"cell" + n + ".gif\">";
        case 11:
            return "<a href='q" + n + ".htm' title=\"" + std::string(pick(600), 'w') + "\">";
        case 12:
            return "<img alt=\"" + std::string(pick(100) == 0 ? 70000 : 300, 'z') + "\" src=long" + n + ".gif>";
        default:
            return "<a href=\"#top\">";
        }
    };
    const char* const texts[] = {"Some text. ", "\r\n", " a > b ", "", "More words here, and more.\r\n"};

    std::string page;
    std::size_t boundary = 4096;
    std::size_t variant = 0;
    while (page.size() < size) {
        const std::string next = tag();
        if (page.size() + next.size() + 64 >= boundary) {
            // How much of the tag stands before the boundary: none, its '<', all but its '>', all.
            const std::size_t kept[] = {0, 1, next.size() / 2, next.size() - 1, next.size()};
            const std::size_t before = kept[variant++ % std::size(kept)];
            while (boundary < page.size() + before)
                boundary += 4096;
            page.append(boundary - before - page.size(), ' ');
            page += next;
            boundary += 4096;
            continue;
        }
        page += next;
        page += texts[pick(std::size(texts))];
    }
    page += "<a href=unfinished.htm";
    return page;
}

TEST(LinkExtraction, ScannerAgreesWithTheFreeFunctions)
{
    const std::string page = GeneratedPage(600 * 1024, 20240611);
    TempFolder folder;

    const std::vector<Found> tags = Tags(Mode::FileCalls, page, folder);
    ASSERT_GT(tags.size(), 4000u);
    EXPECT_EQ(Tags(Mode::FileScanner, page, folder), tags);
    EXPECT_EQ(Tags(Mode::TextCalls, page, folder), tags);
    EXPECT_EQ(Tags(Mode::TextScanner, page, folder), tags);

    const std::vector<Found> links = Links(Mode::FileCalls, page, folder);
    ASSERT_GT(links.size(), 2000u);
    EXPECT_EQ(Links(Mode::FileScanner, page, folder), links);
    EXPECT_EQ(Links(Mode::TextCalls, page, folder), links);
    EXPECT_EQ(Links(Mode::TextScanner, page, folder), links);

    // From other starts the windows fall elsewhere; the answers must still agree.
    for (const std::int64_t start : {2, 4000, 4097, 65537, 300001}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(Links(Mode::FileScanner, page, folder, start), Links(Mode::TextCalls, page, folder, start));
    }
}

TEST(LinkExtraction, ArbitraryBytes)
{
    std::mt19937 random(7);
    std::string bytes(256 * 1024, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() % 4 == 0 ? "<>=\"?: #"[random() % 8] : random());
    TempFolder folder;
    const std::vector<Found> links = Links(Mode::TextCalls, bytes, folder);
    EXPECT_EQ(Links(Mode::FileCalls, bytes, folder), links);
    EXPECT_EQ(Links(Mode::FileScanner, bytes, folder), links);
    EXPECT_EQ(Tags(Mode::FileScanner, bytes, folder), Tags(Mode::TextCalls, bytes, folder));
}

TEST(LinkExtraction, HugePagesAndTags)
{
    constexpr std::size_t TenMegabytes = 10 * 1024 * 1024;
    TempFolder folder;

    // One line of small tags without references: a single call walks all of them.
    std::string line;
    line.reserve(TenMegabytes + 32);
    while (line.size() < TenMegabytes)
        line += "<b>";
    line += "<a href=end.htm>";
    const auto lineEnd = static_cast<std::int64_t>(line.size());
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        EXPECT_EQ(Links(mode, line, folder), (std::vector<Found>{{"end.htm", lineEnd}, {"", lineEnd}}));
    }

    // An opening bracket followed by ten megabytes of text and opening brackets, never closed.
    std::string open = "<";
    open.append(TenMegabytes / 2, 'x');
    open.append(TenMegabytes / 2, '<');
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        EXPECT_EQ(Tags(mode, open, folder), (std::vector<Found>{{"", 1}}));
    }

    // A ten-megabyte tag.
    std::string huge = "<a href=x.htm title=\"";
    huge.append(TenMegabytes, 'y');
    huge += "\">";
    const auto hugeEnd = static_cast<std::int64_t>(huge.size());
    for (const Mode mode : AllModes) {
        SCOPED_TRACE(ModeName(mode));
        EXPECT_EQ(Links(mode, huge + "<img src=after.gif>", folder),
            (std::vector<Found>{{"x.htm", hugeEnd}, {"after.gif", hugeEnd + 19}, {"", hugeEnd + 19}}));
        const std::vector<Found> tags = Tags(mode, huge, folder);
        ASSERT_EQ(tags.size(), 2u);
        EXPECT_TRUE(tags[0].Value == huge);
    }
}

} // namespace
} // namespace tarnwick
