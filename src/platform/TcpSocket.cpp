#include "platform/TcpSocket.h"

#include <charconv>

namespace tarnwick {

namespace {

// Bounds what Qt buffers ahead of us, so a fast server cannot make the program hold a big file
// in memory: the rest waits in the kernel until we have written what we read.
constexpr qint64 ReadBufferSize = 256 * 1024;

// Counts the socket's own signals being handled, so Reset knows whether it may delete the socket.
class Dispatching
{
public:
    explicit Dispatching(int& depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~Dispatching() { --m_depth; }
    Dispatching(const Dispatching&) = delete;
    Dispatching& operator=(const Dispatching&) = delete;

private:
    int& m_depth;
};

} // namespace

void SplitHostAndPort(std::string_view host, int defaultPort, std::string& name, int& port)
{
    port = defaultPort;
    std::string_view rest;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) {
            name = std::string(host);
            return;
        }
        name = std::string(host.substr(1, close - 1));
        rest = host.substr(close + 1);
    } else {
        const std::size_t colon = host.find(':');
        name = std::string(host.substr(0, colon));
        if (colon != std::string_view::npos)
            rest = host.substr(colon);
    }
    if (rest.size() > 1 && rest.front() == ':') {
        const std::string_view digits = rest.substr(1);
        int value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc() && end == digits.data() + digits.size() && value > 0 && value < 65536)
            port = value;
    }
}

TcpSocket::TcpSocket(QObject* parent)
    : QObject(parent)
{ }

TcpSocket::~TcpSocket()
{
    Reset();
}

void TcpSocket::Reset()
{
    if (m_socket == nullptr)
        return;
    // Disconnect first: a closed connection reports nothing more.
    m_socket->disconnect(this);
    m_socket->abort();
    // Inside one of the socket's own signals it must outlive the call; otherwise it goes now, as
    // deferred deletes would wait for the end of a whole crawl's nested waits.
    if (m_dispatching > 0)
        m_socket->deleteLater();
    else
        delete m_socket;
    m_socket = nullptr;
}

void TcpSocket::Close()
{
    Reset();
}

bool TcpSocket::Connect()
{
    Reset();
    std::string name;
    int port = 0;
    SplitHostAndPort(RemoteHost(), RemotePort(), name, port);
    if (name.empty() || port <= 0 || port > 65535)
        return false;

    m_connected = false;
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(ReadBufferSize);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        const Dispatching dispatching(m_dispatching);
        m_connected = true;
        if (Events() != nullptr)
            Events()->OnConnected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &TcpSocket::Drain);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpSocket::OnSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpSocket::OnDisconnected);
    m_socket->connectToHost(QString::fromStdString(name), static_cast<quint16>(port));
    return true;
}

bool TcpSocket::Send(std::string_view bytes)
{
    if (m_socket == nullptr || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    return m_socket->write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

void TcpSocket::Drain()
{
    const Dispatching dispatching(m_dispatching);
    // A handler may close the socket (a cancel), which ends the loop.
    char buffer[64 * 1024];
    while (m_socket != nullptr && m_socket->bytesAvailable() > 0) {
        const qint64 got = m_socket->read(buffer, sizeof buffer);
        if (got <= 0)
            break;
        if (Events() != nullptr)
            Events()->OnData(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
}

void TcpSocket::OnSocketError(QAbstractSocket::SocketError error)
{
    const Dispatching dispatching(m_dispatching);
    if (m_socket == nullptr)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        Drain(); // what arrived before the close belongs to the answer
        if (m_socket != nullptr && Events() != nullptr)
            Events()->OnError(RemoteClosedCode, "The remote side closed the connection");
        return;
    }
    const std::string description = m_socket->errorString().toStdString();
    if (Events() != nullptr)
        Events()->OnError(!m_connected ? ConnectFailedCode : 10000 + static_cast<int>(error), description);
}

void TcpSocket::OnDisconnected()
{
    const Dispatching dispatching(m_dispatching);
    Drain();
    if (m_socket != nullptr && Events() != nullptr)
        Events()->OnClosed();
}

} // namespace tarnwick
