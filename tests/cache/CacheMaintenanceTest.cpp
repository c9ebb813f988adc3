#include "cache/CacheMaintenance.h"

#include "support/DayNumber.h"
#include "support/Files.h"
#include "testsupport/CaseName.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/TempFolder.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

namespace tarnwick {
namespace {

using test::CaseName;
using test::RecordingStatusDisplay;
using test::TempFolder;

// The moment of the start in every test: a day without a clock change in any time zone's usual rules.
const DateTimeParts StartParts{2026, 6, 15, 12, 0, 0};

std::time_t LocalMoment(const DateTimeParts& p)
{
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// A base folder with its cache folder, options at their design values and the clock at the start.
class CacheFixture : public test::WithApplication
{
public:
    explicit CacheFixture(const std::string& cacheName = "cache/")
    {
        state.Folder.Base = base.Path();
        state.Folder.Cache = base.Path() + cacheName;
        std::filesystem::create_directories(state.Folder.Cache);
    }

    std::string CachePath(const std::string& name) const { return state.Folder.Cache + name; }

    // A cache file last modified the given number of seconds before the start (wall-clock time).
    std::string WriteAged(const std::string& name, double daysBefore, int extraSeconds = 0) const
    {
        const std::string path = CachePath(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0) << path;
        ::close(fd);
        SetAge(path, daysBefore, extraSeconds, 0);
        return path;
    }

    // Sets the modification time of path itself (a link as a link) to daysBefore + extraSeconds.
    static void SetAge(const std::string& path, double daysBefore, int extraSeconds, int flags)
    {
        const std::time_t moment = LocalMoment(PartsOfDayNumber(DayNumberOf(StartParts) - daysBefore)) - extraSeconds;
        const timespec times[2] = {{moment, 0}, {moment, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, flags), 0) << path;
    }

    std::vector<std::string> CacheNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(state.Folder.Cache))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    CacheSweep Expire(std::chrono::milliseconds repaint = CacheProgressInterval)
    {
        return ExpireCache(state, options, status, clock, repaint);
    }

    TempFolder base;
    ProgramState state;
    MemoryOptions options;
    RecordingStatusDisplay status;
    FixedClock clock{DayNumberOf(StartParts)};
};

// One file against the days kept and the valid extensions.
struct ExpiryCase
{
    std::string name;
    std::string days;
    std::string extensions;
    std::string file;
    double daysBefore;
    int extraSeconds;
    bool stays;
};

class Expiry : public ::testing::TestWithParam<ExpiryCase>
{
};

TEST_P(Expiry, KeepsOrDeletesTheFile)
{
    const ExpiryCase& row = GetParam();
    CacheFixture f;
    f.options.Set(Option::CacheDays, row.days);
    f.options.Set(Option::ValidExtensions, row.extensions);
    const std::string path = f.WriteAged(row.file, row.daysBefore, row.extraSeconds);
    f.Expire();
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(path)), row.stays);
}

const std::string Defaults = "txt gif bmp jpg jpeg htm html ";

INSTANTIATE_TEST_SUITE_P(CacheMaintenance, Expiry,
    ::testing::Values(ExpiryCase{"three days exactly stays", "3", Defaults, "a.htm", 3, 0, true},
        ExpiryCase{"three days and a second goes", "3", Defaults, "a.htm", 3, 1, false},
        ExpiryCase{"sixty hours stays at two and a half days", "2.5", Defaults, "b.gif", 2.5, 0, true},
        ExpiryCase{"sixty hours and a second goes at two and a half", "2.5", Defaults, "b.gif", 2.5, 1, false},
        ExpiryCase{"upper case extension stays", "3", Defaults, "a1.HTM", 0, 3600, true},
        ExpiryCase{"no dot stays", "3", Defaults, "readme", 0, 3600, true},
        ExpiryCase{"no dot still ages", "3", Defaults, "readme", 3, 1, false},
        ExpiryCase{"tmp goes however new", "3", Defaults, "x.tmp", 0, 0, false},
        ExpiryCase{"zip goes however new", "3", Defaults, "y.zip", 0, 0, false},
        ExpiryCase{"piece of a listed extension stays", "3", Defaults, "photo.pg", 0, 60, true},
        ExpiryCase{"last extension counts like the crawl counts it", "3", "txt htm", "a.htm", 0, 60, true},
        ExpiryCase{"days not a number keeps this second", "abc", Defaults, "a.htm", 0, 0, true},
        ExpiryCase{"days not a number drops the second before", "abc", Defaults, "a.htm", 0, 1, false},
        ExpiryCase{"empty list deletes files with an extension", "3", "", "a.htm", 0, 60, false},
        ExpiryCase{"empty list keeps files without one", "3", "", "readme", 0, 60, true},
        ExpiryCase{"hidden file is not listed", "3", Defaults, ".old.zip", 30, 0, true}),
    CaseName());

