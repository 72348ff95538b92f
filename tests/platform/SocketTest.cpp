#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"
#include "platform/SocketPoller.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

namespace {

// Both ends of one loopback connection: far connected, near accepted.
struct ConnectedPair {
    TcpListener listener;
    UniqueSocket far;
    UniqueSocket near;
    bool Open() {
        if (!listener.Open("127.0.0.1", 0)) {
            return false;
        }
        far = ConnectTcp("127.0.0.1", listener.LocalPort(), 2000);
        near = far ? listener.Accept() : UniqueSocket();
        return far && near;
    }
};

}  // namespace

TEST(SocketTest, LoopbackConnectAcceptAndTransfer) {
    TcpListener listener;
    ASSERT_TRUE(listener.Open("127.0.0.1", 0));
    const int port = listener.LocalPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(DottedAddress(listener.LocalAddr()), "127.0.0.1");
    EXPECT_EQ(listener.WaitReadable(0), 0);  // nothing pending yet

    UniqueSocket client = ConnectTcp("127.0.0.1", port, 2000);
    ASSERT_TRUE(client);
    ASSERT_EQ(listener.WaitReadable(2000), 1);
    Ipv4Endpoint peer;
    UniqueSocket server = listener.Accept(&peer);
    ASSERT_TRUE(server);
    EXPECT_EQ(DottedAddress(peer), "127.0.0.1");
    EXPECT_GT(HostPort(peer), 0);

    EXPECT_TRUE(SetNoDelay(client.get(), true));
    EXPECT_TRUE(SetRecvBufferSize(server.get(), 65536));
    EXPECT_EQ(WaitReadable(server.get(), 0), 0);
    const std::string text = "hello monitor";
    EXPECT_EQ(SocketSendAll(client.get(), text.data(), text.size()),
              static_cast<long>(text.size()));
    EXPECT_EQ(SocketSendAll(client.get(), text.data(), 0), 0);
    ASSERT_EQ(WaitReadable(server.get(), 2000), 1);
    char buf[64] = {};
    EXPECT_EQ(SocketRecv(server.get(), buf, sizeof(buf)), static_cast<long>(text.size()));
    EXPECT_EQ(std::string(buf), text);

    // The receive time-out ends a wait with its own error; the peer's close reads as 0.
    ASSERT_TRUE(SetRecvTimeout(server.get(), 20));
    EXPECT_EQ(SocketRecv(server.get(), buf, sizeof(buf)), -1);
    EXPECT_EQ(LastSocketError(), RecvTimeoutError());
    client = UniqueSocket();
    EXPECT_EQ(WaitReadable(server.get(), 2000), 1);
    EXPECT_EQ(SocketRecv(server.get(), buf, sizeof(buf)), 0);
}

TEST(SocketTest, FailuresAreReportedNotThrown) {
    TcpListener first;
    ASSERT_TRUE(first.Open("", 0));  // any address
    TcpListener second;
    EXPECT_FALSE(second.Open("127.0.0.1", first.LocalPort()));  // held by a live listener
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(second.Open("not an address", 0));
    EXPECT_FALSE(second.Open("127.0.0.1", 70000));

    // A port nobody listens on any more.
    TcpListener gone;
    ASSERT_TRUE(gone.Open("127.0.0.1", 0));
    const int port = gone.LocalPort();
    gone.Close();
    EXPECT_FALSE(ConnectTcp("127.0.0.1", port, 1000));
    EXPECT_FALSE(ConnectTcp("127.0.0.1", 0, 1000));

    SocketHandle s = kInvalidSocket;
    CloseSocket(s);  // harmless
    EXPECT_EQ(s, kInvalidSocket);
    EXPECT_EQ(SocketSendAll(s, "x", 1), -1);
    EXPECT_EQ(WaitReadable(s, 0), -1);
}

