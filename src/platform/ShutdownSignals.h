#pragma once

// Turns SIGTERM, SIGINT and SIGHUP (a desktop session ending, a service manager stopping the
// program) into a call on the event loop, so the program shuts down in its usual order and saves.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace tarnwick {

class ShutdownSignals final : public QObject
{
public:
    // onSignal runs on the event loop, once per signal received.
    explicit ShutdownSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~ShutdownSignals() override;

    bool IsInstalled() const { return m_notifier != nullptr; }

private:
    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tarnwick
