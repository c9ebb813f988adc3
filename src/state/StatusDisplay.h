#pragma once

// The one progress display of every long operation (the download status window). The core reports
// through this interface; the window implements it, tests record what was shown.

#include <string>

namespace tarnwick {

class StatusDisplay
{
public:
    virtual ~StatusDisplay() = default;
    // Shows the window if needed (disabling the main window) and replaces its whole content:
    // the caption, the text Status + CR LF + Progress, and Cancel enabled exactly when button.
    virtual void StatusWindow(
        const std::string& caption, const std::string& status, const std::string& progress, bool button)
        = 0;
    // Closes the window and gives the main window back to the user.
    virtual void UnloadStatusWindow() = 0;
    // Sets the status text alone, without touching caption or button.
    virtual void SetReceivingText(const std::string& text) = 0;
};

// A display that shows nothing (start-up steps run without windows in tests and benchmarks).
class NullStatusDisplay final : public StatusDisplay
{
public:
    void StatusWindow(const std::string&, const std::string&, const std::string&, bool) override { }
    void UnloadStatusWindow() override { }
    void SetReceivingText(const std::string&) override { }
};

} // namespace tarnwick
