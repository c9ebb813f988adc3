#pragma once

// A loopback server for transfer and crawl tests. It answers the way a simple-request server
// does (read the request line, write the bytes, close), and each answer can be scripted with
// pauses, stalls and resets to produce the faults a transfer must survive. It runs in the test's
// own event loop, so it serves while the code under test waits.

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <map>
#include <string>
#include <vector>

class QTcpSocket;

namespace tarnwick::test {

struct ServerStep
{
    enum class Kind
    {
        Send, // write Bytes
        Pause, // wait Milliseconds
        Close, // close the connection (the normal end)
        Reset, // abort the connection with a reset
        Stall, // keep the connection open and send nothing more
    };
    Kind What = Kind::Send;
    std::string Bytes;
    int Milliseconds = 0;

    static ServerStep Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0}; }
    static ServerStep Pause(int ms) { return {Kind::Pause, {}, ms}; }
    static ServerStep Close() { return {Kind::Close, {}, 0}; }
    static ServerStep Reset() { return {Kind::Reset, {}, 0}; }
    static ServerStep Stall() { return {Kind::Stall, {}, 0}; }
};

using ServerScript = std::vector<ServerStep>;

class ScriptedServer final : public QObject
{
public:
    ScriptedServer();
    ~ScriptedServer() override;

    int Port() const;
    // "127.0.0.1:port", as a URL with an explicit port gives the host.
    std::string HostWithPort() const;

    // The answer to a request line "GET <path>" (or the bare path): the file's bytes, then close.
    void Serve(const std::string& path, std::string bytes);
    // A scripted answer to a path.
    void Script(const std::string& path, ServerScript script);
    // The answer to any path without its own (default: close at once).
    void ScriptDefault(ServerScript script);
    // Run the default script as soon as a connection opens, without reading the request.
    void SetAnswerBeforeRequest(bool on) { m_answerBeforeRequest = on; }

    // Every request line received, in order, without its line end.
    const std::vector<std::string>& Requests() const { return m_requests; }
    // The raw bytes received on each connection.
    const std::vector<QByteArray>& Received() const { return m_received; }
    int Connections() const { return m_connections; }

private:
    struct Session;
    void OnNewConnection();
    void OnReadable(Session* session);
    void Run(Session* session);

    QTcpServer m_server;
    std::map<std::string, ServerScript> m_scripts;
    ServerScript m_default{ServerStep::Close()};
    bool m_answerBeforeRequest = false;
    std::vector<std::string> m_requests;
    std::vector<QByteArray> m_received;
    int m_connections = 0;
};

} // namespace tarnwick::test
