#include "schedule/LogonAutomation.h"

#include "testsupport/CaseName.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingWindowControl.h"
#include "testsupport/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// Records each wait as "wait N" and hands the events pending now to the event loop, at once.
class RecordingWaiter final : public Waiter
{
public:
    explicit RecordingWaiter(std::vector<std::string>& events)
        : m_events(events)
    { }
    void WaitSeconds(int seconds) override
    {
        if (OnWait)
            OnWait();
        m_events.push_back("wait " + std::to_string(seconds));
        m_zero.WaitSeconds(seconds);
    }

    // Runs at every wait, before it is recorded.
    std::function<void()> OnWait;

private:
    std::vector<std::string>& m_events;
    EventLoopWaiter m_zero{0.0};
};

// Records each start as "start <program> <arguments>".
class RecordingPrograms final : public Programs
{
public:
    explicit RecordingPrograms(std::vector<std::string>& events)
        : m_events(events)
    { }
    long long Start(const std::string& program, const std::vector<std::string>& arguments) override
    {
        std::string event = "start " + program;
        for (const std::string& argument : arguments)
            event += " [" + argument + "]";
        m_events.push_back(event);
        return NextPid;
    }
    long long NextPid = 4242;

private:
    std::vector<std::string>& m_events;
};

std::string Joined(const std::vector<std::string>& events)
{
    std::string text;
    for (const std::string& event : events)
        text += (text.empty() ? "" : " | ") + event;
    return text;
}

class LogonAutomationTest : public ::testing::Test, protected test::WithApplication
{
protected:
    std::vector<std::string> events;
    MemoryOptions options;
    SessionState session;
    RecordingPrograms programs{events};
    test::RecordingWindowControl windows{events};
    RecordingWaiter waiter{events};
    LogonAutomation dial{options, session, programs, windows, waiter};
};

TEST_F(LogonAutomationTest, LogonStartsWaitsTypesInPiecesAndWaits)
{
    options.Set(Option::AccessProgram, "dialer --quiet");
    options.Set(Option::LogonKeys, "User{TAB}{wait 3}Secret~");
    std::vector<bool> loggedOnAtWaits;
    std::vector<bool> loggedOnAtSends;
    waiter.OnWait = [&] { loggedOnAtWaits.push_back(session.LoggedOn); };
    windows.OnSend = [&] { loggedOnAtSends.push_back(session.LoggedOn); };

    dial.LogonToInternet();

    EXPECT_EQ(Joined(events),
        "start dialer [--quiet] | wait 5 | keys type \"user\", key Tab | wait 3 | "
        "keys type \"secret\", key Return | wait 10");
    EXPECT_EQ(loggedOnAtWaits, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(loggedOnAtSends, (std::vector<bool>{true, true}));
    EXPECT_TRUE(session.LoggedOn);
    EXPECT_EQ(session.AccessTaskId, 4242);
}

TEST_F(LogonAutomationTest, EmptyLogonScriptTypesNothingButStillWaits)
{
    options.Set(Option::AccessProgram, "dialer");
    dial.LogonToInternet();
    EXPECT_EQ(Joined(events), "start dialer | wait 5 | wait 10");
    EXPECT_TRUE(session.LoggedOn);
}

TEST_F(LogonAutomationTest, ExistingProgramPathIsStartedWholeWithBlanks)
{
    test::TempFolder folder;
    const std::string program = folder.Write("my dialer -x", "");
    options.Set(Option::AccessProgram, program);
    dial.LogonToInternet();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "start " + program);
}

TEST(SplitAccessProgram, SplitsOtherTextLikeACommandLine)
{
    const CommandLine quoted = SplitAccessProgram(R"("/opt/my dial/dialer" -x "a b")");
    EXPECT_EQ(quoted.Program, "/opt/my dial/dialer");
    EXPECT_EQ(quoted.Arguments, (std::vector<std::string>{"-x", "a b"}));
    EXPECT_EQ(SplitAccessProgram("   ").Program, "");
}

TEST_F(LogonAutomationTest, NothingToStartLeavesNoTaskAndTypesNothing)
{
    session.AccessTaskId = 77; // an earlier logon's task is replaced by "none"
    options.Set(Option::LogonKeys, "x");
    dial.LogonToInternet();
    // The keys (a password, often) are not typed into whatever window has the focus.
    EXPECT_EQ(Joined(events), "wait 5 | wait 10");
    EXPECT_EQ(session.AccessTaskId, 0);
    EXPECT_TRUE(session.LoggedOn);
}

TEST_F(LogonAutomationTest, ProgramThatDidNotStartIsNotLoggedOffThrough)
{
    options.Set(Option::AccessProgram, "dialer");
    options.Set(Option::LogoffKeys, "bye~");
    programs.NextPid = 0;
    dial.LogonToInternet();
    EXPECT_EQ(session.AccessTaskId, 0);
    EXPECT_TRUE(session.LoggedOn);
    events.clear();
    dial.LogoffInternet();
    EXPECT_EQ(Joined(events), "");
    EXPECT_FALSE(session.LoggedOn);
}

