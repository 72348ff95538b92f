#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackTestSupport.h"
#include "MonitorLink.h"
#include "TempDir.h"
#include "TextAndFolders.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"
#include "network/SendCmpData.h"
#include "pages/NetConfigOrders.h"
#include "platform/Socket.h"
#include "platform/ThreadId.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

using namespace std::chrono_literals;

TEST(SendCmpDataTest, WorkedExampleOnTheWire) {
    ScopedLogDir logs;
    MonitorLink link;
    ASSERT_TRUE(link);
    std::uint8_t frame[9] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x01};
    SocketHandle s = link.Near();
    EXPECT_EQ(SendCmpControlCommand(frame, 1, 275, s, 1), 1);
    const Bytes expected = {0x09, 0x00, 0x13, 0x01, 0x01, 0x00, 0xE1, 0xFE, 0x01};
    EXPECT_EQ(Bytes(frame, frame + 9), expected);  // header completed in the caller's buffer
    Bytes got;
    ASSERT_TRUE(link.ReadExactly(9, got));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(ReadLogText(logs.file("Assert.log")), "");
}

TEST(SendCmpDataTest, BodyLengthLimits) {
    struct Case {
        std::uint16_t body;
        int records;
    };
    for (const Case c : {Case{1, 0}, Case{1447, 0}, Case{1448, 1}, Case{0, 1}}) {
        ScopedLogDir logs;
        MonitorLink link;
        ASSERT_TRUE(link);
        Bytes buffer(kCmpHeadSize + c.body);
        for (std::size_t i = kCmpHeadSize; i < buffer.size(); ++i) {
            buffer[i] = static_cast<std::uint8_t>(i * 7);
        }
        SocketHandle s = link.Near();
        EXPECT_EQ(SendCmpControlCommand(buffer.data(), c.body, 0x0200, s, 0xBEEF), 1) << c.body;
        Bytes got;
        ASSERT_TRUE(link.ReadExactly(buffer.size(), got)) << c.body;
        ASSERT_EQ(got, buffer) << c.body;
        const CmpPacketHead head = ReadCmpHead(got.data());
        EXPECT_EQ(head.len, c.body + 8);
        EXPECT_EQ(head.cmd, 0x0200);
        EXPECT_EQ(head.serial, 0xBEEF);
        EXPECT_EQ(CmpChecksum(got.data(), static_cast<std::int32_t>(got.size())), 0);
        const std::string log = ReadLogText(logs.file("Assert.log"));
        EXPECT_EQ(CountOccurrences(log, "SendCmpControlCommand"), c.records) << c.body << log;
        if (c.records == 1) {
            EXPECT_EQ(log.rfind("(len > 0) && (len < 1448),", 0), 0u) << log;
            EXPECT_NE(log.find(",SendCmpControlCommand,39\n"), std::string::npos) << log;
        }
    }
}

TEST(SendCmpDataTest, MissingBufferSendsNothing) {
    ScopedLogDir logs;
    MonitorLink link;
    ASSERT_TRUE(link);
    SocketHandle s = link.Near();
    EXPECT_EQ(SendCmpControlCommand(nullptr, 1, 275, s, 1), -1);
    MonitorObject monitor;
    monitor.SetPeer(SocketAddr{s, {}, 0});
    EXPECT_EQ(SendCmpControlCommand(nullptr, 1, 275, monitor, 1), -1);
    EXPECT_FALSE(link.HasData(0));  // nothing went out
    const std::string log = ReadLogText(logs.file("Assert.log"));
    EXPECT_EQ(CountOccurrences(log, "pHead != NULL,"), 2) << log;
    EXPECT_EQ(CountOccurrences(log, ",SendCmpControlCommand,38\n"), 2) << log;
    EXPECT_EQ(CountOccurrences(log, "len < 1448"), 0) << log;
}

TEST(SendCmpDataTest, ClosedPeerFailsWithoutSignal) {
    ScopedLogDir logs;
    {
        MonitorLink link;
        ASSERT_TRUE(link);
        link.CloseFar();
        Bytes buffer(kCmpHeadSize + 1000, 0x42);
        SocketHandle s = link.Near();
        int result = 1;
        // The first write may still be accepted before the reset arrives.
        for (int i = 0; i < 100 && result == 1; ++i) {
            result = SendCmpControlCommand(buffer.data(), 1000, 0x0200, s, 1);
        }
        EXPECT_EQ(result, -1);
        const int error = LastSocketError();
        EXPECT_TRUE(error == EPIPE || error == ECONNRESET) << error;
    }
    SocketHandle none = kInvalidSocket;
    std::uint8_t frame[9] = {};
    EXPECT_EQ(SendCmpControlCommand(frame, 1, 275, none, 1), -1);
}

// Two threads send to one monitor; the receiver must see only whole, valid frames in each
// thread's order.
TEST(SendCmpDataTest, LockedSendsFromTwoThreadsNeverInterleave) {
    ScopedLogDir logs;
    MonitorLink link;
    ASSERT_TRUE(link);
    constexpr int kFrames = 1000;
    MonitorObject shared;
    shared.SetPeer(SocketAddr{link.Near(), {}, 0});
    // The half-second bound is for real monitors; a loaded test machine (Wine on two cores) can
    // hold the receiving thread back longer, and a send given up there is not what this tests.
    shared.SetSendTimeoutMs(10000);
    std::atomic<int> failures{0};

    auto sender = [&](std::uint8_t id) {
        Bytes buffer(kCmpMaxFrame);
        for (int i = 0; i < kFrames; ++i) {
            const std::uint16_t body = static_cast<std::uint16_t>(1 + (i * 389 + id * 17) % 1447);
            buffer[kCmpHeadSize] = id;
            std::fill(buffer.begin() + kCmpHeadSize + 1, buffer.begin() + kCmpHeadSize + body,
                      static_cast<std::uint8_t>(i));
            if (SendCmpControlCommand(buffer.data(), body, 0x0120, shared,
                                      static_cast<std::uint16_t>(i)) != 1) {
                ++failures;
            }
        }
    };

    int next[2] = {0, 0};
    int bad = 0;
    std::size_t skipped = 0;
    std::thread receiver([&] {
        FrameCutter cutter(16383);
        Bytes window;
        Bytes chunk(8192);
        while (next[0] + next[1] < 2 * kFrames) {
            const long r = SocketRecv(link.Far(), chunk.data(), chunk.size());
            if (r <= 0) {
                break;
            }
            window.insert(window.end(), chunk.begin(), chunk.begin() + r);
            std::size_t expectedAt = 0;
            const std::size_t used =
                cutter.Cut(window.data(), window.size(), [&](const std::uint8_t* f, std::size_t n) {
                    const std::size_t at = static_cast<std::size_t>(f - window.data());
                    skipped += at - expectedAt;
                    expectedAt = at + n;
                    const CmpPacketHead head = ReadCmpHead(f);
                    const std::uint8_t id = f[kCmpHeadSize];
                    bool ok = id < 2 && head.serial == next[id];
                    for (std::size_t k = kCmpHeadSize + 1; ok && k < n; ++k) {
                        ok = f[k] == static_cast<std::uint8_t>(head.serial);
                    }
                    if (!ok) {
                        ++bad;
                    } else {
                        ++next[id];
                    }
                    return true;
                });
            skipped += used - std::min(used, expectedAt);
            window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(used));
        }
    });
    std::thread first(sender, 0);
    std::thread second(sender, 1);
    first.join();
    second.join();
    receiver.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(skipped, 0u);
    EXPECT_EQ(next[0], kFrames);
    EXPECT_EQ(next[1], kFrames);
}
