#include "settings/Settings.h"

#include "platform/SettingsStore.h"
#include "support/Files.h"
#include "testsupport/CaseName.h"
#include "testsupport/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

using test::CaseName;
using test::TempFolder;

// The option controls as the main window holds them: every box starts at its design value, and
// setting the schedule box runs its click handler, which switches the schedule timer.
class WindowOptions final : public Options
{
public:
    std::string Get(Option option) const override { return m_values.Get(option); }
    void Set(Option option, const std::string& value) override
    {
        m_values.Set(option, value);
        if (option == Option::EnableSchedule)
            ScheduleTimerOn = value == "1";
    }
    bool ScheduleTimerOn = false;

private:
    MemoryOptions m_values;
};

// Keeps the saves in their order.
class RecordingStore final : public SettingsStore
{
public:
    std::string Get(const std::string&, const std::string&, const std::string& defaultValue) const override
    {
        return defaultValue;
    }
    void Save(const std::string& section, const std::string& key, const std::string& value) override
    {
        Saves.push_back(section + "/" + key + "=" + value);
    }
    std::vector<std::string> Saves;
};

const std::vector<Option> AllOptions = {
    Option::CacheDays,
    Option::ValidExtensions,
    Option::WebViewer,
    Option::AutoLaunchBrowser,
    Option::InternetAddress,
    Option::EnableSchedule,
    Option::AccessProgram,
    Option::AutoLogon,
    Option::LogonKeys,
    Option::LogoffKeys,
};

std::map<Option, std::string> ValuesOf(const Options& options)
{
    std::map<Option, std::string> values;
    for (Option option : AllOptions)
        values[option] = options.Get(option);
    return values;
}

TEST(Settings, FirstStartShowsTheDefaultsAndLeavesTheStoreEmpty)
{
    const MemorySettingsStore store;
    WindowOptions options;
    options.Set(Option::EnableSchedule, "1"); // ReadIni must clear it, timer and all
    ReadIni(options, store);
    const std::map<Option, std::string> expected = {
        {Option::CacheDays, "3"},
        {Option::ValidExtensions, "txt gif bmp jpg jpeg htm html "},
        {Option::WebViewer, ""},
        {Option::AutoLaunchBrowser, "0"},
        {Option::InternetAddress, ""},
        {Option::EnableSchedule, "0"},
        {Option::AccessProgram, ""},
        {Option::AutoLogon, "0"},
        {Option::LogonKeys, ""},
        {Option::LogoffKeys, ""},
    };
    EXPECT_EQ(ValuesOf(options), expected);
    EXPECT_FALSE(options.ScheduleTimerOn);
    EXPECT_EQ(store.Size(), 0u);
}

TEST(Settings, WriteIniSavesEveryKeyInItsOrder)
{
    MemoryOptions options;
    options.Set(Option::CacheDays, "12");
    options.Set(Option::WebViewer, "/usr/bin/viewer");
    options.Set(Option::AutoLaunchBrowser, "1");
    options.Set(Option::InternetAddress, "user@example.com");
    options.Set(Option::EnableSchedule, "1");
    options.Set(Option::AccessProgram, "/usr/bin/dialer");
    options.Set(Option::LogonKeys, "secret{enter}");
    options.Set(Option::LogoffKeys, "%{F4}");
    RecordingStore store;
    WriteIni(options, store);
    const std::vector<std::string> expected = {
        "Cache/Days=12",
        "Cache/ValidExtensions=txt gif bmp jpg jpeg htm html ",
        "Browser/Viewer=/usr/bin/viewer",
        "Browser/AutoLaunch=1",
        "Doradoza/AccessProgram=/usr/bin/dialer",
        "Doradoza/AutoLogon=0",
        "Doradoza/InternetAddress=user@example.com",
        "Doradoza/LogonKeys=secret{enter}",
        "Doradoza/LogoffKeys=%{F4}",
        "Doradoza/EnableScheduler=1",
    };
    EXPECT_EQ(store.Saves, expected);
}

