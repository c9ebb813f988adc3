#pragma once

#include "platform/Socket.h"

#include <string>
#include <vector>

namespace tarnwick::test {

// A socket whose events the test raises itself, to put a transfer through any order of events.
class FakeSocket final : public Socket
{
public:
    void Close() override
    {
        ++Closes;
        Open = false;
    }
    bool Connect() override
    {
        ++Connects;
        Open = ConnectSucceeds;
        return ConnectSucceeds;
    }
    bool Send(std::string_view bytes) override
    {
        Sent.emplace_back(bytes);
        return Open;
    }

    // Raise events as the socket would (they reach whoever listens, even after a close, so a test
    // can check that late events are ignored).
    void RaiseConnected() { Events()->OnConnected(); }
    void RaiseData(std::string_view chunk) { Events()->OnData(chunk); }
    void RaiseClosed() { Events()->OnClosed(); }
    void RaiseError(int code) { Events()->OnError(code, "test"); }

    bool ConnectSucceeds = true;
    bool Open = false;
    int Connects = 0;
    int Closes = 0;
    std::vector<std::string> Sent;
};

} // namespace tarnwick::test
