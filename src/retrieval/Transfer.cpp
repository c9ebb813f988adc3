#include "retrieval/Transfer.h"

#include "support/Files.h"
#include "support/Text.h"

namespace tarnwick {

Transfer::Transfer(TransferStatus& status, Socket& socket, StatusDisplay& display, TransferTimeouts timeouts)
    : m_status(status)
    , m_socket(socket)
    , m_display(display)
    , m_timeouts(timeouts)
{
    m_connectTimer.setObjectName(QStringLiteral("Timer1"));
    m_connectTimer.setSingleShot(true);
    m_silenceTimer.setSingleShot(true);
    QObject::connect(&m_connectTimer, &QTimer::timeout, &m_connectTimer, [this] {
        if (m_phase == Phase::Connecting)
            End(TransferStateValue::TimedOut);
    });
    QObject::connect(&m_silenceTimer, &QTimer::timeout, &m_silenceTimer, [this] {
        if (m_phase == Phase::Receiving)
            End(TransferStateValue::TimedOut);
    });
    m_socket.SetEvents(this);
}

Transfer::~Transfer()
{
    m_socket.SetEvents(nullptr);
    CloseOutput();
}

bool Transfer::TransferFile(
    const std::string& url, const std::string& host, int port, const std::string& request, const std::string& savePath)
{
    if (m_phase != Phase::Idle)
        return false; // one socket, one transfer: a nested call from inside a wait is refused

    m_status.CurrentURL = url;
    m_status.SavePath = savePath;
    m_socket.Close(); // a connection that an earlier transfer left open
    CloseOutput();
    m_bytes = 0;
    m_status.State = TransferStateValue::Finished;
    m_socket.SetRemotePort(port);
    m_socket.SetRemoteHost(host);

    m_phase = Phase::Connecting;
    if (!m_socket.Connect()) {
        // A connect that fails at once is a failure, never a success.
        m_phase = Phase::Idle;
        m_status.State = TransferStateValue::TimedOut;
        return false;
    }
    m_connectTimer.start(m_timeouts.Connect);

    QEventLoop loop;
    m_loop = &loop;
    m_request = request + CrLf;
    // One wait covers both phases: the connected event sends the request, and a connection that
    // opens and closes before the wait runs has already ended it.
    while (IsWaiting())
        loop.exec();
    m_loop = nullptr;

    // However it ended, nothing of this transfer may write a byte or change the state later.
    m_connectTimer.stop();
    m_silenceTimer.stop();
    m_socket.Close();
    CloseOutput();
    m_phase = Phase::Idle;
    return m_status.State != TransferStateValue::TimedOut && m_status.State != TransferStateValue::Cancelled;
}

void Transfer::Cancel()
{
    m_socket.Close();
    m_status.State = TransferStateValue::Cancelled;
    CloseOutput();
    if (!m_status.SavePath.empty() && FileExists(m_status.SavePath))
        DeleteFile(m_status.SavePath);
    m_connectTimer.stop();
    m_silenceTimer.stop();
    if (IsWaiting()) {
        m_phase = Phase::Ended;
        if (m_loop != nullptr)
            m_loop->quit();
    }
}

void Transfer::End(TransferStateValue state)
{
    m_status.State = state;
    m_phase = Phase::Ended;
    m_connectTimer.stop();
    m_silenceTimer.stop();
    if (m_loop != nullptr)
        m_loop->quit();
}

bool Transfer::CloseOutput()
{
    if (m_output == nullptr)
        return true;
    const bool closed = std::fclose(m_output) == 0;
    m_output = nullptr;
    return closed;
}

void Transfer::ShowProgress(const std::string& progress)
{
    m_display.StatusWindow("Download Status",
        "Receiving" + std::string(CrLf) + m_status.CurrentURL + CrLf + "Saving As" + CrLf + m_status.SavePath, progress,
        true);
}

void Transfer::OnConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    m_status.State = TransferStateValue::Connected;
    m_connectTimer.stop();
    m_phase = Phase::Receiving;
    ShowProgress("");
    m_silenceTimer.start(m_timeouts.Silence);
    // An error in sending is ignored: the close or the silence rule ends the wait.
    m_socket.Send(m_request);
}

void Transfer::OnData(std::string_view chunk)
{
    if (m_phase != Phase::Receiving || m_status.State != TransferStateValue::Connected || chunk.empty())
        return;
    if (m_output == nullptr) {
        m_output = std::fopen(m_status.SavePath.c_str(), "wb"); // truncates an older file of that name
        if (m_output == nullptr) {
            m_socket.Close();
            End(TransferStateValue::TimedOut); // the file cannot be stored: a failure, not a success
            return;
        }
    }
    if (std::fwrite(chunk.data(), 1, chunk.size(), m_output) != chunk.size()) {
        m_socket.Close();
        End(TransferStateValue::TimedOut); // a full disk must not pass for a complete file
        return;
    }
    m_bytes += static_cast<std::int64_t>(chunk.size());
    ShowProgress(std::to_string(m_bytes) + " bytes downloaded");
    m_silenceTimer.start(m_timeouts.Silence);
}

void Transfer::OnClosed()
{
    if (!IsWaiting())
        return;
    // The last bytes reach the disk at the close: a failure there is a failed transfer.
    End(CloseOutput() ? TransferStateValue::Finished : TransferStateValue::TimedOut);
    m_status.SavePath.clear();
}

void Transfer::OnError(int code, const std::string&)
{
    if (!IsWaiting())
        return;
    if (code == Socket::RemoteClosedCode) {
        End(CloseOutput() ? TransferStateValue::Finished : TransferStateValue::TimedOut);
        m_status.SavePath.clear();
    } else if (m_phase == Phase::Connecting && code == Socket::ConnectFailedCode) {
        // Refused or unknown host: fail now rather than sit out the connect time-out.
        End(TransferStateValue::TimedOut);
    } else if (m_phase == Phase::Receiving) {
        // The connection broke (not a close by the server): what arrived is not the whole file.
        m_socket.Close();
        End(TransferStateValue::TimedOut);
    }
}

} // namespace tarnwick
