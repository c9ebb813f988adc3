#pragma once

// Logon and logoff automation: goes on line and off line through the user's dial-up program by
// driving it as a user would. To go on line it starts the program, waits for it, and types the
// logon script; to go off line it brings the program to the front, waits, and types the logoff
// script. Nothing checks that the program started, has the focus, or connected.
//
// A script is keystroke text (see KeystrokeScript.h) with pauses: "{wait" in any case, one more
// character (normally a blank), a number of seconds and "}", such as "{wait 3}". The whole script
// is lower-cased first. The number is read the program's way (blanks anywhere are ignored, a text
// that is no number reads as 0) and rounded half to even; a pause is at least 0 and at most
// MaxPauseSeconds long ("{wait}" and "{wait10}" pause 0 seconds). A "{wait" with no "}" after it
// is no pause: the rest of the script is typed as written. The text between two pauses is typed in
// one go.

#include "platform/Keystrokes.h"
#include "platform/Programs.h"
#include "schedule/RunControl.h"
#include "state/Options.h"
#include "state/ProgramState.h"
#include "support/Wait.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The waits of a logon and a logoff, in seconds.
constexpr int AccessProgramStartSeconds = 5; // after starting the program, before the logon script
constexpr int AfterLogonSeconds = 10; // after the logon script
constexpr int BeforeLogoffSeconds = 2; // after bringing the program to the front

// A pause longer than an hour in a dial-up script can only be a mistake; it is cut to an hour.
constexpr int MaxPauseSeconds = 3600;

struct CommandLine
{
    std::string Program; // "" when there is nothing to start
    std::vector<std::string> Arguments;
};

// The program and arguments the text of the access program option stands for. Text that names an
// existing file is that program, blanks in its path included, with no arguments (run control
// starts the program only then). Other text is split into words at blanks, double quotes keeping a
// word with blanks together; the first word is the program.
CommandLine SplitAccessProgram(const std::string& text);

// The seconds a whole pause token ("{wait 3}") stands for.
int PauseSeconds(std::string_view token);

class LogonAutomation final : public DialUp
{
public:
    LogonAutomation(
        Options& settings, SessionState& session, Programs& programs, WindowControl& windows, Waiter& waiter);

    void LogonToInternet() override;
    // Never fails: when the program cannot be brought to the front nothing is typed, and the
    // session is off line in every case.
    void LogoffInternet() override;
    // Types a script into the window that has the focus, pausing at its pause tokens.
    void SendKeystrokes(const std::string& keysToSend);

private:
    Options& m_settings;
    SessionState& m_session;
    Programs& m_programs;
    WindowControl& m_windows;
    Waiter& m_waiter;
};

} // namespace tarnwick
