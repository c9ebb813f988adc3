#include "schedule/KeystrokeScript.h"

#include "support/Text.h"

#include <algorithm>
#include <string>

namespace tarnwick {

namespace {

struct NamedKey
{
    std::string_view Name; // as written in braces
    const char* Key; // the key it presses
};

constexpr NamedKey NamedKeys[] = {
    {"enter", "Return"},
    {"tab", "Tab"},
    {"esc", "Escape"},
    {"backspace", "BackSpace"},
    {"bs", "BackSpace"},
    {"delete", "Delete"},
    {"del", "Delete"},
    {"home", "Home"},
    {"end", "End"},
    {"up", "Up"},
    {"down", "Down"},
    {"left", "Left"},
    {"right", "Right"},
    {"pgup", "Page_Up"},
    {"pgdn", "Page_Down"},
    {"insert", "Insert"},
    {"f1", "F1"},
    {"f2", "F2"},
    {"f3", "F3"},
    {"f4", "F4"},
    {"f5", "F5"},
    {"f6", "F6"},
    {"f7", "F7"},
    {"f8", "F8"},
    {"f9", "F9"},
    {"f10", "F10"},
    {"f11", "F11"},
    {"f12", "F12"},
};

const char* FindNamedKey(std::string_view name)
{
    for (const NamedKey& key : NamedKeys) {
        if (EqualsIgnoreCase(key.Name, name))
            return key.Key;
    }
    return nullptr;
}

// The number of bytes of the UTF-8 character that starts at text[at], never past the end; a byte
// that starts no character counts as one.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if ((lead & 0xE0) == 0xC0)
        length = 2;
    else if ((lead & 0xF0) == 0xE0)
        length = 3;
    else if ((lead & 0xF8) == 0xF0)
        length = 4;
    return std::min(length, text.size() - at);
}

bool IsLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// What the text between a pair of braces stands for.
struct BraceItem
{
    bool Valid = false;
    bool Named = false;
    std::string Key; // a key name, or one character
    int Count = 1;
};

// Reads "name" or "name N": name is one character or a key name, N a repeat count.
BraceItem ReadBraceItem(std::string_view content)
{
    BraceItem item;
    if (content.empty())
        return item;
    std::size_t nameEnd = CharacterLength(content, 0);
    if (IsLetterOrDigit(content[0])) {
        while (nameEnd < content.size() && IsLetterOrDigit(content[nameEnd]))
            ++nameEnd;
    }
    const std::string_view name = content.substr(0, nameEnd);
    std::string_view rest = content.substr(nameEnd);
    if (!rest.empty()) {
        std::size_t blanks = 0;
        while (blanks < rest.size() && rest[blanks] == ' ')
            ++blanks;
        rest.remove_prefix(blanks);
        if (blanks == 0 || rest.empty())
            return item;
        int count = 0;
        for (char c : rest) {
            if (c < '0' || c > '9')
                return item;
            count = count * 10 + (c - '0');
            if (count > MaxKeyRepeat)
                return item; // also keeps the count from overflowing
        }
        item.Count = count;
    }
    if (nameEnd == CharacterLength(content, 0)) {
        item.Key = std::string(name);
    } else {
        const char* key = FindNamedKey(name);
        if (key == nullptr)
            return item;
        item.Key = key;
        item.Named = true;
    }
    item.Valid = true;
    return item;
}

class Parser
{
public:
    explicit Parser(std::string_view text)
        : m_text(text)
    { }

    std::vector<KeyAction> Run()
    {
        std::size_t at = 0;
        while (at < m_text.size()) {
            const char c = m_text[at];
            if (c == '+' || c == '^' || c == '%') {
                m_pending |= c == '+' ? ShiftModifier : c == '^' ? CtrlModifier : AltModifier;
                m_pendingText += c;
                ++at;
            } else if (c == '(') {
                m_groups.push_back(Held());
                ClearPending();
                ++at;
            } else if (c == ')' && !m_groups.empty()) {
                TypePendingAsText();
                m_groups.pop_back();
                ++at;
            } else if (c == '~') {
                PressKey("Return", 1);
                ++at;
            } else if (c == '{') {
                at = ReadBraces(at);
            } else {
                const std::size_t length = CharacterLength(m_text, at);
                PressCharacter(std::string(m_text.substr(at, length)), 1);
                at += length;
            }
        }
        // A group left open simply ends with the text.
        TypePendingAsText();
        return std::move(m_actions);
    }

private:
    // The modifiers of the enclosing groups and those written just before the next key.
    unsigned Held() const { return (m_groups.empty() ? NoModifier : m_groups.back()) | m_pending; }

    void ClearPending()
    {
        m_pending = NoModifier;
        m_pendingText.clear();
    }

    // Modifiers with no key after them are typed as the characters they were written as.
    void TypePendingAsText()
    {
        const std::string text = std::move(m_pendingText);
        ClearPending();
        for (char c : text)
            PressCharacter(std::string(1, c), 1);
    }

    void PressCharacter(const std::string& character, int count)
    {
        const unsigned modifiers = Held();
        ClearPending();
        Emit(character, modifiers, count);
    }

    // Plain characters join the typing action before them; with modifiers each is a key press.
    void Emit(const std::string& character, unsigned modifiers, int count)
    {
        if (count <= 0)
            return;
        if (modifiers != NoModifier) {
            m_actions.push_back(KeyAction::Character(character, modifiers, count));
            return;
        }
        if (m_actions.empty() || m_actions.back().What != KeyAction::Kind::Type)
            m_actions.push_back(KeyAction::Typing({}));
        for (int i = 0; i < count; ++i)
            m_actions.back().Text += character;
    }

    void PressKey(const std::string& name, int count)
    {
        const unsigned modifiers = Held();
        ClearPending();
        if (count > 0)
            m_actions.push_back(KeyAction::Key(name, modifiers, count));
    }

    // Reads the brace item at m_text[at] == '{'; returns the position after it.
    std::size_t ReadBraces(std::size_t at)
    {
        if (m_text.substr(at, 3) == "{}}") {
            PressCharacter("}", 1);
            return at + 3;
        }
        const std::size_t close = m_text.find('}', at + 1);
        if (close == std::string_view::npos) {
            PressCharacter("{", 1);
            return at + 1;
        }
        const std::string_view content = m_text.substr(at + 1, close - at - 1);
        const BraceItem item = ReadBraceItem(content);
        if (item.Named) {
            PressKey(item.Key, item.Count);
        } else if (item.Valid) {
            PressCharacter(item.Key, item.Count);
        } else {
            // Not understood: typed as written, under the modifiers written before it.
            const unsigned modifiers = Held();
            ClearPending();
            const std::string_view written = m_text.substr(at, close - at + 1);
            for (std::size_t i = 0; i < written.size();) {
                const std::size_t length = CharacterLength(written, i);
                Emit(std::string(written.substr(i, length)), modifiers, 1);
                i += length;
            }
        }
        return close + 1;
    }

    std::string_view m_text;
    std::vector<KeyAction> m_actions;
    std::vector<unsigned> m_groups; // the modifiers held in each open group, innermost last
    unsigned m_pending = NoModifier;
    std::string m_pendingText;
};

} // namespace

std::vector<KeyAction> ParseKeystrokes(std::string_view text)
{
    return Parser(text).Run();
}

} // namespace tarnwick
