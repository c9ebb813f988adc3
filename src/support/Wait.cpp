#include "support/Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace tarnwick {

void ProcessPendingEvents()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitFor(std::chrono::milliseconds duration)
{
    ProcessPendingEvents();
    if (duration.count() <= 0 || QCoreApplication::instance() == nullptr)
        return;
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void EventLoopWaiter::WaitSeconds(int seconds)
{
    const auto scaled = static_cast<long long>(seconds * 1000.0 * m_scale);
    WaitFor(std::chrono::milliseconds(scaled));
}

} // namespace tarnwick