TEST(CacheMaintenance, AFileWithoutADotTakesTheExtensionOfADottedFolder)
{
    CacheFixture f("my.site/");
    const std::string readme = f.WriteAged("readme", 0, 60); // extension "site/readme"
    const std::string page = f.WriteAged("page.htm", 0, 60);
    f.Expire();
    EXPECT_FALSE(FileExists(readme));
    EXPECT_TRUE(FileExists(page));
}

TEST(CacheMaintenance, ProgressOfEveryFile)
{
    CacheFixture f;
    for (char c = 'a'; c < 'a' + 8; ++c)
        f.WriteAged(std::string(1, c) + ".htm", 0, 60);
    bool handledWhileShown = false;
    QTimer::singleShot(0, [&] { handledWhileShown = f.status.Visible; });

    const CacheSweep sweep = f.Expire(std::chrono::milliseconds(0));

    std::vector<std::string> progress;
    for (const auto& shown : f.status.Calls) {
        EXPECT_EQ(shown.Caption, "Compacting File Cache");
        EXPECT_EQ(shown.Status,
            "Each time Doradoza Tarnwick is loaded, the program checks its disk cache of previously downloaded "
            "files to determine if they should be deleted.  Depending on the number of files in the cache, "
            "this process may take anywhere from a few seconds to a few minutes.");
        EXPECT_FALSE(shown.Button);
        progress.push_back(shown.Progress);
    }
    const std::vector<std::string> expected = {"\r\n12% complete", "\r\n25% complete", "\r\n37% complete",
        "\r\n50% complete", "\r\n62% complete", "\r\n75% complete", "\r\n87% complete", "\r\n100% complete"};
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(f.status.Unloads, 1);
    EXPECT_FALSE(f.status.Visible);
    EXPECT_TRUE(handledWhileShown);
    EXPECT_EQ(sweep.Listed, 8u);
    EXPECT_EQ(sweep.Deleted, 0u);
}

// With the normal repaint interval the first and the last file are always shown, and a long
// purge repaints about 30 times a second, not once per file.
TEST(CacheMaintenance, ProgressRepaintsAreThrottled)
{
    CacheFixture f;
    constexpr int Files = 3000;
    for (int i = 0; i < Files; ++i)
        f.WriteAged(std::to_string(i) + ".zip", 0, 0);
    const auto start = std::chrono::steady_clock::now();
    const CacheSweep sweep = f.Expire();
    const auto elapsed = std::chrono::steady_clock::now() - start;

    ASSERT_GE(f.status.Calls.size(), 2u);
    EXPECT_EQ(f.status.Calls.front().Progress, "\r\n0% complete"); // 1 of 3000
    EXPECT_EQ(f.status.Calls.back().Progress, "\r\n100% complete");
    EXPECT_LE(f.status.Calls.size(), 3u + static_cast<std::size_t>(elapsed / CacheProgressInterval));
    EXPECT_EQ(sweep.Deleted, static_cast<std::size_t>(Files));
    EXPECT_TRUE(f.CacheNames().empty());
}

