#pragma once

// The input boxes and message boxes of the program, behind an interface so tests script the answers.

#include <optional>
#include <string>

class QWidget;

namespace tarnwick {

class Dialogs
{
public:
    enum class Answer
    {
        Yes,
        No,
        Cancel,
    };

    virtual ~Dialogs() = default;
    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> InputBox(
        const std::string& title, const std::string& prompt, const std::string& initial)
        = 0;
    // A message with OK and Cancel, no icon; true for OK.
    virtual bool OkCancel(const std::string& title, const std::string& text) = 0;
    // A question with Yes (the default) and No, no icon.
    virtual Answer YesNo(const std::string& title, const std::string& text) = 0;
    // A warning with an OK button.
    virtual void Warning(const std::string& title, const std::string& text) = 0;
};

// The real boxes, owned by parent.
class QtDialogs final : public Dialogs
{
public:
    explicit QtDialogs(QWidget* parent)
        : m_parent(parent)
    { }
    std::optional<std::string> InputBox(
        const std::string& title, const std::string& prompt, const std::string& initial) override;
    bool OkCancel(const std::string& title, const std::string& text) override;
    Answer YesNo(const std::string& title, const std::string& text) override;
    void Warning(const std::string& title, const std::string& text) override;

private:
    QWidget* m_parent;
};

} // namespace tarnwick
