#include "platform/Keystrokes.h"
#include "platform/Programs.h"
#include "schedule/LogonAutomation.h"
#include "support/Files.h"
#include "support/Wait.h"
#include "testsupport/QtApplication.h"
#include "testsupport/TempFolder.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;

// Waits in the event loop until condition holds or the limit passes; whether it holds.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s)
{
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        WaitFor(20ms);
    }
    return true;
}

std::vector<std::string> Lines(const std::string& path)
{
    std::string contents;
    ReadWholeFile(path, contents);
    std::vector<std::string> lines;
    std::string line;
    for (char c : contents) {
        if (c != '\n') {
            line += c;
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

// The key presses a recorder wrote, presses of modifier keys alone left out.
std::vector<std::string> KeyLines(const std::string& path)
{
    std::vector<std::string> keys;
    for (const std::string& line : Lines(path)) {
        if (line.starts_with("key "))
            keys.push_back(line.substr(4));
    }
    return keys;
}

bool IsReady(const std::string& path)
{
    const std::vector<std::string> lines = Lines(path);
    return std::find(lines.begin(), lines.end(), "ready") != lines.end();
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Sets or removes an environment variable for the life of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        if (value)
            qputenv(name, QByteArray::fromStdString(*value));
        else
            qunsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// Xvfb on a display number of its own, ended with the object.
class PrivateDisplay
{
public:
    explicit PrivateDisplay(const QString& xvfb)
    {
        // Parallel runs start at different numbers; a number taken meanwhile only costs a retry.
        const int first = 100 + static_cast<int>(::getpid() % 400);
        for (int n = first; n < first + 20 && m_name.empty(); ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
                || QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            if (Start(xvfb, n))
                m_name = ":" + std::to_string(n);
        }
    }
    ~PrivateDisplay() { Stop(); }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N", or "" when no display could be started.
    const std::string& Name() const { return m_name; }

private:
    bool Start(const QString& xvfb, int number)
    {
        // With -displayfd Xvfb writes its number once it accepts connections.
        m_process.setProgram(xvfb);
        m_process.setArguments({QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
            QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24"), QStringLiteral("-displayfd"),
            QStringLiteral("1")});
        m_process.setStandardErrorFile(QProcess::nullDevice());
        QByteArray output;
        bool done = false;
        QEventLoop loop;
        const auto finish = [&] {
            done = true;
            loop.quit();
        };
        const auto read = QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, [&] {
            output += m_process.readAllStandardOutput();
            if (output.contains('\n'))
                finish();
        });
        const auto ended = QObject::connect(&m_process, &QProcess::finished, &loop, finish);
        const auto failed = QObject::connect(&m_process, &QProcess::errorOccurred, &loop, finish);
        QTimer::singleShot(20s, &loop, &QEventLoop::quit);
        m_process.start();
        if (!done)
            loop.exec();
        QObject::disconnect(read);
        QObject::disconnect(ended);
        QObject::disconnect(failed);
        if (m_process.state() == QProcess::Running && output.trimmed() == QByteArray::number(number))
            return true;
        Stop();
        return false;
    }

    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess m_process;
    std::string m_name;
};

// Ends the program started as the access program, if it still runs, however the test ends.
class EndsStartedProgram
{
public:
    explicit EndsStartedProgram(const long long& processId)
        : m_processId(processId)
    { }
    ~EndsStartedProgram()
    {
        if (ProcessIsRunning(m_processId))
            ::kill(static_cast<pid_t>(m_processId), SIGTERM);
    }
    EndsStartedProgram(const EndsStartedProgram&) = delete;
    EndsStartedProgram& operator=(const EndsStartedProgram&) = delete;

private:
    const long long& m_processId;
};

// The program's waits, shortened a hundredfold. The first (the access program's start-up) also
// waits until the recorder has the focus, which the five seconds stand for with a real program.
class TestWaiter final : public Waiter
{
public:
    explicit TestWaiter(std::function<bool()> started)
        : m_started(std::move(started))
    { }
    void WaitSeconds(int seconds) override
    {
        if (m_started) {
            EXPECT_TRUE(WaitUntil(m_started)) << "the access program never got the focus";
            m_started = nullptr;
        }
        m_scaled.WaitSeconds(seconds);
    }

private:
    std::function<bool()> m_started;
    EventLoopWaiter m_scaled{0.01};
};

TEST(Xdotool, LogonAndLogoffTypeIntoTheAccessProgram)
{
    test::Application();
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup.sh installs both)";
    PrivateDisplay display(xvfb);
    ASSERT_FALSE(display.Name().empty()) << "Xvfb could not be started";
    const ScopedEnvironment displayVariable("DISPLAY", display.Name());

    // The access program: a script (with a blank in its path) that starts the recorder.
    test::TempFolder folder;
    const std::string keys = folder.File("keys.txt");
    const std::string access = folder.Write("access program",
        "#!/bin/sh\nexport QT_QPA_PLATFORM=xcb\nexec " + ShellQuoted(TARNWICK_KEY_RECORDER) + " " + ShellQuoted(keys)
            + "\n");
    ASSERT_EQ(::chmod(access.c_str(), 0755), 0);

    MemoryOptions options;
    options.Set(Option::AccessProgram, access);
    options.Set(Option::LogonKeys, "Jo{TAB}{WAIT 1}+x^a%b{f5}~");
    options.Set(Option::LogoffKeys, "{wait 1}(ab){Esc}+{tab 2}9");
    SessionState session;
    DetachedPrograms programs;
    XdotoolWindowControl windows;
    TestWaiter waiter([&] { return IsReady(keys); });
    LogonAutomation dial(options, session, programs, windows, waiter);
    const EndsStartedProgram ending(session.AccessTaskId);

    dial.LogonToInternet();
    EXPECT_TRUE(session.LoggedOn);
    ASSERT_GT(session.AccessTaskId, 0);
    std::vector<std::string> expected = {
        R"(J "j")",
        R"(O "o")",
        R"(Tab "\x09")",
        R"(Shift+X "X")",
        R"(Ctrl+A "\x01")",
        R"(Alt+B "b")",
        R"(F5 "")",
        R"(Return "\x0d")",
    };
    EXPECT_TRUE(WaitUntil([&] { return KeyLines(keys).size() >= expected.size(); }));
    EXPECT_EQ(KeyLines(keys), expected);

    // Another window takes the focus; logoff brings the access program back to the front.
    const std::string otherKeys = folder.File("other.txt");
    QProcess other;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    other.setProcessEnvironment(environment);
    other.start(QStringLiteral(TARNWICK_KEY_RECORDER), {QString::fromStdString(otherKeys)});
    ASSERT_TRUE(WaitUntil([&] { return IsReady(otherKeys); })) << "the other window never got the focus";

    dial.LogoffInternet();
    EXPECT_FALSE(session.LoggedOn);
    expected.insert(expected.end(),
        {R"(A "a")", R"(B "b")", R"(Esc "\x1b")", R"(Shift+Backtab "")", R"(Shift+Backtab "")", R"(9 "9")"});
    EXPECT_TRUE(WaitUntil([&] { return KeyLines(keys).size() >= expected.size(); }));
    EXPECT_EQ(KeyLines(keys), expected);
    EXPECT_EQ(KeyLines(otherKeys), std::vector<std::string>());

    // Once the access program has ended, logoff types nothing and still goes off line.
    ::kill(static_cast<pid_t>(session.AccessTaskId), SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return !ProcessIsRunning(session.AccessTaskId); }));
    session.LoggedOn = true;
    dial.LogoffInternet();
    EXPECT_FALSE(session.LoggedOn);
    EXPECT_EQ(KeyLines(otherKeys), std::vector<std::string>());

    other.terminate();
    other.waitForFinished(5000);
}

