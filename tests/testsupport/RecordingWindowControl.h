#pragma once

#include "platform/Keystrokes.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnwick::test {

// Window control that records what it is asked to do, in order: "front 4242" for bringing a
// program to the front, "keys <actions>" (see Describe) for each typing call.
class RecordingWindowControl final : public WindowControl
{
public:
    explicit RecordingWindowControl(std::vector<std::string>& events)
        : m_events(events)
    { }
    bool BringToFront(long long processId) override
    {
        m_events.push_back("front " + std::to_string(processId));
        return FrontSucceeds;
    }
    bool SendKeys(const std::vector<KeyAction>& actions) override
    {
        if (OnSend)
            OnSend();
        m_events.push_back("keys " + Describe(actions));
        return true;
    }

    // False to act as if the program had ended.
    bool FrontSucceeds = true;
    // Runs at every typing call, before it is recorded.
    std::function<void()> OnSend;

private:
    std::vector<std::string>& m_events;
};

} // namespace tarnwick::test
