#include "retrieval/Transfer.h"

#include "platform/TcpSocket.h"
#include "support/Files.h"
#include "testsupport/FakeSocket.h"
#include "testsupport/QtApplication.h"
#include "testsupport/RecordingStatusDisplay.h"
#include "testsupport/ScriptedServer.h"
#include "testsupport/TempFolder.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::ServerScript;
using test::ServerStep;

// Test-scaled time-outs: the program's are 60 s and 5 min. Every wait a test expects to end early
// must end well within them, also on a loaded machine under the sanitizers.
constexpr TransferTimeouts Quick{800ms, 800ms};
constexpr int WellWithinMs = 600;

class TransferTest : public ::testing::Test, protected test::WithApplication
{
protected:
    bool Fetch(const std::string& path, const std::string& file = "out.gif")
    {
        return transfer.TransferFile("http://test" + path, server.HostWithPort(), 80, "GET " + path, folder.File(file));
    }

    test::TempFolder folder;
    test::ScriptedServer server;
    TransferStatus status;
    TcpSocket socket;
    test::RecordingStatusDisplay display;
    Transfer transfer{status, socket, display, Quick};
};

TEST_F(TransferTest, StoresTheAnswerChunkByChunkAndReportsProgress)
{
    const std::string body(1234, 'x');
    server.Script("/d/a.gif",
        {ServerStep::Send(body.substr(0, 400)), ServerStep::Pause(30), ServerStep::Send(body.substr(400, 400)),
            ServerStep::Pause(30), ServerStep::Send(body.substr(800)), ServerStep::Pause(30), ServerStep::Close()});
    ASSERT_TRUE(Fetch("/d/a.gif"));
    EXPECT_EQ(status.State, TransferStateValue::Finished);
    ASSERT_EQ(server.Received().size(), 1u);
    EXPECT_EQ(server.Received()[0].toStdString(), "GET /d/a.gif\r\n") << "nothing else is written to the socket";
    EXPECT_EQ(folder.Read("out.gif"), body);

    ASSERT_EQ(display.Calls.size(), 4u); // connected, then one per chunk
    EXPECT_EQ(display.Calls[0].Caption, "Download Status");
    EXPECT_EQ(display.Calls[0].Status, "Receiving\r\nhttp://test/d/a.gif\r\nSaving As\r\n" + folder.File("out.gif"));
    EXPECT_EQ(display.Calls[0].Progress, "");
    EXPECT_TRUE(display.Calls[0].Button);
    EXPECT_EQ(display.Calls[1].Progress, "400 bytes downloaded");
    EXPECT_EQ(display.Calls[3].Progress, "1234 bytes downloaded");
}

TEST_F(TransferTest, AnExistingFileIsTruncatedNotAppendedTo)
{
    folder.Write("out.gif", std::string(5000, 'o'));
    server.Serve("/a.gif", "new");
    ASSERT_TRUE(Fetch("/a.gif"));
    EXPECT_EQ(folder.Read("out.gif"), "new");
}

TEST_F(TransferTest, AServerThatClosesWithoutSendingCreatesNoFile)
{
    ASSERT_TRUE(Fetch("/empty.htm"));
    EXPECT_FALSE(FileExists(folder.File("out.gif")));
    EXPECT_EQ(status.State, TransferStateValue::Finished);
}

TEST_F(TransferTest, AnAnswerBeforeTheRequestIsKept)
{
    server.SetAnswerBeforeRequest(true);
    server.ScriptDefault({ServerStep::Send("early"), ServerStep::Close()});
    ASSERT_TRUE(Fetch("/x.htm"));
    EXPECT_EQ(folder.Read("out.gif"), "early");
}

TEST_F(TransferTest, SilenceCountsFromTheLastChunk)
{
    ServerScript slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(ServerStep::Send("b"));
        slow.push_back(ServerStep::Pause(250)); // under a third of the silence limit
    }
    slow.push_back(ServerStep::Close());
    server.Script("/slow.txt", slow);
    ASSERT_TRUE(Fetch("/slow.txt"));
    EXPECT_EQ(folder.Read("out.gif"), "bbbbbbbb");
}