TEST(Xdotool, WithoutDisplayOrToolEverythingFailsQuietly)
{
    test::Application();
    const std::vector<KeyAction> keys = {KeyAction::Typing("abc"), KeyAction::Key("Return")};
    {
        const ScopedEnvironment noDisplay("DISPLAY", std::nullopt);
        XdotoolWindowControl windows;
        EXPECT_FALSE(windows.BringToFront(::getpid()));
        EXPECT_FALSE(windows.SendKeys(keys));

        MemoryOptions options;
        options.Set(Option::LogoffKeys, "bye~");
        SessionState session{true, ::getpid(), false};
        DetachedPrograms programs;
        EventLoopWaiter waiter(0.0);
        LogonAutomation dial(options, session, programs, windows, waiter);
        dial.LogoffInternet();
        EXPECT_FALSE(session.LoggedOn);
    }
    {
        const ScopedEnvironment display("DISPLAY", ":0");
        XdotoolWindowControl windows({}, "/nonexistent/xdotool");
        EXPECT_FALSE(windows.BringToFront(::getpid()));
        EXPECT_FALSE(windows.SendKeys(keys));
    }
}

TEST(Xdotool, RunningProcesses)
{
    EXPECT_TRUE(ProcessIsRunning(::getpid()));
    EXPECT_FALSE(ProcessIsRunning(0));
    EXPECT_FALSE(ProcessIsRunning(-1));
    EXPECT_FALSE(ProcessIsRunning(1LL << 40));
}

TEST(Xdotool, KeyNamesOfCharacters)
{
    EXPECT_EQ(KeyNameOfCharacter("a"), "a");
    EXPECT_EQ(KeyNameOfCharacter("7"), "7");
    EXPECT_EQ(KeyNameOfCharacter(" "), "space");
    EXPECT_EQ(KeyNameOfCharacter("+"), "plus");
    EXPECT_EQ(KeyNameOfCharacter("@"), "at");
    EXPECT_EQ(KeyNameOfCharacter("`"), "grave");
    EXPECT_EQ(KeyNameOfCharacter("~"), "asciitilde");
    EXPECT_EQ(KeyNameOfCharacter("é"), "U00E9");
    EXPECT_EQ(KeyNameOfCharacter("€"), "U20AC");
    EXPECT_EQ(KeyNameOfCharacter("\x01"), "");
    EXPECT_EQ(KeyNameOfCharacter("ab"), "");
}

} // namespace
} // namespace tarnwick
