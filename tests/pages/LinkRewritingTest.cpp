// Rewriting stored pages for offline reading: which bytes change and which never do.

#include "pages/LinkRewriting.h"

#include "support/Files.h"
#include "support/Text.h"
#include "testsupport/CaseName.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {
namespace {

using namespace std::string_literals;

constexpr char PageURL[] = "http://site.test/d/page.htm";
constexpr char PageName[] = "pagepage.htm";

class Rewriting : public ::testing::Test
{
protected:
    Rewriting()
    {
        state.Folder.Base = folder.Path();
        state.Folder.Cache = folder.Path() + "cache/";
        std::filesystem::create_directories(state.Folder.Cache);
    }

    // Stores a file in the cache and lists it in the alias map.
    void Store(const std::string& url, const std::string& name, const std::string& bytes)
    {
        folder.Write("cache/" + name, bytes);
        aliasMap += "\"" + url + "\",\"" + name + "\"\r\n";
        folder.Write("alias.dat", aliasMap);
    }

    // The fetched files every row can point at, and the page under test; {A} and {PIC} in
    // `expected` stand for the local addresses of a.htm and pic.gif.
    void StoreSite(const std::string& page)
    {
        Store(PageURL, PageName, page);
        Store("http://site.test/d/a.htm", "aaaaaaaa.htm", "<p>a</p>");
        Store("http://site.test/pic.gif", "picturex.gif", "GIF89a");
    }

    std::string Expand(std::string text) const
    {
        ReplaceAll(text, "{A}", LocalAddress(state.Folder.Cache, "aaaaaaaa.htm"));
        ReplaceAll(text, "{PIC}", LocalAddress(state.Folder.Cache, "picturex.gif"));
        return text;
    }

    std::string Stored(const std::string& name) const { return folder.Read("cache/" + name); }

    static std::string BaseLine(const std::string& url) { return "<base href=\"" + url + "\">\r\n"; }

