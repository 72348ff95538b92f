// Sends that only Linux can provoke: signals landing on the sending thread, and a descriptor
// number reused while a sender waits.
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
        // joined on every way out, a failed assertion too, after the lock below is let go
        std::jthread sender;
        {
            std::lock_guard<std::mutex> sessionHolds(monitor.SendLock());
            sender = std::jthread([&] {
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
