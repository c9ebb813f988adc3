#include "retrieval/CacheNaming.h"

#include "testsupport/CaseName.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <string>

namespace tarnwick {
namespace {

using namespace std::string_literals;
using test::TempFolder;

bool IsRandomPart(std::string_view name)
{
    return name.size() == 8 && name.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string_view::npos;
}

struct ExtensionCase
{
    const char* name;
    std::string path;
    std::string extension;
};

void PrintTo(const ExtensionCase& row, std::ostream* out)
{
    *out << row.name;
}

class ExtensionOfTest : public ::testing::TestWithParam<ExtensionCase>
{
};

TEST_P(ExtensionOfTest, TakesTheTextAfterTheLastDot)
{
    EXPECT_EQ(ExtensionOf(GetParam().path), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Extension, ExtensionOfTest,
    ::testing::Values(ExtensionCase{"plain", "pic.GIF", "GIF"}, ExtensionCase{"relative path", "../a/b.html", "html"},
        ExtensionCase{"no dot", "a/b/", ""}, ExtensionCase{"no dot after scheme", "http://host/dir/", ""},
        ExtensionCase{"dot in host name", "http://www.example.com/", "com/"},
        ExtensionCase{"dot in folder name", "c:\\dir.x\\file", "x\\file"},
        ExtensionCase{"fragment follows", "page.html#top", "html#top"}, ExtensionCase{"dot last", "name.", ""},
        ExtensionCase{"empty", "", ""}, ExtensionCase{"colon alone", ":", ""},
        ExtensionCase{"second colon kept", "a:b.c:d", "c:d"}),
    test::CaseName());

struct CacheNameCase
{
    const char* name;
    std::string reference;
    std::string extension;
};

void PrintTo(const CacheNameCase& row, std::ostream* out)
{
    *out << row.name;
}

class NewCacheNameTest : public ::testing::TestWithParam<CacheNameCase>
{
};

TEST_P(NewCacheNameTest, IsEightLettersADotAndASafeExtension)
{
    TempFolder folder;
    const std::string name = NewCacheName(GetParam().reference, folder.Path());
    ASSERT_GT(name.size(), 9u);
    EXPECT_TRUE(IsRandomPart(std::string_view(name).substr(0, 8))) << name;
    EXPECT_EQ(name[8], '.');
    EXPECT_EQ(name.substr(9), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(CacheNaming, NewCacheNameTest,
    ::testing::Values(CacheNameCase{"upper case", "pic.GIF", "gif"}, CacheNameCase{"html cut", "../a/b.html", "htm"},
        CacheNameCase{"jpeg", "photo.jpeg", "jpg"}, CacheNameCase{"upper case JPEG is only cut", "photo.JPEG", "jpe"},
        CacheNameCase{"no dot", "a/b/", "htm"}, CacheNameCase{"folder URL", "http://host/dir/", "htm"},
        CacheNameCase{"dotted host and bare path", "http://www.example.com/", "com"},
        CacheNameCase{"fragment cut off", "page.html#top", "htm"}, CacheNameCase{"slash", "x.a/b", "a_b"},
        CacheNameCase{"backslash", "x.a\\b", "a_b"}, CacheNameCase{"dot dot slash", "x../", "_"},
        CacheNameCase{"NUL byte", "x.a\0b"s, "a_b"}, CacheNameCase{"query mark", "x.?q", "_q"},
        CacheNameCase{"percent", "x.%41", "_41"}, CacheNameCase{"quote and line break", "x.\"\r\n", "___"},
        CacheNameCase{"invalid UTF-8", "x.\xc3\xff", "__"}, CacheNameCase{"digits kept", "a.mp3", "mp3"}),
    test::CaseName());

TEST(CacheNaming, SeededGeneratorsDrawTheSameLetters)
{
    std::mt19937 first(7);
    std::mt19937 second(7);
    std::set<char> letters;
    for (int i = 0; i < 200; ++i) {
        const std::string name = RandomName(first);
        EXPECT_EQ(name, RandomName(second));
        ASSERT_TRUE(IsRandomPart(name)) << name;
        letters.insert(name.begin(), name.end());
    }
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_NE(RandomName(), RandomName());
}

TEST(CacheNaming, DrawsAgainWhileTheNameIsTaken)
{
    TempFolder folder;
    std::mt19937 peek(42);
    const std::string taken = RandomName(peek) + ".gif";
    const std::string secondDraw = RandomName(peek) + ".gif";
    const std::string thirdDraw = RandomName(peek) + ".gif";

    std::mt19937 fresh(42);
    EXPECT_EQ(NewCacheName("pic.gif", folder.Path(), fresh), taken);

    folder.Write(taken, "x");
    std::mt19937 generator(42);
    EXPECT_EQ(NewCacheName("pic.gif", folder.Path(), generator), secondDraw);

    folder.Write(secondDraw, "x");
    std::mt19937 again(42);
    EXPECT_EQ(NewCacheName("pic.GIF", folder.Path(), again), thirdDraw);
}

TEST(CacheNaming, LongAndOddReferences)
{
    TempFolder folder;
    const std::string longName = std::string(50000, 'a') + "." + std::string(50000, 'b');
    EXPECT_EQ(NewCacheName(longName, folder.Path()).substr(8), ".bbb");
    EXPECT_EQ(NewCacheName("", folder.Path()).substr(8), ".htm");
    EXPECT_EQ(NewCacheName("://", folder.Path()).substr(8), ".htm");
    EXPECT_EQ(NewCacheName("c:\\dir.x\\file", folder.Path()).substr(8), ".x_f");
}

} // namespace
} // namespace tarnwick
