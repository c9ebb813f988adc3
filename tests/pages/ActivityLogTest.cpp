// The activity log page, line by line, and the start of the web viewer on it.

#include "pages/ActivityLog.h"

#include "support/DayNumber.h"
#include "support/Files.h"
#include "support/Text.h"
#include "testsupport/CaseName.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/RunFakes.h"
#include "testsupport/TempFolder.h"

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tarnwick {
namespace {

// The moment every stored copy of the table was last written, in local time.
constexpr DateTimeParts CopyTime{2024, 2, 29, 13, 45, 10};

// Sets a file's modification time to parts, read as local time.
bool SetModified(const std::string& path, const DateTimeParts& parts)
{
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    const timespec times[2] = {{moment, 0}, {moment, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

struct LogLink
{
    std::string title;
    std::string url;
    std::string localFile;
    bool stored = false; // whether the copy exists in the cache
};

struct LogCase
{
    std::string name;
    std::vector<LogLink> links;
    std::vector<std::string> lines; // between the first and the last; {CACHE} is the cache folder
};

void PrintTo(const LogCase& row, std::ostream* out)
{
    *out << row.name;
}

class LogTable : public ::testing::TestWithParam<LogCase>
{
protected:
    LogTable()
    {
        state.Folder.Base = folder.Path();
        state.Folder.Cache = folder.Path() + "cache/";
        std::filesystem::create_directories(state.Folder.Cache);
    }

    std::vector<std::string> LogLines() const
    {
        std::string log = folder.Read("cache/tarnwick.htm");
        std::vector<std::string> lines;
        for (std::size_t end = log.find("\r\n"); end != std::string::npos; end = log.find("\r\n")) {
            lines.push_back(log.substr(0, end));
            log.erase(0, end + 2);
        }
        EXPECT_EQ(log, "") << "every line ends in CR LF";
        return lines;
    }

    test::TempFolder folder;
    ProgramState state;
    MemoryLinkList list;
    test::RecordingStatusDisplay display;
    FixedClock clock{DayNumberOf({2031, 1, 2, 3, 4, 5})};
};

TEST_P(LogTable, WritesOneLineOnTopThenEachLinkThenTheMoment)
{
    for (const LogLink& link : GetParam().links) {
        LinkRecord record;
        record.Title = link.title;
        record.URL = link.url;
        record.LocalFile = link.localFile;
        state.Links.Append(record, list);
        if (link.stored) {
            const std::string copy = folder.Write("cache/" + link.localFile, "<p>copy</p>");
            ASSERT_TRUE(SetModified(copy, CopyTime));
        }
    }
    folder.Write("cache/tarnwick.htm", std::string(100'000, 'o')); // an older log is replaced whole

    ASSERT_TRUE(CreateLogHTML(state, display, clock));

    std::vector<std::string> expected{"<html><title>Doradoza Tarnwick Log</title>"};
    for (std::string line : GetParam().lines) {
        ReplaceAll(line, "{CACHE}", state.Folder.Cache);
        expected.push_back(line);
    }
    expected.push_back("<hr>This log was created on 01-02-2031 at 03:04:05.");
    EXPECT_EQ(LogLines(), expected);
    EXPECT_FALSE(FileExists(state.Folder.Cache + "tarnwick.htm.new"));
    EXPECT_EQ(display.ReceivingTexts, (std::vector<std::string>{"Creating Log File", ""}));
}

INSTANTIATE_TEST_SUITE_P(ActivityLog, LogTable,
    ::testing::Values(LogCase{"empty catalogue", {}, {}},
        LogCase{"link never fetched", {{"News", "http://news.test/", "", false}},
            {"<hr><h1>News</h1>",
                "Was not yet been downloaded from <a href=\"http://news.test/\">http://news.test/</a>."}},
        LogCase{"copy gone from the cache", {{"News", "http://news.test/", "gonegone.htm", false}},
            {"<hr><h1>News</h1>",
                "Was not yet been downloaded from <a href=\"http://news.test/\">http://news.test/</a>."}},
        LogCase{"fetched link", {{"News", "http://news.test/", "qmzkbtra.htm", true}},
            {"<hr><h1>News</h1>", "Was last downloaded from <a href=\"http://news.test/\">http://news.test/</a>",
                " on 2024-02-29", " at 13:45:10", " and stored in <a href=\"qmzkbtra.htm\">{CACHE}qmzkbtra.htm</a>."}},
        LogCase{"links in catalogue order",
            {{"B", "http://b.test/", "", false}, {"A", "http://a.test/x.htm", "aaaaaaaa.htm", true},
                {"C", "http://c.test/", "", false}},
            {"<hr><h1>B</h1>", "Was not yet been downloaded from <a href=\"http://b.test/\">http://b.test/</a>.",
                "<hr><h1>A</h1>", "Was last downloaded from <a href=\"http://a.test/x.htm\">http://a.test/x.htm</a>",
                " on 2024-02-29", " at 13:45:10", " and stored in <a href=\"aaaaaaaa.htm\">{CACHE}aaaaaaaa.htm</a>.",
                "<hr><h1>C</h1>", "Was not yet been downloaded from <a href=\"http://c.test/\">http://c.test/</a>."}},
        // An address is escaped, so a link cannot put markup into the log page; the title is the
        // user's own text and is written as it stands.
        LogCase{"address with markup is escaped",
            {{"X", "http://x.test/?a=1&b=\"<script>alert(1)</script>", "", false}},
            {"<hr><h1>X</h1>",
                "Was not yet been downloaded from "
                "<a href=\"http://x.test/?a=1&amp;b=&quot;&lt;script&gt;alert(1)&lt;/script&gt;\">"
                "http://x.test/?a=1&amp;b=&quot;&lt;script&gt;alert(1)&lt;/script&gt;</a>."}},
        LogCase{"a blank in an address starts no attribute", {{"X", "http://x/ onmouseover=alert(1) y", "", false}},
            {"<hr><h1>X</h1>",
                "Was not yet been downloaded from <a href=\"http://x/ onmouseover=alert(1) y\">"
                "http://x/ onmouseover=alert(1) y</a>."}},
        LogCase{"fetched address with markup is escaped", {{"X", "http://x.test/<b>", "xxxxxxxx.htm", true}},
            {"<hr><h1>X</h1>",
                "Was last downloaded from <a href=\"http://x.test/&lt;b&gt;\">http://x.test/&lt;b&gt;</a>",
                " on 2024-02-29", " at 13:45:10", " and stored in <a href=\"xxxxxxxx.htm\">{CACHE}xxxxxxxx.htm</a>."}},
        LogCase{"title with markup is written unchanged", {{"<b>Bold</b> & <i>more</i>", "http://t.test/", "", false}},
            {"<hr><h1><b>Bold</b> & <i>more</i></h1>",
                "Was not yet been downloaded from <a href=\"http://t.test/\">http://t.test/</a>."}}),
    test::CaseName());

TEST(ActivityLog, TheLastLineWritesTheMomentWithLeadingZerosOnTheTwentyFourHourClock)
{
    test::TempFolder folder;
    ProgramState state;
    state.Folder.Cache = folder.Path();
    test::RecordingStatusDisplay display;
    for (const auto& [moment, text] : std::vector<std::pair<DateTimeParts, std::string>>{
             {{2031, 1, 2, 3, 4, 5}, "01-02-2031 at 03:04:05"},
             {{1999, 12, 31, 23, 59, 59}, "12-31-1999 at 23:59:59"},
             {{2024, 10, 9, 12, 0, 0}, "10-09-2024 at 12:00:00"},
         }) {
        ASSERT_TRUE(CreateLogHTML(state, display, FixedClock(DayNumberOf(moment))));
        EXPECT_EQ(folder.Read("tarnwick.htm"),
            "<html><title>Doradoza Tarnwick Log</title>\r\n<hr>This log was created on " + text + ".\r\n");
    }
}

struct LaunchCase
{
    std::string name;
    bool viewer; // the viewer program exists
    bool log; // the log page exists
    std::vector<std::string> arguments;
    bool started;
};

void PrintTo(const LaunchCase& row, std::ostream* out)
{
    *out << row.name;
}

class LaunchTable : public ::testing::TestWithParam<LaunchCase>
{
};

TEST_P(LaunchTable, StartsTheViewerOnTheLogWhenBothExist)
{
    const LaunchCase& row = GetParam();
    test::TempFolder folder;
    ProgramState state;
    // A blank in the folder: the log path still reaches the viewer as one argument.
    state.Folder.Cache = folder.Path() + "my cache/";
    std::filesystem::create_directories(state.Folder.Cache);
    MemoryOptions options;
    options.Set(Option::WebViewer, folder.Path() + "viewer");
    if (row.viewer)
        folder.Write("viewer", "#!/bin/sh\n");
    if (row.log)
        folder.Write("my cache/tarnwick.htm", "<html>");
    test::FakePrograms programs;

    LaunchBrowser(state, options, programs);

    if (!row.started) {
        EXPECT_TRUE(programs.Starts.empty());
        return;
    }
    ASSERT_EQ(programs.Starts.size(), 1u);
    EXPECT_EQ(programs.Starts[0].Program, folder.Path() + "viewer");
    std::vector<std::string> arguments;
    for (const std::string& argument : row.arguments)
        arguments.push_back(state.Folder.Cache + argument);
    EXPECT_EQ(programs.Starts[0].Arguments, arguments);
}

INSTANTIATE_TEST_SUITE_P(ActivityLog, LaunchTable,
    ::testing::Values(LaunchCase{"viewer and log", true, true, {"tarnwick.htm"}, true},
        LaunchCase{"viewer without log", true, false, {}, true}, LaunchCase{"no viewer", false, true, {}, false},
        LaunchCase{"neither", false, false, {}, false}),
    test::CaseName());

TEST(ActivityLog, AViewerPathThatIsEmptyOrAFolderStartsNothing)
{
    test::TempFolder folder;
    ProgramState state;
    state.Folder.Cache = folder.Path();
    folder.Write("tarnwick.htm", "<html>");
    test::FakePrograms programs;
    for (const std::string& viewer : {std::string(), folder.Path()}) {
        MemoryOptions options;
        options.Set(Option::WebViewer, viewer);
        LaunchBrowser(state, options, programs);
    }
    EXPECT_TRUE(programs.Starts.empty());
}

} // namespace
} // namespace tarnwick