// Every option through a real INI file and back, with texts that INI files are apt to mangle.
TEST(Settings, RoundTripThroughAnIniFile)
{
    TempFolder folder;
    WindowOptions written;
    written.Set(Option::CacheDays, "7");
    written.Set(Option::ValidExtensions, "txt gif ; = , \"q\" html ");
    written.Set(Option::WebViewer, folder.Write("my viewer;v=2", "#!"));
    written.Set(Option::AutoLaunchBrowser, "1");
    written.Set(Option::InternetAddress, "  @Variant(x) ");
    written.Set(Option::EnableSchedule, "1");
    written.Set(Option::AccessProgram, folder.Write("Einwähl-Programm \"neu\"", "#!"));
    written.Set(Option::AutoLogon, "1");
    written.Set(Option::LogonKeys, "name{tab}pass\\word{enter}{wait 5}");
    written.Set(Option::LogoffKeys, "[Doradoza]\r\nLogoffKeys=x # not a comment");
    const std::string file = folder.File("Tarnwick.ini");
    {
        IniSettingsStore store(file);
        WriteIni(written, store);
        ASSERT_TRUE(store.Sync());
    }
    const std::string ini = folder.Read("Tarnwick.ini");
    for (const char* section : {"[Cache]", "[Browser]", "[Doradoza]"})
        EXPECT_NE(ini.find(section), std::string::npos) << section;

    const IniSettingsStore store(file);
    WindowOptions read;
    ReadIni(read, store);
    EXPECT_EQ(ValuesOf(read), ValuesOf(written));
    EXPECT_TRUE(read.ScheduleTimerOn);
}

struct TextCase
{
    std::string name;
    std::string value;
};

