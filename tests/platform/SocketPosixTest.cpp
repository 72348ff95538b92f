// Linux-only socket behaviour: descriptor numbers and the local socket pair.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Socket.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

TEST(SocketTest, SendToAClosedPeerFailsWithoutSignal) {
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