TEST(CacheMaintenance, NothingToListShowsNoWindow)
{
    CacheFixture f;
    std::filesystem::create_directory(f.CachePath("sub.zip"));
    f.WriteAged(".hidden.zip", 30);
    const CacheSweep sweep = f.Expire();
    EXPECT_TRUE(f.status.Calls.empty());
    EXPECT_EQ(f.status.Unloads, 0);
    EXPECT_EQ(sweep.Listed, 0u);
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{".hidden.zip", "sub.zip"}));

    f.state.Folder.Cache = f.base.File("missing/");
    f.Expire();
    EXPECT_TRUE(f.status.Calls.empty());
}

// Links in the cache are judged by their own name and time and removed as links; what they point
// to, inside or outside the cache, is never touched. Subfolders stay.
TEST(CacheMaintenance, LinksGoAsLinksAndFoldersStay)
{
    CacheFixture f;
    TempFolder outside;
    const std::string target = outside.Write("target.htm", "keep me");
    const std::string oldTarget = outside.Write("old.htm", "keep me too");
    CacheFixture::SetAge(oldTarget, 30, 0, 0);
    ASSERT_EQ(::symlink(target.c_str(), f.CachePath("bad.zip").c_str()), 0);
    ASSERT_EQ(::symlink(oldTarget.c_str(), f.CachePath("old.htm").c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), f.CachePath("aged.htm").c_str()), 0);
    ASSERT_EQ(::symlink(f.CachePath("nowhere").c_str(), f.CachePath("dangling.htm").c_str()), 0);
    ASSERT_EQ(::symlink(outside.Path().c_str(), f.CachePath("folder.zip").c_str()), 0);
    std::filesystem::create_directory(f.CachePath("sub.zip"));
    f.WriteAged("sub.zip/inner.zip", 30);
    for (const char* link : {"bad.zip", "old.htm", "dangling.htm", "folder.zip"})
        CacheFixture::SetAge(f.CachePath(link), 0, 60, AT_SYMLINK_NOFOLLOW);
    CacheFixture::SetAge(f.CachePath("aged.htm"), 30, 0, AT_SYMLINK_NOFOLLOW);

    f.Expire();

    // old.htm is a new link to an old file: the link's own time counts.
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{"dangling.htm", "old.htm", "sub.zip"}));
    EXPECT_EQ(outside.Read("target.htm"), "keep me");
    EXPECT_EQ(outside.Read("old.htm"), "keep me too");
    EXPECT_TRUE(FileExists(f.CachePath("sub.zip/inner.zip")));

    const CacheSweep sweep = ClearCache(f.state);
    EXPECT_EQ(sweep.Deleted, 2u);
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{"sub.zip"}));
    EXPECT_EQ(outside.Read("target.htm"), "keep me");
    EXPECT_EQ(outside.Read("old.htm"), "keep me too");
    EXPECT_TRUE(FileExists(f.CachePath("sub.zip/inner.zip")));
}

// Runs the enclosed steps without the right to delete from a read-only folder: root may delete
// anywhere, so it takes the identity of "nobody" for the while. The parent folder (a TempFolder,
// 0700) gets parentMode so that "nobody" can reach the folder.
class WithoutDeleteRights
{
public:
    WithoutDeleteRights(const std::string& folder, const std::string& parent, mode_t parentMode = 0755)
        : m_folder(folder)
        , m_parent(parent)
    {
        ::chmod(m_folder.c_str(), 0555);
        ::chmod(m_parent.c_str(), parentMode);
        if (::geteuid() == 0)
            m_switched = ::seteuid(65534) == 0;
    }
    ~WithoutDeleteRights()
    {
        if (m_switched)
            (void)!::seteuid(0);
        ::chmod(m_folder.c_str(), 0755);
        ::chmod(m_parent.c_str(), 0700);
    }
    bool Effective() const { return ::geteuid() != 0; }

private:
    std::string m_folder;
    std::string m_parent;
    bool m_switched = false;
};

