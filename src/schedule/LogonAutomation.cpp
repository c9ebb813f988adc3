#include "schedule/LogonAutomation.h"

#include "schedule/KeystrokeScript.h"
#include "support/Files.h"
#include "support/Text.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace tarnwick {

namespace {

constexpr std::string_view PauseStart = "{wait";

} // namespace

CommandLine SplitAccessProgram(const std::string& text)
{
    if (FileExists(text))
        return {text, {}};
    const QStringList words = QProcess::splitCommand(QString::fromStdString(text));
    if (words.isEmpty())
        return {};
    CommandLine command{words.front().toStdString(), {}};
    for (qsizetype i = 1; i < words.size(); ++i)
        command.Arguments.push_back(words[i].toStdString());
    return command;
}

int PauseSeconds(std::string_view token)
{
    // The number stands from the 7th character to the one before the closing brace: "{wait" and
    // the character after it are skipped.
    const std::string_view number = token.size() > 7 ? Mid(token, 7, token.size() - 7) : std::string_view();
    const double seconds = RoundHalfEven(ReadNumber(number));
    return static_cast<int>(std::clamp(seconds, 0.0, static_cast<double>(MaxPauseSeconds)));
}

LogonAutomation::LogonAutomation(
    Options& settings, SessionState& session, Programs& programs, WindowControl& windows, Waiter& waiter)
    : m_settings(settings)
    , m_session(session)
    , m_programs(programs)
    , m_windows(windows)
    , m_waiter(waiter)
{ }

void LogonAutomation::LogonToInternet()
{
    const CommandLine command = SplitAccessProgram(m_settings.Get(Option::AccessProgram));
    m_session.AccessTaskId = command.Program.empty() ? 0 : m_programs.Start(command.Program, command.Arguments);
    m_waiter.WaitSeconds(AccessProgramStartSeconds);
    // On line as far as the program knows, whatever the dial-up program does with the keys.
    m_session.LoggedOn = true;
    // Without the program the keys (a password, often) would go to whatever window has the focus.
    if (m_session.AccessTaskId > 0)
        SendKeystrokes(m_settings.Get(Option::LogonKeys));
    m_waiter.WaitSeconds(AfterLogonSeconds);
}

void LogonAutomation::LogoffInternet()
{
    // Without a program started by us (the user went on line by hand) or a script there is
    // nothing to type; a program that has ended cannot be brought to the front.
    const std::string script = m_settings.Get(Option::LogoffKeys);
    if (m_session.AccessTaskId > 0 && !script.empty() && m_windows.BringToFront(m_session.AccessTaskId)) {
        m_waiter.WaitSeconds(BeforeLogoffSeconds);
        SendKeystrokes(script);
    }
    m_session.LoggedOn = false;
}

void LogonAutomation::SendKeystrokes(const std::string& keysToSend)
{
    std::string rest = ToLower(keysToSend);
    // Every pass removes at least one character, so the loop ends on any script.
    while (!rest.empty()) {
        std::size_t pause = FindIgnoreCase(rest, PauseStart);
        if (pause == 1) {
            const std::size_t close = Find(rest, "}");
            if (close != 0) {
                m_waiter.WaitSeconds(PauseSeconds(CutText(rest, 1, close)));
                continue;
            }
            pause = 0; // a pause that never closes is no pause: the rest is typed as written
        }
        const std::size_t length = pause == 0 ? rest.size() : pause - 1;
        const std::vector<KeyAction> actions = ParseKeystrokes(CutText(rest, 1, length));
        // Typing failures are not reported: nothing checks what the dial-up program receives.
        if (!actions.empty())
            m_windows.SendKeys(actions);
    }
}

} // namespace tarnwick
