#include "platform/Keystrokes.h"

#include "support/Wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/types.h>

namespace tarnwick {

namespace {

using namespace std::chrono_literals;

std::string ModifierText(unsigned modifiers)
{
    std::string text;
    if ((modifiers & CtrlModifier) != 0)
        text += "ctrl+";
    if ((modifiers & AltModifier) != 0)
        text += "alt+";
    if ((modifiers & ShiftModifier) != 0)
        text += "shift+";
    return text;
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

// The code point of a UTF-8 character; false when the bytes are not exactly one character.
bool DecodeCharacter(const std::string& character, char32_t& codePoint)
{
    if (character.empty())
        return false;
    const auto lead = static_cast<unsigned char>(character[0]);
    std::size_t length = 0;
    if (lead < 0x80) {
        length = 1;
        codePoint = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return false;
    }
    if (character.size() != length)
        return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(character[i]);
        if ((next & 0xC0) != 0x80)
            return false;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return true;
}

} // namespace

std::string Describe(const KeyAction& action)
{
    if (action.What == KeyAction::Kind::Type)
        return "type \"" + action.Text + "\"";
    std::string text = "key " + ModifierText(action.Modifiers) + action.Text;
    if (action.Count != 1)
        text += " x" + std::to_string(action.Count);
    return text;
}

std::string Describe(const std::vector<KeyAction>& actions)
{
    std::string text;
    for (const KeyAction& action : actions) {
        if (!text.empty())
            text += ", ";
        text += Describe(action);
    }
    return text;
}

std::string KeyNameOfCharacter(const std::string& character)
{
    // X key names of the ASCII punctuation, by range.
    static constexpr const char* BlankToSlash[] = {"space", "exclam", "quotedbl", "numbersign", "dollar", "percent",
        "ampersand", "apostrophe", "parenleft", "parenright", "asterisk", "plus", "comma", "minus", "period", "slash"};
    static constexpr const char* ColonToAt[] = {"colon", "semicolon", "less", "equal", "greater", "question", "at"};
    static constexpr const char* BracketToGrave[]
        = {"bracketleft", "backslash", "bracketright", "asciicircum", "underscore", "grave"};
    static constexpr const char* BraceToTilde[] = {"braceleft", "bar", "braceright", "asciitilde"};

    char32_t c = 0;
    if (!DecodeCharacter(character, c))
        return {};
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9'))
        return character;
    if (c >= U' ' && c <= U'/')
        return BlankToSlash[c - U' '];
    if (c >= U':' && c <= U'@')
        return ColonToAt[c - U':'];
    if (c >= U'[' && c <= U'`')
        return BracketToGrave[c - U'['];
    if (c >= U'{' && c <= U'~')
        return BraceToTilde[c - U'{'];
    if (c == U'\t')
        return "Tab";
    if (c == U'\n' || c == U'\r')
        return "Return";
    if (c < 0xA0)
        return {}; // other control characters have no key
    // The X keyboard names every other character by its code point.
    char name[16];
    std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(c));
    return name;
}

bool ProcessIsRunning(long long processId)
{
    // 0 and negative ids would address process groups; never probe those.
    if (processId <= 0 || processId > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM)
        return false;
    // An ended program whose parent has not collected it yet still has an id: read its state.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0 || nameEnd + 2 >= line.size())
        return true;
    const char state = line[nameEnd + 2];
    return state != 'Z' && state != 'X';
}

XdotoolWindowControl::XdotoolWindowControl()
    : XdotoolWindowControl(Timing{})
{ }

XdotoolWindowControl::XdotoolWindowControl(Timing timing, std::string xdotool)
    : m_timing(timing)
    , m_xdotool(std::move(xdotool))
{ }

XdotoolWindowControl::ToolResult XdotoolWindowControl::Run(
    const std::vector<std::string>& arguments, std::chrono::milliseconds extraTime) const
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.setProgram(QString::fromStdString(m_xdotool));
    process.setArguments(list);
    process.setStandardInputFile(QProcess::nullDevice());
    // Its complaints (such as a window manager refusing activation) are not shown anywhere.
    process.setStandardErrorFile(QProcess::nullDevice());

