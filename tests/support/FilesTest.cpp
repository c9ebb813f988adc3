#include "support/Files.h"

#include "support/DayNumber.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

namespace tarnwick {
namespace {

using test::TempFolder;

TEST(Files, FileExists)
{
    TempFolder folder;
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(folder.Path()));
    EXPECT_FALSE(FileExists(folder.File("missing")));
    EXPECT_TRUE(FileExists(folder.Write("a.txt", "x")));
    EXPECT_TRUE(FileExists(folder.Write("empty", "")));
}

TEST(Files, ModificationTextsAtMidnight)
{
    TempFolder folder;
    const std::string path = folder.Write("a.htm", "x");
    std::tm midnight{};
    midnight.tm_year = 2026 - 1900;
    midnight.tm_mon = 2;
    midnight.tm_mday = 4;
    midnight.tm_isdst = -1;
    const std::time_t moment = std::mktime(&midnight);
    const utimbuf times{moment, moment};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
    EXPECT_EQ(FileDateText(path), "2026-03-04");
    EXPECT_EQ(FileTimeText(path), "00:00:00");
    EXPECT_DOUBLE_EQ(ToDayNumber(FileDateText(path), FileTimeText(path)), DayNumberOfDate(2026, 3, 4));
    EXPECT_DOUBLE_EQ(FileModifiedDayNumber(path), DayNumberOfDate(2026, 3, 4));
    EXPECT_EQ(FileDateText(folder.File("missing")), "");
    EXPECT_EQ(FileTimeText(folder.File("missing")), "");
}

TEST(Files, FindInFileWindows)
{
    TempFolder folder;
    std::string bytes(300000, '.');
    bytes.replace(998, 4, "<ab>"); // offsets 999..1002
    bytes.replace(65535, 5, "<xy>!"); // straddles the first two 64 KiB windows
    bytes.replace(200000, 3, "END");
    const std::string path = folder.Write("page.htm", bytes);
    EXPECT_EQ(FindInFile(1, "<ab>", path), 999);
    EXPECT_EQ(FindInFile(0, "<ab>", path), 999);
    EXPECT_EQ(FindInFile(-5, "<", path), 999);
    EXPECT_EQ(FindInFile(999, "<", path), 999);
    EXPECT_EQ(FindInFile(1000, "<", path), 65536);
    EXPECT_EQ(FindInFile(1, "<xy>!", path), 65536);
    EXPECT_EQ(FindInFile(1, "END", path), 200001);
    EXPECT_EQ(FindInFile(200002, "END", path), 0);
    EXPECT_EQ(FindInFile(400000, "<", path), 0);
    EXPECT_EQ(FindInFile(1, "", path), 0);
}

TEST(Files, FindInFileOnAMissingFileFindsNothingAndCreatesNothing)
{
    TempFolder folder;
    EXPECT_EQ(FindInFile(1, "<", folder.File("missing.htm")), 0);
    EXPECT_FALSE(FileExists(folder.File("missing.htm")));
    EXPECT_EQ(FindInFile(1, "<", folder.Path()), 0);
}

TEST(Files, FindInFileWithBinaryBytes)
{
    TempFolder folder;
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += static_cast<char>(i % 251);
    bytes += std::string("\0<\0>", 4);
    const std::string path = folder.Write("bin", bytes);
    EXPECT_EQ(FindInFile(1, std::string_view("\0<\0>", 4), path), 200001);
}

TEST(Files, DeleteAndReadWhole)
{
    TempFolder folder;
    const std::string path = folder.Write("x", std::string("a\0b", 3));
    std::string contents;
    ASSERT_TRUE(ReadWholeFile(path, contents));
    EXPECT_EQ(contents, std::string("a\0b", 3));
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(ReadWholeFile(path, contents));
}

} // namespace
} // namespace tarnwick
