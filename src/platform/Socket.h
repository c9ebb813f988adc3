#pragma once

// The socket of the program: one TCP connection at a time, driven asynchronously. Its user sets
// the remote host and port, opens the connection, sends the request, and hears back through
// SocketEvents: connected, each piece of data in arrival order, closed, and errors.

#include <string>
#include <string_view>

namespace tarnwick {

class SocketEvents
{
public:
    virtual ~SocketEvents() = default;
    virtual void OnConnected() = 0;
    virtual void OnData(std::string_view chunk) = 0;
    virtual void OnClosed() = 0;
    virtual void OnError(int code, const std::string& description) = 0;
};

class Socket
{
public:
    // Reported through OnError when the remote side closes the connection.
    static constexpr int RemoteClosedCode = 20000;
    // Reported through OnError when a connection cannot be made (refused, unknown host, unreachable).
    static constexpr int ConnectFailedCode = 10061;

    virtual ~Socket() = default;

    void SetEvents(SocketEvents* events) { m_events = events; }

    // "name" connects to RemotePort; "name:port" (as a URL with an explicit port gives it) to that port.
    void SetRemoteHost(std::string host) { m_remoteHost = std::move(host); }
    const std::string& RemoteHost() const { return m_remoteHost; }
    void SetRemotePort(int port) { m_remotePort = port; }
    int RemotePort() const { return m_remotePort; }

    // Closes the connection, if any; no event of the closed connection is reported afterwards.
    virtual void Close() = 0;
    // Starts opening a connection to the remote host and port; completion is reported by
    // OnConnected (or OnError). False when the attempt fails at once (no host, bad port).
    virtual bool Connect() = 0;
    // Sends bytes on the open connection; false when there is none.
    virtual bool Send(std::string_view bytes) = 0;

protected:
    SocketEvents* Events() const { return m_events; }

private:
    SocketEvents* m_events = nullptr;
    std::string m_remoteHost;
    int m_remotePort = 0;
};

// Splits "name:port" into name and port; a host without a valid port keeps defaultPort. Handles
// bracketed IPv6 literals ("[::1]:8080").
void SplitHostAndPort(std::string_view host, int defaultPort, std::string& name, int& port);

} // namespace tarnwick