    const auto timeout = m_timing.ToolTimeout + extraTime;
    bool ended = false;
    if (QCoreApplication::instance() != nullptr) {
        // Wait in the event loop so the windows stay responsive while a long text is typed.
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::finished, &loop, [&] {
            ended = true;
            loop.quit();
        });
        QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                ended = true;
                loop.quit();
            }
        });
        process.start();
        if (!ended) {
            timer.start(timeout);
            loop.exec();
        }
    } else {
        process.start();
        ended = process.waitForFinished(static_cast<int>(timeout.count()));
    }

    ToolResult result;
    if (!ended) {
        process.kill();
        process.waitForFinished(1000);
        return result;
    }
    if (process.error() == QProcess::FailedToStart || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.Ran = true;
    result.ExitCode = process.exitCode();
    result.Output = process.readAllStandardOutput().toStdString();
    return result;
}

std::vector<std::string> XdotoolWindowControl::FindWindows(long long processId, bool& toolRan) const
{
    const ToolResult found = Run({"search", "--onlyvisible", "--pid", std::to_string(processId)}, 0ms);
    toolRan = found.Ran;
    std::vector<std::string> windows;
    std::string line;
    for (char c : found.Output) {
        if (c >= '0' && c <= '9') {
            line += c;
        } else if (c == '\n') {
            if (!line.empty())
                windows.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        windows.push_back(line);
    return windows;
}

bool XdotoolWindowControl::BringToFront(long long processId)
{
    if (!HasDisplay() || !ProcessIsRunning(processId))
        return false;
    const QDeadlineTimer deadline(m_timing.WindowSearch);
    bool toolRan = false;
    std::vector<std::string> windows = FindWindows(processId, toolRan);
    // A program that has just started may not have shown its window yet.
    while (windows.empty()) {
        if (!toolRan || deadline.hasExpired() || !ProcessIsRunning(processId))
            return false;
        WaitFor(100ms);
        windows = FindWindows(processId, toolRan);
    }
    // Search lists windows from the bottom of the stack up: the last is the one on top.
    const std::string& window = windows.back();
    if (Run({"windowactivate", window}, 0ms).Succeeded())
        return true;
    // Without a window manager activation is refused; raising and focusing does the same there.
    Run({"windowraise", window}, 0ms); // a window that cannot be raised may still take the focus
    return Run({"windowfocus", window}, 0ms).Succeeded();
}

bool XdotoolWindowControl::SendKeys(const std::vector<KeyAction>& actions)
{
    if (!HasDisplay())
        return false;
    const std::string delay = std::to_string(m_timing.KeyDelay.count());
    for (const KeyAction& action : actions) {
        std::vector<std::string> arguments;
        std::size_t keys = 0;
        if (action.What == KeyAction::Kind::Type) {
            if (action.Text.empty())
                continue;
            arguments = {"type", "--delay", delay, "--", action.Text};
            keys = action.Text.size();
        } else {
            const std::string key = action.Named ? action.Text : KeyNameOfCharacter(action.Text);
            if (key.empty() || action.Count <= 0)
                continue; // nothing that can be pressed
            arguments = {"key", "--delay", delay, "--"};
            const std::string chord = ModifierText(action.Modifiers) + key;
            for (int i = 0; i < action.Count; ++i)
                arguments.push_back(chord);
            keys = static_cast<std::size_t>(action.Count);
        }
        // Room for the keys themselves, twice over, on top of the fixed time-out.
        if (!Run(arguments, 2 * m_timing.KeyDelay * static_cast<long long>(keys)).Succeeded())
            return false;
    }
    return true;
}

} // namespace tarnwick