    test::TempFolder folder;
    ProgramState state;
    test::RecordingStatusDisplay display;
    std::string aliasMap;
};

struct RewriteCase
{
    std::string name;
    std::string page; // the stored page before the rewrite
    std::string expected; // after it, without the base line
};

void PrintTo(const RewriteCase& row, std::ostream* out)
{
    *out << row.name;
}

// A page whose tag <a href="a.htm"> has the byte at offset `boundary` (from 0) inside its reference.
RewriteCase TagAcross(std::size_t boundary, const std::string& what)
{
    const std::string before(boundary - 11, 'x');
    const std::string after = "</a>" + std::string(300, 'y');
    return {"tag across " + what, before + "<a href=\"a.htm\">" + after, before + "<a href=\"{A}\">" + after};
}

std::vector<RewriteCase> RewriteCases()
{
    std::string lines;
    while (lines.size() < 25'000)
        lines += std::string(78, 'l') + "\r\n";
    const std::string longTitle(70'000, 't');

    std::vector<RewriteCase> rows{
        {"anchor to a fetched page", "<a href=\"a.htm\">A</a>", "<a href=\"{A}\">A</a>"},
        {"image one folder up", "<img src=\"../pic.gif\">", "<img src=\"{PIC}\">"},
        {"root-relative image", "<img src=\"/pic.gif\">", "<img src=\"{PIC}\">"},
        {"absolute address of a fetched file", "<img src=\"http://site.test/pic.gif\">", "<img src=\"{PIC}\">"},
        {"keyword in capitals, value unquoted", "<IMG SRC=../pic.gif WIDTH=1>", "<IMG SRC={PIC} WIDTH=1>"},
        {"background attribute", "<body background=\"../pic.gif\">", "<body background=\"{PIC}\">"},
        {"blanks before the value", "<a href=  \"a.htm\">", "<a href=  \"{A}\">"},
        {"fragment stays after the local address", "<a href=\"a.htm#sec\">", "<a href=\"{A}#sec\">"},
        {"same file twice", "<a href=\"a.htm\"><img src=\"../pic.gif\"><a href=\"a.htm\">",
            "<a href=\"{A}\"><img src=\"{PIC}\"><a href=\"{A}\">"},
        {"visible text before the tag names the reference", "<p>see a.htm or A.HTM</p>\r\n<a href=\"a.htm\">",
            "<p>see a.htm or A.HTM</p>\r\n<a href=\"{A}\">"},
        {"another attribute of the tag names the reference", "<a title=\"a.htm\" href=\"a.htm\">",
            "<a title=\"a.htm\" href=\"{A}\">"},
        {"reference not fetched", "<a href=\"b.htm\"><img src=\"http://other.test/pic.gif\"><a href=\"A.HTM\">",
            "<a href=\"b.htm\"><img src=\"http://other.test/pic.gif\"><a href=\"A.HTM\">"},
        {"tags the extraction passes over", "<a href=\"a.htm?x=1\"><a href=\"mailto:a.htm\"><a href=\"#a.htm\">",
            "<a href=\"a.htm?x=1\"><a href=\"mailto:a.htm\"><a href=\"#a.htm\">"},
        {"reference cut by a quote inside it", "<a href=\"a\".htm>", "<a href=\"a\".htm>"},
        {"every other byte kept", "<HTML>\r\n<P>x\n\t<img src=\"../pic.gif\">\r\r\n\xff\xfe"s + '\0' + "end\n",
            "<HTML>\r\n<P>x\n\t<img src=\"{PIC}\">\r\r\n\xff\xfe"s + '\0' + "end\n"},
        {"a '<' without '>' at the end", "<a href=\"a.htm\">x</a><img src=\"a.htm\"",
            "<a href=\"{A}\">x</a><img src=\"a.htm\""},
        {"empty page", "", ""},
        {"25,000 bytes in lines: no line break added", lines + "<a href=\"a.htm\">" + lines,
            lines + "<a href=\"{A}\">" + lines},
        {"25,000 bytes without a line break", std::string(25'000, 'z') + "<a href=\"a.htm\">",
            std::string(25'000, 'z') + "<a href=\"{A}\">"},
        {"tag longer than 64 KiB", "<a title=\"" + longTitle + "\" href=\"a.htm\">x",
            "<a title=\"" + longTitle + "\" href=\"{A}\">x"},
    };
    // The blocks of 10,000 bytes of the page's first readers, the 64 KiB copy buffer, and the
    // scanner's growing read windows (4 KiB doubling to 64 KiB).
    for (const auto& [boundary, what] :
        std::vector<std::pair<std::size_t, std::string>>{{10'000, "byte 10,000"}, {20'000, "byte 20,000"},
            {65'536, "64 KiB"}, {131'072, "128 KiB"}, {4'096, "read window 1 end"}, {12'288, "read window 2 end"},
            {28'672, "read window 3 end"}, {61'440, "read window 4 end"}, {126'976, "read window 5 end"}})
        rows.push_back(TagAcross(boundary, what));
    return rows;
}

class RewriteTable : public Rewriting, public ::testing::WithParamInterface<RewriteCase>
{
};

TEST_P(RewriteTable, ChangesOnlyTheBaseLineAndTheFetchedReferences)
{
    const RewriteCase& row = GetParam();
    StoreSite(row.page);
    UpdateLinks(state, display);
    const std::string stored = Stored(PageName);
    // A failure on a large page names the first difference rather than printing both pages.
    const std::string expected = BaseLine(PageURL) + Expand(row.expected);
    std::size_t at = 0;
    while (at < stored.size() && at < expected.size() && stored[at] == expected[at])
        ++at;
    EXPECT_TRUE(at == stored.size() && at == expected.size())
        << "first difference at byte " << at << " of " << stored.size() << ": \"" << stored.substr(at, 60)
        << "\" instead of \"" << expected.substr(at, 60) << "\"";
}

INSTANTIATE_TEST_SUITE_P(LinkRewriting, RewriteTable, ::testing::ValuesIn(RewriteCases()), test::CaseName());

TEST_F(Rewriting, EveryStoredPageOfTheMapIsRewrittenWithItsOwnAddress)
{
    StoreSite("<a href=\"a.htm\">");
    UpdateLinks(state, display);
    EXPECT_EQ(Stored("aaaaaaaa.htm"), BaseLine("http://site.test/d/a.htm") + "<p>a</p>");
    EXPECT_EQ(Stored("picturex.gif"), "GIF89a");
    EXPECT_EQ(folder.Read("temp.dat"), aliasMap) << "the copy of the map stays";
    EXPECT_FALSE(FileExists(state.Folder.Cache + "Tarnwick.TMP"));

    std::vector<std::string> statuses;
    for (const auto& shown : display.Calls) {
        EXPECT_EQ(shown.Caption, "Download Status");
        EXPECT_FALSE(shown.Button);
        statuses.push_back(shown.Status);
    }
    EXPECT_EQ(statuses,
        (std::vector<std::string>{"Updating Links In \r\n" + state.Folder.Cache + PageName + "\r\n",
            "Updating Links In \r\n" + state.Folder.Cache + "aaaaaaaa.htm\r\n"}));
}

TEST_F(Rewriting, FilesThatAreNotPagesAreNeverOpened)
{
    StoreSite("<a href=\"a.htm\">");
    // They hold what would be rewritten in a page.
    Store("http://site.test/n.txt", "notesnot.txt", "<a href=\"d/a.htm\">");
    Store("http://site.test/p.gif", "pictured.gif", "<img src=\"pic.gif\">");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (const char* name : {"notesnot.txt", "pictured.gif", "picturex.gif"})
        ASSERT_GE(::inotify_add_watch(watch, (state.Folder.Cache + name).c_str(), IN_OPEN | IN_ACCESS | IN_MODIFY), 0);

    UpdateLinks(state, display);

    // Opening a watched file queues an event at once; none may be waiting.
    char events[4096];
    EXPECT_EQ(::read(watch, events, sizeof events), -1) << "a file that is not a page was opened";
    ::close(watch);
    EXPECT_EQ(Stored("notesnot.txt"), "<a href=\"d/a.htm\">");
    EXPECT_EQ(Stored("pictured.gif"), "<img src=\"pic.gif\">");
    EXPECT_EQ(Stored(PageName), BaseLine(PageURL) + Expand("<a href=\"{A}\">"));
}

TEST_F(Rewriting, ASecondPassAddsASecondBaseLineAndChangesNothingElse)
{
    StoreSite("<a href=\"a.htm\"><a href=\"b.htm\">");
    UpdateLinks(state, display);
    UpdateLinks(state, display);
    // A base element keeps its web address, so the second pass only adds its own line.
    EXPECT_EQ(Stored(PageName), BaseLine(PageURL) + BaseLine(PageURL) + Expand("<a href=\"{A}\"><a href=\"b.htm\">"));
}

TEST_F(Rewriting, WithoutAnAliasMapNothingHappensAndNothingIsShown)
{
    folder.Write("cache/" + std::string(PageName), "<a href=\"a.htm\">");
    UpdateLinks(state, display);
    EXPECT_EQ(Stored(PageName), "<a href=\"a.htm\">");
    EXPECT_TRUE(display.Calls.empty());
    EXPECT_TRUE(display.ReceivingTexts.empty());
    EXPECT_FALSE(FileExists(folder.File("temp.dat")));
}

TEST_F(Rewriting, APageMissingFromTheCacheIsPassedOver)
{
    StoreSite("<a href=\"a.htm\">");
    Store("http://site.test/gone.htm", "gonegone.htm", "");
    std::filesystem::remove(state.Folder.Cache + "gonegone.htm");
    UpdateLinks(state, display);
    EXPECT_FALSE(std::filesystem::exists(state.Folder.Cache + "gonegone.htm"));
    EXPECT_EQ(Stored(PageName), BaseLine(PageURL) + Expand("<a href=\"{A}\">"));
    EXPECT_EQ(display.Calls.size(), 2u);
}

struct AddressCase
{
    std::string name;
    std::string cacheFolder;
    std::string fileName;
    std::string address;
};

void PrintTo(const AddressCase& row, std::ostream* out)
{
    *out << row.name;
}

class LocalAddressTable : public ::testing::TestWithParam<AddressCase>
{
};

TEST_P(LocalAddressTable, EncodesWhatAViewerWouldMisread)
{
    EXPECT_EQ(LocalAddress(GetParam().cacheFolder, GetParam().fileName), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(LinkRewriting, LocalAddressTable,
    ::testing::Values(AddressCase{"plain folder", "/home/u/.tarnwick/cache/", "qmzkbtra.htm",
                          "file:///home/u/.tarnwick/cache/qmzkbtra.htm"},
        AddressCase{"blank", "/home/u/my cache/", "a.gif", "file:///home/u/my%20cache/a.gif"},
        AddressCase{"number sign", "/tmp/c#/", "a.gif", "file:///tmp/c%23/a.gif"},
        AddressCase{"question mark", "/tmp/why?/", "a.gif", "file:///tmp/why%3F/a.gif"},
        AddressCase{"percent sign first", "/tmp/100%20/", "a.gif", "file:///tmp/100%2520/a.gif"},
        AddressCase{"other characters stay", "/tmp/a&b:c~é/", "a-b_c.gif", "file:///tmp/a&b:c~é/a-b_c.gif"}),
    test::CaseName());

} // namespace
} // namespace tarnwick
