#include "platform/ShutdownSignals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwick {

namespace {

int g_signalWriteEnd = -1; // the handler may only write a byte (async-signal-safe)
int g_signalReadEnd = -1;

extern "C" void OnShutdownSignal(int number)
{
    const char byte = static_cast<char>(number);
    // Nothing can be done about a full pipe inside a signal handler; one byte already waits then.
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalWriteEnd, &byte, 1);
}

} // namespace

ShutdownSignals::ShutdownSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
{
    if (g_signalWriteEnd < 0) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
            return;
        g_signalWriteEnd = ends[0];
        g_signalReadEnd = ends[1];
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalReadEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_signalReadEnd, bytes, sizeof bytes) > 0) { }
        if (m_onSignal)
            m_onSignal();
    });

    struct sigaction action
    {
    };
    action.sa_handler = OnShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

} // namespace tarnwick
