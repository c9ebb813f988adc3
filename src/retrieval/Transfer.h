#pragma once

// The transfer of one file: connect through the socket, send the one-line request, write every
// byte that arrives into the cache file, and decide how it ended (finished, timed out, cancelled).
// The waits block in a local event loop; socket events, timers and the Cancel button run inside
// them.

#include "platform/Socket.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tarnwick {

struct TransferTimeouts
{
    // No connection within this time: the transfer fails and nothing is sent.
    std::chrono::milliseconds Connect{60'000};
    // No data for this long after the connection or the last chunk: the transfer fails.
    std::chrono::milliseconds Silence{300'000};
};

class Transfer final : public SocketEvents
{
public:
    Transfer(TransferStatus& status, Socket& socket, StatusDisplay& display, TransferTimeouts timeouts = {});
    ~Transfer() override;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Fetches one file into savePath. True on success (the server closed the connection, with or
    // without data); false when it timed out, failed to connect, could not write, or was cancelled.
    // The outcome is also left in status.State. A second call while one is waiting fails at once.
    bool TransferFile(const std::string& url, const std::string& host, int port, const std::string& request,
        const std::string& savePath);

    // The Cancel button: closes the connection and the output file, deletes the partial file, and
    // sets the state to Cancelled, which stays until the next transfer starts. Safe at any moment,
    // also when nothing waits.
    void Cancel();

    bool IsWaiting() const { return m_phase == Phase::Connecting || m_phase == Phase::Receiving; }
    std::int64_t BytesWritten() const { return m_bytes; }
    void SetTimeouts(TransferTimeouts timeouts) { m_timeouts = timeouts; }

    // SocketEvents
    void OnConnected() override;
    void OnData(std::string_view chunk) override;
    void OnClosed() override;
    void OnError(int code, const std::string& description) override;

private:
    enum class Phase
    {
        Idle,
        Connecting,
        Receiving,
        Ended,
    };

    void End(TransferStateValue state);
    bool CloseOutput(); // false when the last bytes could not be written
    void ShowProgress(const std::string& progress);

    TransferStatus& m_status;
    Socket& m_socket;
    StatusDisplay& m_display;
    TransferTimeouts m_timeouts;

    Phase m_phase = Phase::Idle;
    QEventLoop* m_loop = nullptr;
    QTimer m_connectTimer; // the connect time-out
    QTimer m_silenceTimer; // restarted by every chunk
    std::string m_request; // with its line end
    std::FILE* m_output = nullptr;
    std::int64_t m_bytes = 0;
};

} // namespace tarnwick
