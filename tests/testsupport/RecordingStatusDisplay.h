#pragma once

#include "state/StatusDisplay.h"

#include <string>
#include <vector>

namespace tarnwick::test {

// Records every call, so a test can check what the status window would have shown.
class RecordingStatusDisplay final : public StatusDisplay
{
public:
    struct Shown
    {
        std::string Caption;
        std::string Status;
        std::string Progress;
        bool Button = false;
    };

    void StatusWindow(
        const std::string& caption, const std::string& status, const std::string& progress, bool button) override
    {
        Calls.push_back({caption, status, progress, button});
        Visible = true;
    }
    void UnloadStatusWindow() override
    {
        ++Unloads;
        Visible = false;
    }
    void SetReceivingText(const std::string& text) override { ReceivingTexts.push_back(text); }

    std::vector<Shown> Calls;
    std::vector<std::string> ReceivingTexts;
    int Unloads = 0;
    bool Visible = false;
};

} // namespace tarnwick::test
