#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Socket.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

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

    // The receive time-out ends a wait with EAGAIN; the peer's close reads as 0.
    ASSERT_TRUE(SetRecvTimeout(server.get(), 20));
    EXPECT_EQ(SocketRecv(server.get(), buf, sizeof(buf)), -1);
    EXPECT_EQ(LastSocketError(), EAGAIN);
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

    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    SocketHandle a = fds[0];
    ::close(fds[1]);
    EXPECT_EQ(SocketSendAll(a, "x", 1), -1);  // no SIGPIPE
    EXPECT_EQ(LastSocketError(), EPIPE);
    CloseSocket(a);
    EXPECT_EQ(a, kInvalidSocket);
}

// poll has no FD_SETSIZE limit: a listener with a descriptor above 1023 still waits correctly.
TEST(SocketTest, WaitWorksForHighDescriptors) {
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 1200) {
        rlimit raised = limit;
        raised.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1200);
        if (raised.rlim_cur < 1200 || ::setrlimit(RLIMIT_NOFILE, &raised) != 0) {
            GTEST_SKIP() << "cannot raise the descriptor limit";
        }
    }
    TcpListener listener;
    ASSERT_TRUE(listener.Open("127.0.0.1", 0));
    UniqueSocket high(::dup2(listener.Handle(), 1100));
    ASSERT_EQ(high.get(), 1100);
    EXPECT_EQ(WaitReadable(high.get(), 0), 0);
    UniqueSocket client = ConnectTcp("127.0.0.1", listener.LocalPort(), 2000);
    ASSERT_TRUE(client);
    EXPECT_EQ(WaitReadable(high.get(), 2000), 1);
}
