#pragma once

#include "platform/Socket.h"

#include <QObject>
#include <QTcpSocket>

namespace tarnwick {

// The socket over QTcpSocket. Events are delivered from the Qt event loop.
class TcpSocket final : public QObject, public Socket
{
    Q_OBJECT

public:
    explicit TcpSocket(QObject* parent = nullptr);
    ~TcpSocket() override;

    void Close() override;
    bool Connect() override;
    bool Send(std::string_view bytes) override;

private:
    void Drain();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnDisconnected();
    void Reset();

    QTcpSocket* m_socket = nullptr;
    int m_dispatching = 0; // depth of the socket's own signals being handled
    bool m_connected = false; // the current connection was made (errors before it are connect failures)
};

} // namespace tarnwick
