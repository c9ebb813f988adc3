#pragma once

// Bringing another program's window to the front and typing into the window that has the keyboard
// focus, as a user at the keyboard would.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {

// Modifier keys held down while a key is pressed; combine with |.
enum KeyModifier : unsigned
{
    NoModifier = 0,
    ShiftModifier = 1,
    CtrlModifier = 2,
    AltModifier = 4,
};

// One step of typing.
struct KeyAction
{
    enum class Kind
    {
        Type, // Text is typed as it stands, character by character
        Press // one key, Count times, with Modifiers held
    };

    Kind What = Kind::Type;
    // Type: the characters (UTF-8). Press: one character, or the name of a key when Named is true.
    // Key names are those of the X keyboard ("Return", "Tab", "Escape", "BackSpace", "Delete",
    // "Home", "End", "Up", "Down", "Left", "Right", "Page_Up", "Page_Down", "Insert", "F1".."F12").
    std::string Text;
    bool Named = false;
    unsigned Modifiers = NoModifier;
    int Count = 1;

    static KeyAction Typing(std::string text) { return {Kind::Type, std::move(text), false, NoModifier, 1}; }
    static KeyAction Key(std::string name, unsigned modifiers = NoModifier, int count = 1)
    {
        return {Kind::Press, std::move(name), true, modifiers, count};
    }
    static KeyAction Character(std::string character, unsigned modifiers, int count = 1)
    {
        return {Kind::Press, std::move(character), false, modifiers, count};
    }

    bool operator==(const KeyAction&) const = default;
};

// Readable text of actions, for tests and diagnostics: `type "abc"`, `key ctrl+shift+Tab x3`,
// `key alt+f`, joined by ", ".
std::string Describe(const KeyAction& action);
std::string Describe(const std::vector<KeyAction>& actions);

class WindowControl
{
public:
    virtual ~WindowControl() = default;
    // Brings the window of the running program with this process id to the front and gives it the
    // keyboard focus; false when the program is not running or has no window that could be found.
    virtual bool BringToFront(long long processId) = 0;
    // Types the actions, in order, into whichever window has the keyboard focus; returns once they
    // have been handed to the display. False when typing failed (the rest is then not typed).
    virtual bool SendKeys(const std::vector<KeyAction>& actions) = 0;
};

// Drives the X display named by DISPLAY with the xdotool program. Without a display, or without
// xdotool, every call fails quietly. xdotool runs with arguments (never through a shell) while the
// event loop goes on; each run is ended after a time-out.
class XdotoolWindowControl final : public WindowControl
{
public:
    struct Timing
    {
        // Between two typed keys; xdotool's own default.
        std::chrono::milliseconds KeyDelay{12};
        // How long a started program's window may take to appear.
        std::chrono::milliseconds WindowSearch{2000};
        // The longest a run of xdotool may take beyond the time its keys need.
        std::chrono::milliseconds ToolTimeout{5000};
    };

    XdotoolWindowControl();
    explicit XdotoolWindowControl(Timing timing, std::string xdotool = "xdotool");

    bool BringToFront(long long processId) override;
    bool SendKeys(const std::vector<KeyAction>& actions) override;

private:
    struct ToolResult
    {
        bool Ran = false; // started and ended by itself in time
        int ExitCode = -1;
        std::string Output; // its standard output

        bool Succeeded() const { return Ran && ExitCode == 0; }
    };
    ToolResult Run(const std::vector<std::string>& arguments, std::chrono::milliseconds extraTime) const;
    // The visible windows of the process; toolRan is false when xdotool could not be run at all.
    std::vector<std::string> FindWindows(long long processId, bool& toolRan) const;

    Timing m_timing;
    std::string m_xdotool;
};

// True when a process with this id is running now.
bool ProcessIsRunning(long long processId);

// The X key name xdotool's "key" command takes for one character ("a", "comma", "space", "U20AC").
std::string KeyNameOfCharacter(const std::string& character);

} // namespace tarnwick
