#pragma once

// The clock reaches the core through this interface, so tests can fix the time.

namespace tarnwick {

class Clock
{
public:
    virtual ~Clock() = default;
    // The current local date and time as a day number, cut to whole seconds.
    virtual double NowAsDayNumber() const = 0;
};

class SystemClock final : public Clock
{
public:
    double NowAsDayNumber() const override;
};

// A clock that shows whatever the test set; it moves only when told to.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(double now = 0.0)
        : m_now(now)
    { }
    double NowAsDayNumber() const override { return m_now; }
    void Set(double now) { m_now = now; }
    void AdvanceSeconds(double seconds) { m_now += seconds / 86400.0; }

private:
    double m_now;
};

} // namespace tarnwick
