// The simulator's link waits for answers with the socket's receive time-out: every wait must
// still end, a zero wait only looks, and data and a close are told apart.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "SimLink.h"
#include "SimMessages.h"
#include "platform/Socket.h"
#include "platform/TcpListener.h"

TEST(SimLink, ReceiveTellsNothingDataAndCloseApartForEveryWait) {
    TcpListener listener;
    ASSERT_TRUE(listener.Open("127.0.0.1", 0, 4));
    SimLink link;
    const std::atomic<bool> stop{false};
    ASSERT_TRUE(link.Connect("127.0.0.1", listener.LocalPort(), 5000, 10, stop));
    UniqueSocket peer = listener.Accept();
    ASSERT_TRUE(peer);
    const SimBytes frame = SimBuildFrame(SimCmd::kUpgradeData, 7, SimBytes(516, 0x5A));

    // A wait of 0 after longer ones must not turn into "wait for ever" (a time-out of 0).
    struct Step {
        const char* what;
        int waitMs;
        bool sendFirst;
        bool closeFirst;
        int expected;
    };
    const Step steps[] = {
        {"nothing, look only", 0, false, false, 0},
        {"nothing, 20 ms", 20, false, false, 0},
        {"nothing, look only after a wait", 0, false, false, 0},
        {"a frame", 1000, true, false, 1},
        {"nothing, 5 ms", 5, false, false, 0},
        {"closed", 1000, false, true, -1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.sendFirst) {
            ASSERT_EQ(SocketSendAll(peer.get(), frame.data(), frame.size()),
                      static_cast<long>(frame.size()));
        }
        if (s.closeFirst) {
            peer = UniqueSocket();
        }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(link.Receive(s.waitMs), s.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
    int frames = 0;
    link.TakeFrames([&](const std::uint8_t*, std::size_t length) {
        frames += length == frame.size() ? 1 : 0;
        return true;
    });
    EXPECT_EQ(frames, 1);
}
