#include "support/Text.h"

#include "testsupport/CaseName.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(Text, FindLastHonoursSkipAndIgnoresCase)
{
    EXPECT_EQ(FindLast(1, "a/b/c/", "/"), 6u);
    EXPECT_EQ(FindLast(2, "a/b/c/", "/"), 4u);
    EXPECT_EQ(FindLast(1, "Index.HTM", ".htm"), 6u);
    EXPECT_EQ(FindLast(1, "ab", "abc"), 0u);
    EXPECT_EQ(FindLast(2, "/", "/"), 0u);
    EXPECT_EQ(FindLast(1, "", "/"), 0u);
}

TEST(Text, FindFirstOf)
{
    EXPECT_EQ(FindFirstOf(1, " >#", "page.htm#top"), 9u);
    EXPECT_EQ(FindFirstOf(1, "x", "abc"), 0u);
    EXPECT_EQ(FindFirstOf(4, "abc", "abc"), 0u);
    EXPECT_EQ(FindFirstOf(2, "a", "aba"), 3u);
}

TEST(Text, ReplaceAndRemove)
{
    std::string path = "c:\\a\\b";
    EXPECT_EQ(ReplaceAll(path, "\\", "/"), 2u);
    EXPECT_EQ(path, "c:/a/b");
    std::string drive = "c:/a";
    EXPECT_EQ(ReplaceAll(drive, ":", "|"), 1u);
    EXPECT_EQ(drive, "c|/a");
    std::string same = "abc";
    EXPECT_EQ(ReplaceAll(same, "x", "y"), 0u);
    EXPECT_EQ(same, "abc");
    // A replacement that contains what it replaces must not loop.
    std::string grow = "aa";
    EXPECT_EQ(ReplaceAll(grow, "a", "aa"), 2u);
    EXPECT_EQ(grow, "aaaa");

    std::string quoted = "\"x.htm\"";
    RemoveAll(quoted, "\"");
    EXPECT_EQ(quoted, "x.htm");
    std::string triple = "aaa";
    RemoveAll(triple, "aa");
    EXPECT_EQ(triple, "a");
}

TEST(Text, CutAndDeleteStayInsideTheText)
{
    std::string text = "abcdef";
    EXPECT_EQ(CutText(text, 2, 3), "bcd");
    EXPECT_EQ(text, "aef");
    DeleteText(text, 3, 100);
    EXPECT_EQ(text, "ae");
    DeleteText(text, 0, 1);
    DeleteText(text, 9, 1);
    EXPECT_EQ(text, "ae");
    EXPECT_EQ(CutText(text, 5, 1), "");
}

TEST(Text, PositionsBeyondSixteenBits)
{
    std::string big(100000, 'x');
    big += "<a>";
    EXPECT_EQ(Find(big, "<a>"), 100001u);
    EXPECT_EQ(FindIgnoreCase(big, "<A>"), 100001u);
    EXPECT_EQ(FindLast(1, big, "X"), 100000u);
    EXPECT_EQ(FindFirstOf(1, "<", big), 100001u);
    EXPECT_EQ(Mid(big, 100001, 3), "<a>");
}

struct NumberCase
{
    const char* name;
    const char* text;
    double value;
};

class ReadNumberTest : public ::testing::TestWithParam<NumberCase>
{
};

TEST_P(ReadNumberTest, ReadsTheLongestNumericPrefix)
{
    EXPECT_DOUBLE_EQ(ReadNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Text, ReadNumberTest,
    ::testing::Values(NumberCase{"plain", "7", 7}, NumberCase{"empty", "", 0}, NumberCase{"letters", "abc", 0},
        NumberCase{"prefix", "12abc", 12}, NumberCase{"blanksInside", " 1 2\t3\n", 123},
        NumberCase{"fraction", "2.75", 2.75}, NumberCase{"negative", "-4", -4}, NumberCase{"exponent", "1e3", 1000},
        NumberCase{"dangling exponent", "5e", 5}, NumberCase{"second point", "1.2.3", 1.2},
        NumberCase{"sign alone", "-", 0}, NumberCase{"overflow", "1e999", 0},
        NumberCase{"carriage return stops", "1\r2", 1}),
    test::CaseName());

TEST(Text, RoundingAndSixteenBitRange)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    int value = 42;
    EXPECT_TRUE(ReadInt16("32767", value));
    EXPECT_EQ(value, 32767);
    EXPECT_FALSE(ReadInt16("99999", value));
    EXPECT_EQ(value, 32767);
    EXPECT_FALSE(ReadInt16("-32769", value));
}

TEST(Text, NumberTextHasNoExponentAndNoTrailingZeros)
{
    EXPECT_EQ(NumberText(46000.75), "46000.75");
    EXPECT_EQ(NumberText(46000), "46000");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(1.0 / 3.0), "0.333333333333333");
    EXPECT_DOUBLE_EQ(ReadNumber(NumberText(46000.123456789)), 46000.123456789);
}

TEST(Text, ArbitraryBytesAreHandled)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>(i * 37 % 256);
    EXPECT_EQ(ToLower(junk).size(), junk.size());
    EXPECT_GE(ReadNumber(junk), -1e308);
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(" \ta "), "\ta");
}

} // namespace
} // namespace tarnwick
