#pragma once

// Waits that keep the user interface responsive: they block in a local event loop (no spinning)
// and let timers, socket events and clicks run meanwhile.

#include <chrono>

namespace tarnwick {

class Waiter
{
public:
    virtual ~Waiter() = default;
    // Returns once the given number of seconds has passed, handling pending events all the while.
    // Zero or a negative number handles the pending events once and returns.
    virtual void WaitSeconds(int seconds) = 0;
};

// Waits in real time; scale shortens every wait (tests use a small scale, the program 1).
class EventLoopWaiter final : public Waiter
{
public:
    explicit EventLoopWaiter(double scale = 1.0)
        : m_scale(scale)
    { }
    void WaitSeconds(int seconds) override;

private:
    double m_scale;
};

// Blocks in a local event loop for the given time, handling events; returns at once for zero.
void WaitFor(std::chrono::milliseconds duration);

// Lets the event loop handle the events that are pending now, once.
void ProcessPendingEvents();

} // namespace tarnwick