class IniValue : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(IniValue, ComesBackExactly)
{
    TempFolder folder;
    const std::string file = folder.File("Tarnwick.ini");
    {
        IniSettingsStore store(file);
        store.Save("Doradoza", "LogonKeys", GetParam().value);
    }
    const IniSettingsStore store(file);
    EXPECT_EQ(store.Get("Doradoza", "LogonKeys", "absent"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Settings, IniValue,
    ::testing::Values(TextCase{"trailing blank", "txt gif bmp jpg jpeg htm html "},
        TextCase{"blanks at both ends", "  a  "}, TextCase{"empty", ""}, TextCase{"quotes", "say \"hi\" 'there'"},
        TextCase{"semicolon", "a;b ; c"}, TextCase{"equals", "a=b=c"}, TextCase{"commas", "txt, gif,jpg"},
        TextCase{"hash", "# x"}, TextCase{"leading at", "@ByteArray(abc)"},
        TextCase{"backslashes", "C:\\Programs\\dial.exe \\n"}, TextCase{"line breaks and tab", "a\r\nb\nc\td"},
        TextCase{"non ASCII", "Zürich 東京 ✓ €"}, TextCase{"section look alike", "[Cache]"}),
    CaseName());

TEST(Settings, AnAbsentKeyGivesItsDefault)
{
    TempFolder folder;
    const IniSettingsStore store(folder.File("none.ini"));
    EXPECT_EQ(store.Get("Cache", "Days", "3"), "3");
    EXPECT_FALSE(FileExists(folder.File("none.ini"))) << "reading must not create the file";
}

// A hand-edited line with unquoted commas is a list to QSettings: its items come back joined by ", ".
TEST(Settings, HandEditedCommasReadAsWritten)
{
    TempFolder folder;
    const IniSettingsStore store(folder.Write("Tarnwick.ini", "[Cache]\nValidExtensions=txt, gif,jpg\n"));
    EXPECT_EQ(store.Get("Cache", "ValidExtensions", ""), "txt, gif, jpg");
}

TEST(Settings, TheUsersStoreIsTarnwickIniInTheConfigFolder)
{
    TempFolder folder;
    const std::string config = folder.File("config"); // not there yet, as on a fresh system
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1); // each test runs in its own process
    {
        IniSettingsStore store;
        EXPECT_EQ(store.FileName(), config + "/Tarnwick.ini");
        store.Save("Cache", "Days", "9");
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_NE(folder.Read("config/Tarnwick.ini").find("Days=9"), std::string::npos);
}

// The options that hang on a program file are read only while that file exists; otherwise they
// are cleared, and that is what the end of the run saves.
struct DependentCase
{
    std::string name;
    bool viewerExists;
    bool accessProgramExists;
};

class DependentOptions : public ::testing::TestWithParam<DependentCase>
{
};

TEST_P(DependentOptions, FollowTheirProgramFile)
{
    const DependentCase& row = GetParam();
    TempFolder folder;
    const std::string viewer = row.viewerExists ? folder.Write("viewer", "#!") : folder.File("viewer");
    const std::string dialer = row.accessProgramExists ? folder.Write("dialer", "#!") : folder.File("dialer");
    MemorySettingsStore store;
    store.Save("Browser", "Viewer", viewer);
    store.Save("Browser", "AutoLaunch", "1");
    store.Save("Doradoza", "AccessProgram", dialer);
    store.Save("Doradoza", "AutoLogon", "1");
    store.Save("Doradoza", "LogonKeys", "on{enter}");
    store.Save("Doradoza", "LogoffKeys", "off{enter}");

    WindowOptions options;
    ReadIni(options, store);
    EXPECT_EQ(options.Get(Option::WebViewer), viewer);
    EXPECT_EQ(options.Get(Option::AccessProgram), dialer);
    EXPECT_EQ(options.Get(Option::AutoLaunchBrowser), row.viewerExists ? "1" : "0");
    EXPECT_EQ(options.Get(Option::AutoLogon), row.accessProgramExists ? "1" : "0");
    EXPECT_EQ(options.Get(Option::LogonKeys), row.accessProgramExists ? "on{enter}" : "");
    EXPECT_EQ(options.Get(Option::LogoffKeys), row.accessProgramExists ? "off{enter}" : "");

    WriteIni(options, store);
    EXPECT_EQ(store.Get("Browser", "Viewer", "?"), viewer);
    EXPECT_EQ(store.Get("Browser", "AutoLaunch", "?"), row.viewerExists ? "1" : "0");
    EXPECT_EQ(store.Get("Doradoza", "AccessProgram", "?"), dialer);
    EXPECT_EQ(store.Get("Doradoza", "AutoLogon", "?"), row.accessProgramExists ? "1" : "0");
    EXPECT_EQ(store.Get("Doradoza", "LogonKeys", "?"), row.accessProgramExists ? "on{enter}" : "");
    EXPECT_EQ(store.Get("Doradoza", "LogoffKeys", "?"), row.accessProgramExists ? "off{enter}" : "");
}

INSTANTIATE_TEST_SUITE_P(Settings, DependentOptions,
    ::testing::Values(DependentCase{"both programs present", true, true}, DependentCase{"viewer removed", false, true},
        DependentCase{"access program removed", true, false}, DependentCase{"both removed", false, false}),
    CaseName());

TEST(Settings, AFolderIsNoProgramFile)
{
    TempFolder folder;
    MemorySettingsStore store;
    store.Save("Browser", "Viewer", folder.Path());
    store.Save("Browser", "AutoLaunch", "1");
    WindowOptions options;
    ReadIni(options, store);
    EXPECT_EQ(options.Get(Option::AutoLaunchBrowser), "0");
}

struct DaysCase
{
    std::string name;
    std::string stored;
    std::string shown;
};

class StoredDays : public ::testing::TestWithParam<DaysCase>
{
};

TEST_P(StoredDays, ShowAsTheirNumberAndAreSavedAsShown)
{
    MemorySettingsStore store;
    store.Save("Cache", "Days", GetParam().stored);
    WindowOptions options;
    ReadIni(options, store);
    EXPECT_EQ(options.Get(Option::CacheDays), GetParam().shown);
    WriteIni(options, store);
    EXPECT_EQ(store.Get("Cache", "Days", "?"), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Settings, StoredDays,
    ::testing::Values(DaysCase{"plain", "7", "7"}, DaysCase{"not a number", "abc", "0"}, DaysCase{"empty", "", "0"},
        DaysCase{"leading zero", "05", "5"}, DaysCase{"fraction", "2.50", "2.5"},
        DaysCase{"blanks inside", " 1 0 ", "10"}, DaysCase{"number then text", "14 days", "14"},
        DaysCase{"exponent", "1e2", "100"}, DaysCase{"negative", "-2", "-2"}),
    CaseName());

// Which stored check-box values tick the boxes (see CheckBoxState in Settings.cpp for the reason).
struct CheckBoxCase
{
    std::string name;
    std::string stored;
    bool ticked;
};

class StoredCheckBox : public ::testing::TestWithParam<CheckBoxCase>
{
};

TEST_P(StoredCheckBox, TicksExactlyWhenItReadsAsOne)
{
    const CheckBoxCase& row = GetParam();
    TempFolder folder;
    MemorySettingsStore store;
    store.Save("Browser", "Viewer", folder.Write("viewer", "#!"));
    store.Save("Doradoza", "AccessProgram", folder.Write("dialer", "#!"));
    for (const char* key : {"AutoLogon", "EnableScheduler"})
        store.Save("Doradoza", key, row.stored);
    store.Save("Browser", "AutoLaunch", row.stored);

    WindowOptions options;
    ReadIni(options, store);
    const std::string state = row.ticked ? "1" : "0";
    EXPECT_EQ(options.Get(Option::AutoLaunchBrowser), state);
    EXPECT_EQ(options.Get(Option::EnableSchedule), state);
    EXPECT_EQ(options.Get(Option::AutoLogon), state);
    EXPECT_EQ(options.ScheduleTimerOn, row.ticked);

    WriteIni(options, store);
    EXPECT_EQ(store.Get("Browser", "AutoLaunch", "?"), state);
    EXPECT_EQ(store.Get("Doradoza", "EnableScheduler", "?"), state);
    EXPECT_EQ(store.Get("Doradoza", "AutoLogon", "?"), state);
}

INSTANTIATE_TEST_SUITE_P(Settings, StoredCheckBox,
    ::testing::Values(CheckBoxCase{"one", "1", true}, CheckBoxCase{"one with blanks", " 1 ", true},
        CheckBoxCase{"leading zero", "01", true}, CheckBoxCase{"one point zero", "1.0", true},
        CheckBoxCase{"rounds to one", "0.7", true}, CheckBoxCase{"zero", "0", false}, CheckBoxCase{"empty", "", false},
        CheckBoxCase{"two", "2", false}, CheckBoxCase{"minus one", "-1", false},
        CheckBoxCase{"one and a half rounds to two", "1.5", false}, CheckBoxCase{"half rounds to zero", "0.5", false},
        CheckBoxCase{"yes", "yes", false}, CheckBoxCase{"true", "true", false}),
    CaseName());

struct CharCase
{
    std::string name;
    char32_t c;
    bool accepted;
};

class CacheDaysKey : public ::testing::TestWithParam<CharCase>
{
};

TEST_P(CacheDaysKey, OnlyDigitsEnter)
{
    EXPECT_EQ(CacheDaysAcceptsChar(GetParam().c), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Settings, CacheDaysKey,
    ::testing::Values(CharCase{"zero", U'0', true}, CharCase{"five", U'5', true}, CharCase{"nine", U'9', true},
        CharCase{"letter", U'a', false}, CharCase{"backspace", U'\b', false}, CharCase{"enter", U'\r', false},
        CharCase{"copy", U'\x03', false}, CharCase{"paste", U'\x16', false}, CharCase{"minus", U'-', false},
        CharCase{"point", U'.', false}, CharCase{"blank", U' ', false},
        CharCase{"arabic indic three", U'\u0663', false}, CharCase{"fullwidth five", U'\uFF15', false}),
    CaseName());

TEST(Settings, CacheDaysAfterKeyRelease)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "3"},
        {"0", "3"},
        {"00", "3"},
        {"abc", "3"},
        {"05", "05"},
        {"10", "10"},
        {"1", "1"},
    };
    for (const auto& [typed, shown] : cases)
        EXPECT_EQ(CacheDaysAfterKeyRelease(typed), shown) << '"' << typed << '"';
}

} // namespace
} // namespace tarnwick
