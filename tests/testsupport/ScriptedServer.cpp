#include "testsupport/ScriptedServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <stdexcept>
#include <sys/socket.h>

namespace tarnwick::test {

struct ScriptedServer::Session
{
    QPointer<QTcpSocket> Socket;
    std::size_t Index = 0; // index into m_received
    ServerScript Steps;
    std::size_t Next = 0;
    bool Started = false;
};

ScriptedServer::ScriptedServer()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::OnNewConnection);
}

ScriptedServer::~ScriptedServer() = default;

int ScriptedServer::Port() const
{
    return m_server.serverPort();
}

std::string ScriptedServer::HostWithPort() const
{
    return "127.0.0.1:" + std::to_string(Port());
}

void ScriptedServer::Serve(const std::string& path, std::string bytes)
{
    Script(path, {ServerStep::Send(std::move(bytes)), ServerStep::Close()});
}

void ScriptedServer::Script(const std::string& path, ServerScript script)
{
    m_scripts[path] = std::move(script);
}

void ScriptedServer::ScriptDefault(ServerScript script)
{
    m_default = std::move(script);
}

void ScriptedServer::OnNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        auto* session = new Session;
        session->Socket = socket;
        session->Index = m_received.size();
        m_received.emplace_back();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [session] { delete session; });
        connect(socket, &QTcpSocket::readyRead, this, [this, session] { OnReadable(session); });
        if (m_answerBeforeRequest) {
            session->Steps = m_default;
            session->Started = true;
            Run(session);
        } else if (socket->bytesAvailable() > 0) {
            OnReadable(session); // the request came in before we listened for it
        }
    }
}

void ScriptedServer::OnReadable(Session* session)
{
    QTcpSocket* socket = session->Socket;
    if (socket == nullptr)
        return;
    QByteArray& received = m_received[session->Index];
    received += socket->readAll();
    if (session->Started)
        return;
    const qsizetype end = received.indexOf('\n');
    if (end < 0)
        return;
    std::string line = received.left(end).toStdString();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    m_requests.push_back(line);
    const std::string path = line.rfind("GET ", 0) == 0 ? line.substr(4) : line;
    const auto found = m_scripts.find(path);
    session->Steps = found != m_scripts.end() ? found->second : m_default;
    session->Started = true;
    Run(session);
}

void ScriptedServer::Run(Session* session)
{
    while (session->Socket != nullptr && session->Next < session->Steps.size()) {
        const ServerStep& step = session->Steps[session->Next++];
        QTcpSocket* socket = session->Socket;
        switch (step.What) {
        case ServerStep::Kind::Send:
            socket->write(step.Bytes.data(), static_cast<qint64>(step.Bytes.size()));
            socket->flush();
            break;
        case ServerStep::Kind::Pause:
            QTimer::singleShot(step.Milliseconds, socket, [this, session] { Run(session); });
            return;
        case ServerStep::Kind::Close:
            socket->disconnectFromHost();
            return;
        case ServerStep::Kind::Reset: {
            // SO_LINGER with a zero time makes the close send a reset instead of a normal close.
            const linger hard{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            socket->abort();
            return;
        }
        case ServerStep::Kind::Stall:
            return;
        }
    }
}

} // namespace tarnwick::test