TEST_F(TransferTest, AStallAfterAPartTimesOutAndKeepsThePartialFile)
{
    server.Script("/stall.htm", {ServerStep::Send("part"), ServerStep::Stall()});
    EXPECT_FALSE(Fetch("/stall.htm"));
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
    EXPECT_EQ(folder.Read("out.gif"), "part");
}

TEST_F(TransferTest, ARefusedConnectionFailsAtOnce)
{
    int closedPort = 0;
    {
        test::ScriptedServer gone;
        closedPort = gone.Port();
    }
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(transfer.TransferFile(
        "http://x/", "127.0.0.1:" + std::to_string(closedPort), 80, "GET /", folder.File("out.htm")));
    EXPECT_NE(status.State, TransferStateValue::Finished);
    EXPECT_FALSE(FileExists(folder.File("out.htm")));
    EXPECT_TRUE(display.Calls.empty());
}

TEST_F(TransferTest, AHostThatDoesNotResolveFails)
{
    EXPECT_FALSE(transfer.TransferFile(
        "http://no-such-host.invalid/", "no-such-host.invalid", 80, "GET /", folder.File("out.htm")));
    EXPECT_FALSE(FileExists(folder.File("out.htm")));
}

TEST_F(TransferTest, AnEmptyHostFailsWithoutWaiting)
{
    EXPECT_FALSE(transfer.TransferFile("x", "", 80, "GET /", folder.File("out.htm")));
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
}

TEST_F(TransferTest, AResetInTheMiddleEndsTheTransferWithTheDataSoFar)
{
    server.Script("/reset.htm", {ServerStep::Send("before"), ServerStep::Pause(30), ServerStep::Reset()});
    QElapsedTimer elapsed;
    elapsed.start();
    Fetch("/reset.htm");
    EXPECT_LT(elapsed.elapsed(), WellWithinMs) << "a reset must end the wait, not the silence rule";
    EXPECT_EQ(folder.Read("out.gif"), "before");
}

TEST_F(TransferTest, CancelDuringDataDeletesThePartialFileAndStopsWriting)
{
    server.Script("/big.htm",
        {ServerStep::Send("first"), ServerStep::Pause(50), ServerStep::Send("second"), ServerStep::Pause(50),
            ServerStep::Close()});
    // Cancel as the first chunk is shown, the way the Cancel button runs inside the wait.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (display.Calls.size() >= 2)
            transfer.Cancel();
    });
    poll.start(5);
    EXPECT_FALSE(Fetch("/big.htm", "big.htm"));
    poll.stop();
    EXPECT_EQ(status.State, TransferStateValue::Cancelled);
    EXPECT_FALSE(FileExists(folder.File("big.htm")));
    test::Application().processEvents();
    EXPECT_FALSE(FileExists(folder.File("big.htm")));
    EXPECT_EQ(status.State, TransferStateValue::Cancelled);
}

TEST_F(TransferTest, CancelWhenNothingWaitsStillStopsTheRun)
{
    transfer.Cancel();
    EXPECT_EQ(status.State, TransferStateValue::Cancelled);
    EXPECT_FALSE(transfer.IsWaiting());
}

TEST_F(TransferTest, AnExplicitPortInTheHostIsReached)
{
    server.Serve("/p.htm", "port");
    ASSERT_TRUE(transfer.TransferFile("http://x/p.htm", server.HostWithPort(), 80, "GET /p.htm", folder.File("p.htm")));
    EXPECT_EQ(folder.Read("p.htm"), "port");
}

// Orders of events that a real server can't produce on demand.
class TransferEventsTest : public ::testing::Test, protected test::WithApplication
{
protected:
    // Runs TransferFile while the given events are raised from the event loop.
    bool RunWith(std::function<void()> events)
    {
        QTimer::singleShot(0, [events] { events(); });
        return transfer.TransferFile("http://h/a.htm", "h", 80, "GET /a.htm", folder.File("a.htm"));
    }

    test::TempFolder folder;
    TransferStatus status;
    test::FakeSocket socket;
    test::RecordingStatusDisplay display;
    Transfer transfer{status, socket, display, Quick};
};