// A port held by a live listener cannot be taken by a second one, whichever of the two binds
// the any-address (on Windows only the exclusive-address option refuses the narrower bind).
TEST(SocketTest, SecondListenerOnAHeldPortFails) {
    const struct {
        const char* first;
        const char* second;
    } cases[] = {{"", "127.0.0.1"}, {"127.0.0.1", "127.0.0.1"}, {"127.0.0.1", ""}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        TcpListener first;
        ASSERT_TRUE(first.Open(c.first, 0));
        TcpListener second;
        EXPECT_FALSE(second.Open(c.second, first.LocalPort()));
        UniqueSocket raw(OpenListeningSocket());
        Ipv4Endpoint same = first.LocalAddr();
        ParseDottedIpv4(*c.second != '\0' ? c.second : "0.0.0.0", same.ip);
        EXPECT_FALSE(BindSocket(raw.get(), same));
    }
}

// A peer that stops reading makes a bounded send fail with ETIMEDOUT near its deadline rather
// than block; an unbounded send to an open peer still goes through.
TEST(SocketTest, BoundedSendToAPeerThatStopsReadingTimesOut) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    UniqueSocket& near = pair.near;
    const std::vector<char> block(1 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    long result = 0;
    for (int i = 0; i < 64 && result >= 0; ++i) {  // far more than any socket buffer holds
        result = SocketSendAll(near.get(), block.data(), block.size(), 200);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(LastSocketError(), ETIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// A sender may get to run only after its deadline (a busy machine): a socket with room still
// takes the frame; only a peer that leaves no room makes a bounded send time out.
TEST(SocketTest, BoundedSendWithRoomGoesThroughWhateverTimeIsLeft) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    UniqueSocket& far = pair.far;
    UniqueSocket& near = pair.near;
    const std::string frame(524, 'f');
    ASSERT_EQ(SocketSendAll(near.get(), frame.data(), frame.size(), 0),
              static_cast<long>(frame.size()));
    ASSERT_TRUE(SetRecvTimeout(far.get(), 5000));
    std::string got(frame.size(), '\0');
    std::size_t have = 0;
    while (have < got.size()) {
        const long n = SocketRecv(far.get(), got.data() + have, got.size() - have);
        ASSERT_GT(n, 0);
        have += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(got, frame);
}

// One waiter over many sockets reports exactly the ones with events, and another thread's Wake
// ends an unlimited wait.
TEST(SocketTest, PollerReportsTheReadySocketAndWakes) {
    TcpListener listener;
    ASSERT_TRUE(listener.Open("127.0.0.1", 0));
    std::vector<UniqueSocket> far;
    std::vector<UniqueSocket> near;
    SocketPoller poller;
    ASSERT_TRUE(poller.IsValid());
    for (int i = 0; i < 100; ++i) {
        far.push_back(ConnectTcp("127.0.0.1", listener.LocalPort(), 2000));
        near.push_back(listener.Accept());
        ASSERT_TRUE(far.back() && near.back()) << i;
        EXPECT_EQ(poller.Add(near.back().get()), static_cast<std::size_t>(i));
    }
    EXPECT_EQ(poller.Size(), 100u);
    EXPECT_EQ(poller.Wait(0), 0);

    ASSERT_EQ(SocketSendAll(far[57].get(), "x", 1), 1);
    far[3] = UniqueSocket();
    ASSERT_TRUE(WaitReadable(near[3].get(), 2000) == 1 && WaitReadable(near[57].get(), 2000) == 1);
    EXPECT_EQ(poller.Wait(2000), 2);
    EXPECT_FALSE(poller.Woken());
    for (std::size_t i = 0; i < near.size(); ++i) {
        const bool expected = i == 3 || i == 57;
        EXPECT_EQ((poller.Events(i) & SocketPoller::kReadable) != 0, expected) << i;
    }

    poller.Clear();
    poller.Add(near[0].get());
    std::thread waker([&] { poller.Wake(); });
    EXPECT_EQ(poller.Wait(-1), 1);
    waker.join();
    EXPECT_TRUE(poller.Woken());
    EXPECT_EQ(poller.Events(0), 0u);
    EXPECT_EQ(poller.Wait(0), 0);  // the wake was consumed
}