TEST_F(LogonAutomationTest, SecondLogonReplacesTheTask)
{
    options.Set(Option::AccessProgram, "dialer");
    dial.LogonToInternet();
    programs.NextPid = 5151;
    dial.LogonToInternet();
    EXPECT_EQ(session.AccessTaskId, 5151);
}

TEST_F(LogonAutomationTest, LogoffBringsTheProgramToTheFrontWaitsAndTypes)
{
    options.Set(Option::AccessProgram, "dialer");
    options.Set(Option::LogoffKeys, "%{F4}{wait 1}{enter}");
    dial.LogonToInternet();
    events.clear();
    dial.LogoffInternet();
    EXPECT_EQ(Joined(events), "front 4242 | wait 2 | keys key alt+F4 | wait 1 | keys key Return");
    EXPECT_FALSE(session.LoggedOn);
    EXPECT_EQ(session.AccessTaskId, 4242) << "the task id is kept";
}

TEST_F(LogonAutomationTest, LogoffWithoutLogonOnlyGoesOffLine)
{
    options.Set(Option::LogoffKeys, "bye~");
    session.LoggedOn = true; // on line by hand
    dial.LogoffInternet();
    EXPECT_EQ(Joined(events), "");
    EXPECT_FALSE(session.LoggedOn);
}

TEST_F(LogonAutomationTest, LogoffWithEmptyScriptOnlyGoesOffLine)
{
    options.Set(Option::AccessProgram, "dialer");
    dial.LogonToInternet();
    events.clear();
    dial.LogoffInternet();
    EXPECT_EQ(Joined(events), "");
    EXPECT_FALSE(session.LoggedOn);
}

TEST_F(LogonAutomationTest, LogoffWhenTheProgramEndedTypesNothing)
{
    options.Set(Option::AccessProgram, "dialer");
    options.Set(Option::LogoffKeys, "bye~");
    dial.LogonToInternet();
    events.clear();
    windows.FrontSucceeds = false;
    dial.LogoffInternet();
    EXPECT_EQ(Joined(events), "front 4242");
    EXPECT_FALSE(session.LoggedOn);
}

struct ScriptCase
{
    const char* name;
    const char* script;
    const char* events;
};

class SendKeystrokes : public ::testing::TestWithParam<ScriptCase>, protected test::WithApplication
{
};

TEST_P(SendKeystrokes, PausesAndTypesInOrder)
{
    std::vector<std::string> events;
    MemoryOptions options;
    SessionState session;
    RecordingPrograms programs{events};
    test::RecordingWindowControl windows{events};
    RecordingWaiter waiter{events};
    LogonAutomation dial{options, session, programs, windows, waiter};
    dial.SendKeystrokes(GetParam().script);
    EXPECT_EQ(Joined(events), GetParam().events) << "script: " << GetParam().script;
}

const ScriptCase ScriptCases[] = {
    {"nothing", "", ""},
    {"pause in capitals", "{WAIT 5}", "wait 5"},
    {"pause in mixed case", "{WaIt 3}", "wait 3"},
    {"pause of ten", "{wait 10}", "wait 10"},
    {"pause without blank skips a digit", "{wait10}", "wait 0"},
    {"second blank ignored", "{wait  12}", "wait 12"},
    {"blank inside the number ignored", "{wait 1 2}", "wait 12"},
    {"half rounds down to even", "{wait 2.5}", "wait 2"},
    {"half rounds up to even", "{wait 3.5}", "wait 4"},
    {"only a pause", "{wait 1}", "wait 1"},
    {"text then pause", "abc{wait 1}", R"(keys type "abc" | wait 1)"},
    {"pause then text", "{wait 1}abc", R"(wait 1 | keys type "abc")"},
    {"consecutive pauses", "a{wait 1}{wait 2}b", R"(keys type "a" | wait 1 | wait 2 | keys type "b")"},
    {"capitals arrive in lower case", "ABC{Tab}+X", R"(keys type "abc", key Tab, key shift+x)"},
    {"text between pauses in one call", "a{tab}b{wait 1}c~d",
        R"(keys type "a", key Tab, type "b" | wait 1 | keys type "c", key Return, type "d")"},
    {"negative pause", "{wait -3}", "wait 0"},
    {"pause that is no number", "{wait abc}", "wait 0"},
    {"pause without number", "{wait}", "wait 0"},
    {"pause beyond 16 bits", "{wait 99999}", "wait 3600"},
    {"pause with exponent", "{wait 1e9}", "wait 3600"},
    {"pause of an hour", "{wait 3600}", "wait 3600"},
    {"pause closed by a later key", "{wait 2 {tab}x", R"(wait 2 | keys type "x")"},
    {"pause never closed", "ab{wait 3", R"(keys type "ab" | keys type "{wait 3")"},
    {"pause never closed at the start", "{WAIT 3 ~", R"(keys type "{wait 3 ", key Return)"},
};

INSTANTIATE_TEST_SUITE_P(Table, SendKeystrokes, ::testing::ValuesIn(ScriptCases), test::CaseName{});

} // namespace
} // namespace tarnwick