TEST(CacheMaintenance, FilesThatCannotBeDeletedArePassedOver)
{
    CacheFixture f;
    f.WriteAged("a.zip", 0);
    f.WriteAged("b.htm", 30);
    f.WriteAged("c.htm", 0, 60);
    f.WriteAged("d.tmp", 0);
    CacheSweep sweep;
    {
        WithoutDeleteRights guard(f.state.Folder.Cache, f.base.Path());
        if (!guard.Effective())
            GTEST_SKIP() << "cannot drop the right to delete";
        sweep = f.Expire(std::chrono::milliseconds(0));
    }
    EXPECT_EQ(sweep.Listed, 4u);
    EXPECT_EQ(sweep.Deleted, 0u);
    EXPECT_EQ(sweep.NotDeleted, 3u);
    EXPECT_EQ(f.status.Calls.size(), 4u);
    EXPECT_EQ(f.status.Calls.back().Progress, "\r\n100% complete");
    EXPECT_EQ(f.status.Unloads, 1);
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{"a.zip", "b.htm", "c.htm", "d.tmp"}));
}

LinkRecord LinkWithFile(const std::string& url, const std::string& localFile)
{
    LinkRecord link;
    link.URL = url;
    link.Title = url;
    link.LocalFile = localFile;
    return link;
}

TEST(CacheMaintenance, ClearCacheEmptiesTheCacheTheAliasMapAndTheLocalFiles)
{
    CacheFixture f;
    MemoryLinkList list;
    f.state.Links.Append(LinkWithFile("http://a.example/", "abcdefgh.htm"), list);
    f.state.Links.Append(LinkWithFile("http://b.example/", "ijklmnop.htm"), list);
    const std::string alias = f.base.Write("alias.dat", "\"http://a.example/\",\"abcdefgh.htm\"\r\n");
    const std::string catalogue = f.base.Write("tarnwick.dat", "<a href=\"http://a.example/\">A</a>\r\n");
    for (const char* name : {"abcdefgh.htm", "ijklmnop.htm", "tarnwick.htm", "Tarnwick.TMP", "noext", ".hidden"})
        f.WriteAged(name, 0, 60);
    std::filesystem::create_directory(f.CachePath("sub"));

    const CacheSweep sweep = ClearCache(f.state);

    EXPECT_EQ(sweep.Deleted, 6u);
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{"sub"}));
    EXPECT_FALSE(FileExists(alias));
    EXPECT_TRUE(FileExists(catalogue));
    for (const LinkRecord& link : f.state.Links.Records())
        EXPECT_EQ(link.LocalFile, "");

    // A second clear finds nothing and does not fail.
    EXPECT_EQ(ClearCache(f.state).Listed, 0u);
}

TEST(CacheMaintenance, ClearCacheGoesOnAfterAFileItCannotDelete)
{
    CacheFixture f;
    MemoryLinkList list;
    f.state.Links.Append(LinkWithFile("http://a.example/", "abcdefgh.htm"), list);
    const std::string alias = f.base.Write("alias.dat", "x");
    f.WriteAged("abcdefgh.htm", 0);
    f.WriteAged("tarnwick.htm", 0);
    CacheSweep sweep;
    {
        // The base folder stays writable: only the cache refuses.
        WithoutDeleteRights guard(f.state.Folder.Cache, f.base.Path(), 0777);
        if (!guard.Effective())
            GTEST_SKIP() << "cannot drop the right to delete";
        sweep = ClearCache(f.state);
    }
    EXPECT_EQ(sweep.Listed, 2u);
    EXPECT_EQ(sweep.NotDeleted, 2u);
    EXPECT_FALSE(FileExists(alias));
    EXPECT_EQ(f.state.Links.At(1).LocalFile, "");
    EXPECT_EQ(f.CacheNames(), (std::vector<std::string>{"abcdefgh.htm", "tarnwick.htm"}));
}

} // namespace
} // namespace tarnwick