TEST_F(TransferEventsTest, AConnectionThatOpensAndClosesBeforeTheWaitSeesItEndsTheWait)
{
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(RunWith([this] {
        socket.RaiseConnected();
        socket.RaiseData("all");
        socket.RaiseClosed();
    }));
    EXPECT_LT(elapsed.elapsed(), WellWithinMs);
    EXPECT_EQ(folder.Read("a.htm"), "all");
    EXPECT_EQ(status.State, TransferStateValue::Finished);
}

TEST_F(TransferEventsTest, AConnectThatFailsAtOnceIsAFailure)
{
    socket.ConnectSucceeds = false;
    EXPECT_FALSE(transfer.TransferFile("http://h/", "h", 80, "GET /", folder.File("a.htm")));
    EXPECT_TRUE(socket.Sent.empty());
}

TEST_F(TransferEventsTest, TheConnectTimeOutSendsNothing)
{
    EXPECT_FALSE(RunWith([] {}));
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
    EXPECT_TRUE(socket.Sent.empty());
    EXPECT_FALSE(FileExists(folder.File("a.htm")));
}

TEST_F(TransferEventsTest, RemoteCloseWithoutACloseEventFinishesAndClosesTheFile)
{
    EXPECT_TRUE(RunWith([this] {
        socket.RaiseConnected();
        socket.RaiseData("abc");
        socket.RaiseError(Socket::RemoteClosedCode);
    }));
    ASSERT_EQ(socket.Sent.size(), 1u);
    EXPECT_EQ(socket.Sent[0], "GET /a.htm\r\n");
    // A late chunk and a late close belong to no transfer any more.
    socket.RaiseData("late");
    socket.RaiseClosed();
    EXPECT_EQ(folder.Read("a.htm"), "abc");
    EXPECT_EQ(status.State, TransferStateValue::Finished);
}

TEST_F(TransferEventsTest, ABrokenConnectionIsAFailureNotAFinishedFile)
{
    EXPECT_FALSE(RunWith([this] {
        socket.RaiseConnected();
        socket.RaiseData("half");
        socket.RaiseError(10007); // a network error, not a close by the server
        socket.RaiseClosed();
    }));
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
}

TEST_F(TransferEventsTest, LateEventsCannotUndoACancelOrATimeOut)
{
    EXPECT_FALSE(RunWith([this] {
        socket.RaiseConnected();
        transfer.Cancel();
    }));
    socket.RaiseError(Socket::RemoteClosedCode);
    socket.RaiseClosed();
    socket.RaiseData("late");
    test::Application().processEvents();
    EXPECT_EQ(status.State, TransferStateValue::Cancelled);
    EXPECT_FALSE(FileExists(folder.File("a.htm")));

    EXPECT_FALSE(RunWith([this] {
        socket.RaiseConnected();
        socket.RaiseData("x");
    })); // the silence rule ends it
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
    socket.RaiseData("more");
    socket.RaiseClosed();
    EXPECT_EQ(status.State, TransferStateValue::TimedOut);
    EXPECT_EQ(folder.Read("a.htm"), "x");
}

TEST_F(TransferEventsTest, CancelDuringTheConnectWaitStopsTheConnectTimer)
{
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(RunWith([this] { transfer.Cancel(); }));
    EXPECT_LT(elapsed.elapsed(), WellWithinMs);
    // Longer than the connect time-out: a still-running timer would turn the cancel into a time-out.
    QEventLoop wait;
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_EQ(status.State, TransferStateValue::Cancelled);
}

TEST_F(TransferEventsTest, ASecondTransferFromInsideTheWaitIsRefused)
{
    bool nested = true;
    EXPECT_TRUE(RunWith([&] {
        nested = transfer.TransferFile("http://h/b.htm", "h", 80, "GET /b.htm", folder.File("b.htm"));
        socket.RaiseConnected();
        socket.RaiseClosed();
    }));
    EXPECT_FALSE(nested);
    EXPECT_EQ(socket.Connects, 1);
}

} // namespace
} // namespace tarnwick
