#pragma once

// The user's options. They live in the controls of the main window; the core reads and writes them
// through this interface, so it never sees a widget. Check boxes read "1" when ticked, "0" when clear.

#include <map>
#include <string>

namespace tarnwick {

enum class Option
{
    CacheDays, // tbxCacheDays
    ValidExtensions, // tbxValidExtensions
    WebViewer, // tbxWebViewer
    AutoLaunchBrowser, // chkAutoLaunchBrowser
    InternetAddress, // tbxInternetAddress
    EnableSchedule, // chkEnableSchedule
    AccessProgram, // tbxInternetAccessSoftware
    AutoLogon, // chkAutoLogon
    LogonKeys, // tbxLogonKeystrokes
    LogoffKeys, // tbxLogoffKeystrokes
};

class Options
{
public:
    virtual ~Options() = default;
    virtual std::string Get(Option option) const = 0;
    // Setting a check box runs its click handler, as a user's click would.
    virtual void Set(Option option, const std::string& value) = 0;

    bool IsTicked(Option option) const { return Get(option) == "1"; }
};

// Options without a window, starting at the design values of the controls.
class MemoryOptions final : public Options
{
public:
    MemoryOptions()
        : m_values{{Option::CacheDays, "3"}, {Option::ValidExtensions, "txt gif bmp jpg jpeg htm html "},
            {Option::AutoLaunchBrowser, "0"}, {Option::EnableSchedule, "0"}, {Option::AutoLogon, "0"}}
    { }
    std::string Get(Option option) const override
    {
        const auto found = m_values.find(option);
        return found == m_values.end() ? std::string() : found->second;
    }
    void Set(Option option, const std::string& value) override { m_values[option] = value; }

private:
    std::map<Option, std::string> m_values;
};

} // namespace tarnwick
