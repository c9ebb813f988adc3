#include "retrieval/AliasMap.h"

#include "support/Files.h"
#include "testsupport/CaseName.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace tarnwick {
namespace {

using namespace std::string_literals;
using test::TempFolder;

std::string Line(const std::string& url, const std::string& fileName)
{
    return "\"" + url + "\",\"" + fileName + "\"\r\n";
}

TEST(AliasMap, AddCreatesTheFileAndLookupReadsItBack)
{
    TempFolder folder;
    const std::string map = folder.File("alias.dat");
    AliasEntry current;
    ASSERT_TRUE(AddAlias(map, "http://host/a.html", "qmzkbtra.htm", current));
    EXPECT_EQ(current.URL, "http://host/a.html");
    EXPECT_EQ(current.FileName, "qmzkbtra.htm");
    ASSERT_TRUE(AddAlias(map, "http://host/b.gif", "hhwocnap.gif", current));
    EXPECT_EQ(folder.Read("alias.dat"),
        Line("http://host/a.html", "qmzkbtra.htm") + Line("http://host/b.gif", "hhwocnap.gif"));

    current = {};
    EXPECT_TRUE(LookupAlias(map, "http://host/a.html", current));
    EXPECT_EQ(current.URL, "http://host/a.html");
    EXPECT_EQ(current.FileName, "qmzkbtra.htm");
    EXPECT_TRUE(LookupAlias(map, "http://host/b.gif", current));
    EXPECT_EQ(current.FileName, "hhwocnap.gif");
}

TEST(AliasMap, MissingFileFindsNothingAndStaysMissing)
{
    TempFolder folder;
    AliasEntry current{"stale", "stale.htm"};
    EXPECT_FALSE(LookupAlias(folder.File("alias.dat"), "http://host/", current));
    EXPECT_EQ(current.URL, "");
    EXPECT_EQ(current.FileName, "");
    EXPECT_FALSE(FileExists(folder.File("alias.dat")));
}

struct LookupCase
{
    const char* name;
    std::string map; // contents of alias.dat
    std::string url;
    std::string fileName; // "" when nothing is found
};

void PrintTo(const LookupCase& row, std::ostream* out)
{
    *out << row.name;
}

class LookupTest : public ::testing::TestWithParam<LookupCase>
{
};

TEST_P(LookupTest, FindsTheFirstLineWhoseUrlIsExactlyTheOne)
{
    const LookupCase& row = GetParam();
    TempFolder folder;
    const std::string map = folder.Write("alias.dat", row.map);
    AliasEntry current{"stale", "stale.htm"};
    EXPECT_EQ(LookupAlias(map, row.url, current), !row.fileName.empty());
    EXPECT_EQ(current.FileName, row.fileName);
    EXPECT_EQ(current.URL, row.fileName.empty() ? "" : row.url);

    AliasIndex index; // the run's in-memory index answers the same
    AliasEntry indexed{"stale", "stale.htm"};
    EXPECT_EQ(index.Lookup(map, row.url, indexed), !row.fileName.empty());
    EXPECT_EQ(indexed.FileName, row.fileName);
}

const LookupCase LookupCases[] = {
    {"first line counts", Line("http://h/a", "first.htm") + Line("http://h/a", "second.htm"), "http://h/a",
        "first.htm"},
    {"case differs", Line("http://h/A.html", "a.htm"), "http://h/a.html", ""},
    {"prefix of a stored URL", Line("http://h/a.html", "a.htm"), "http://h/a", ""},
    {"stored URL is a prefix", Line("http://h/a", "a.htm"), "http://h/a.html", ""},
    {"URL only as a file name", Line("http://h/a", "b.htm"), "b.htm", ""},
    {"file name of an earlier line", Line("u1", "u2") + Line("u2", "f2.htm"), "u2", "f2.htm"},
    {"pieces of two fields", Line("a", "b") + Line(",", "comma.htm"), ",", "comma.htm"},
    {"empty URL", Line("http://h/", "x.htm") + Line("", "empty.htm"), "", "empty.htm"},
    {"NUL inside the URL", Line("http://h/a\0b"s, "nul.htm"), "http://h/a\0b"s, "nul.htm"},
    {"NUL ends nothing", Line("http://h/a\0b"s, "nul.htm"), "http://h/a", ""},
    {"quote in URL", Line("http://h/a", "b.htm"), "http://h/a\",\"b.htm", ""},
    {"second field missing", "\"http://h/a\"\r\n" + Line("x", "y.htm"), "http://h/a", ""},
    {"name not closed at the end", "\"http://h/a\",\"abc", "http://h/a", ""},
    {"name not closed on its line", "\"http://h/a\",\"abc\r\n\"x\",\"y.htm\"\r\n", "http://h/a", ""},
    {"name leaving the cache folder", Line("http://h/a", "../../etc/passwd"), "http://h/a", ""},
    {"empty name", Line("http://h/a", ""), "http://h/a", ""},
    {"empty file", "", "http://h/a", ""},
};

INSTANTIATE_TEST_SUITE_P(Alias, LookupTest, ::testing::ValuesIn(LookupCases), test::CaseName());

TEST(AliasMap, RefusesLinesThatWouldNotReadBack)
{
    TempFolder folder;
    const std::string map = folder.File("alias.dat");
    AliasEntry current;
    EXPECT_FALSE(AddAlias(map, "http://h/a\"b", "a.htm", current));
    EXPECT_FALSE(AddAlias(map, "http://h/a\r\n\"x", "a.htm", current));
    EXPECT_FALSE(AddAlias(map, "http://h/a", "", current));
    EXPECT_FALSE(AddAlias(map, "http://h/a", "../a.htm", current));
    EXPECT_FALSE(AddAlias(map, "http://h/a", "..\\a.htm", current));
    EXPECT_FALSE(AddAlias(map, "http://h/a", "a\0.htm"s, current));
    EXPECT_FALSE(AddAlias(map, "http://h/a", "a.htm\",\"b", current));
    EXPECT_FALSE(FileExists(map));
    EXPECT_FALSE(AddAlias(folder.File("missing/alias.dat"), "http://h/a", "a.htm", current));
}

TEST(AliasMap, LongEntriesAcrossReadWindows)
{
    TempFolder folder;
    const std::string map = folder.File("alias.dat");
    AliasEntry current;
    // Entries longer than the search window, and a name longer than one field read.
    const std::string longUrl = "http://h/" + std::string(70000, 'p');
    const std::string longName = std::string(3000, 'n') + ".htm";
    ASSERT_TRUE(AddAlias(map, longUrl + "1", "one.htm", current));
    ASSERT_TRUE(AddAlias(map, longUrl, longName, current));
    ASSERT_TRUE(AddAlias(map, "http://h/short", "short.htm", current));
    EXPECT_TRUE(LookupAlias(map, longUrl, current));
    EXPECT_EQ(current.FileName, longName);
    EXPECT_TRUE(LookupAlias(map, "http://h/short", current));
    EXPECT_EQ(current.FileName, "short.htm");
    EXPECT_FALSE(LookupAlias(map, longUrl + "2", current));
}

TEST(AliasMap, TheIndexFollowsTheFile)
{
    TempFolder folder;
    const std::string map = folder.File("alias.dat");
    AliasIndex index;
    AliasEntry current;
    EXPECT_FALSE(index.Lookup(map, "http://h/a", current));
    ASSERT_TRUE(AddAlias(map, "http://h/a", "a.htm", current));
    ASSERT_TRUE(AddAlias(map, "http://h/b", "b.htm", current));
    EXPECT_TRUE(index.Lookup(map, "http://h/b", current));
    EXPECT_EQ(current.FileName, "b.htm");
    // An appended line, then a line still being written, which counts once it is whole.
    ASSERT_TRUE(AddAlias(map, "http://h/a", "later.htm", current));
    folder.Write("alias.dat", folder.Read("alias.dat") + "\"http://h/c\",\"c.h");
    EXPECT_FALSE(index.Lookup(map, "http://h/c", current));
    folder.Write("alias.dat", folder.Read("alias.dat") + "tm\"\r\n");
    EXPECT_TRUE(index.Lookup(map, "http://h/c", current));
    EXPECT_EQ(current.FileName, "c.htm");
    EXPECT_TRUE(index.Lookup(map, "http://h/a", current));
    EXPECT_EQ(current.FileName, "a.htm");
    // A new run deletes the map: the index starts over.
    DeleteFile(map);
    EXPECT_FALSE(index.Lookup(map, "http://h/a", current));
    ASSERT_TRUE(AddAlias(map, "http://h/x", "x.htm", current));
    EXPECT_FALSE(index.Lookup(map, "http://h/a", current));
    EXPECT_TRUE(index.Lookup(map, "http://h/x", current));
}

TEST(AliasMap, LastOfTenThousandEntries)
{
    TempFolder folder;
    std::string contents;
    for (int i = 0; i < 10000; ++i)
        contents += Line("http://www.example.com/dir/page" + std::to_string(i) + ".html", "f" + std::to_string(i));
    const std::string map = folder.Write("alias.dat", contents);
    AliasEntry current;
    EXPECT_TRUE(LookupAlias(map, "http://www.example.com/dir/page9999.html", current));
    EXPECT_EQ(current.FileName, "f9999");
    EXPECT_TRUE(LookupAlias(map, "http://www.example.com/dir/page0.html", current));
    EXPECT_EQ(current.FileName, "f0");
    EXPECT_FALSE(LookupAlias(map, "http://www.example.com/dir/page10000.html", current));
}

} // namespace
} // namespace tarnwick
