#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/socket.h>

#include <unistd.h>

#include <csignal>

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
    EXPECT_EQ(ReadFileText(logs.file("Assert.log")), "");
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
        const std::string log = ReadFileText(logs.file("Assert.log"));
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
    const std::string log = ReadFileText(logs.file("Assert.log"));
    EXPECT_EQ(CountOccurrences(log, "pHead != NULL,"), 2) << log;
    EXPECT_EQ(CountOccurrences(log, ",SendCmpControlCommand,38\n"), 2) << log;
    EXPECT_EQ(CountOccurrences(log, "len < 1448"), 0) << log;
}

// A small send buffer, a slow reader and signals landing on the sending thread make the
// kernel return partial writes and EINTR; the frame must still arrive whole.
TEST(SendCmpDataTest, LargeFrameReachesASlowReaderWhole) {
    ScopedLogDir logs;
    MonitorLink link;
    ASSERT_TRUE(link);
    const int small = 4096;
    ASSERT_EQ(::setsockopt(link.Near(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)), 0);
    const std::uint16_t body = 60000;
    Bytes buffer(kCmpHeadSize + body);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }

    struct sigaction interrupt {};
    struct sigaction previous {};
    interrupt.sa_handler = [](int) {};
    interrupt.sa_flags = 0;  // no SA_RESTART: a blocked send returns early
    sigemptyset(&interrupt.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &interrupt, &previous), 0);

    Bytes got;
    std::thread reader([&] {
        Bytes chunk(1021);
        while (got.size() < buffer.size()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            const long r = SocketRecv(link.Far(), chunk.data(), chunk.size());
            if (r < 0 && LastSocketError() == EINTR) {
                continue;
            }
            if (r <= 0) {
                break;
            }
            got.insert(got.end(), chunk.begin(), chunk.begin() + r);
        }
    });
    std::atomic<bool> done{false};
    const pthread_t sendingThread = ::pthread_self();
    std::thread poker([&] {
        while (!done) {
            ::pthread_kill(sendingThread, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    SocketHandle s = link.Near();
    const int result = SendCmpControlCommand(buffer.data(), body, 0x0114, s, 7);
    done = true;
    poker.join();
    reader.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(got, buffer);
    EXPECT_EQ(CmpChecksum(got.data(), static_cast<std::int32_t>(got.size())), 0);
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

namespace {

// True once the thread sleeps (blocked on a lock): its state letter in the kernel's record.
bool ThreadSleeps(int tid) {
    const std::string stat = ReadFileText("/proc/self/task/" + std::to_string(tid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S';
}

}  // namespace

// A sender races the session's release: while it waits for the send lock, the session clears the
// monitor's socket under that lock and closes it, and a new connection gets the same descriptor
// number. The frame must not reach the new connection, whichever sender it comes from.
TEST(SendCmpDataTest, FrameNeverReachesADescriptorReusedWhileTheSenderWaited) {
    ScopedLogDir logs;
    UpdateConfigManager upgrade([] { return std::vector<MonitorObject*>{}; });
    const std::uint8_t typed[9] = {0x09, 0x00, 0x13, 0x01, 0x01, 0x00, 0xE1, 0xFE, 0x01};
    const std::vector<std::pair<const char*, std::function<void(MonitorObject&)>>> senders = {
        {"typed frame", [&](MonitorObject& m) { SendFrameToMonitor(m, typed, sizeof typed); }},
        {"order", [](MonitorObject& m) { SendReconnectConfigOrder(&m, 1); }},
        {"invitation", [&](MonitorObject& m) { upgrade.SendUpdateReq(&m); }},
    };
    for (const auto& [name, send] : senders) {
        SCOPED_TRACE(name);
        MonitorLink old;
        MonitorLink reused;
        ASSERT_TRUE(old && reused);
        const SocketHandle number = old.Near();
        MonitorObject monitor;
        monitor.SetPeer(SocketAddr{number, {}, 0});

        std::atomic<int> tid{0};
        std::thread sender;
        {
            std::lock_guard<std::mutex> sessionHolds(monitor.SendLock());
            sender = std::thread([&] {
                tid = CurrentThreadId();
                send(monitor);
            });
            ASSERT_TRUE(WaitUntil([&] { return tid != 0 && ThreadSleeps(tid); }, 2000ms));
            monitor.SetPeer(SocketAddr{});
            ASSERT_EQ(::dup2(reused.Near(), number), number);  // closes the old, reuses its number
        }
        sender.join();
        EXPECT_FALSE(reused.HasData(0)) << "a frame reached the new connection";
    }
}
