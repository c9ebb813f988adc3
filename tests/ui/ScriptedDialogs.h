#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::test {

// Boxes whose answers the test lines up beforehand; each box shown is recorded, and an optional
// hook runs while the box would be open (to look at the program's state at that moment).
class ScriptedDialogs final : public Dialogs
{
public:
    struct Shown
    {
        std::string Title;
        std::string Text;
    };

    std::optional<std::string> InputBox(
        const std::string& title, const std::string& prompt, const std::string&) override
    {
        Record(title, prompt);
        if (Inputs.empty())
            return std::nullopt;
        auto answer = Inputs.front();
        Inputs.pop_front();
        return answer;
    }
    bool OkCancel(const std::string& title, const std::string& text) override
    {
        Record(title, text);
        return NextOk;
    }
    Answer YesNo(const std::string& title, const std::string& text) override
    {
        Record(title, text);
        return NextYesNo;
    }
    void Warning(const std::string& title, const std::string& text) override { Record(title, text); }

    std::deque<std::optional<std::string>> Inputs;
    bool NextOk = true;
    Answer NextYesNo = Answer::Yes;
    std::function<void()> WhileOpen;
    std::vector<Shown> Boxes;

private:
    void Record(const std::string& title, const std::string& text)
    {
        Boxes.push_back({title, text});
        if (WhileOpen)
            WhileOpen();
    }
};

} // namespace tarnwick::test
