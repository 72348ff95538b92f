// One misbehaving host on the ward's network against the session ports: connections that never
// finish their handshake, or dribble it a byte at a time, must not keep real monitors out, hold
// more than the caps, or leave connections lingering after they are dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "LoopbackTestSupport.h"
#include "ProcessResources.h"
#include "SimFleet.h"
#include "SimMessages.h"
#include "SimMonitor.h"
#include "TempDir.h"
#include "TestBytes.h"
#include "TextAndFolders.h"
#include "network/SendCmpData.h"
#include "platform/Socket.h"
#include "platform/TcpConnect.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kHostileHost = "127.0.0.2";
constexpr int kDeadlineMs = 1000;

NetworkListenSettings FloodSettings() {
    NetworkListenSettings s = LoopbackTestSettings(3000);
    s.handshakeDeadlineMs = kDeadlineMs;
    return s;
}

// How the tool ended a connection, as its peer sees it within waitMs.
enum class End { Reset, Orderly, StillOpen };

End WaitForEnd(SocketHandle s, int waitMs) {
    std::array<std::uint8_t, 512> scratch{};
    const auto until = Clock::now() + std::chrono::milliseconds(waitMs);
    while (Clock::now() < until) {
        if (WaitReadable(s, 50) != 1) {
            continue;
        }
        const long n = SocketRecv(s, scratch.data(), scratch.size());
        if (n == 0) {
            return End::Orderly;
        }
        if (n < 0) {
            return LastSocketError() == ECONNRESET ? End::Reset : End::Orderly;
        }
    }
    return End::StillOpen;
}

bool SendByte(SocketHandle s, std::uint8_t b) {
    return SocketSendAll(s, &b, 1, 500) == 1;
}

SimBytes Handshake(const GUID& guid) {
    SimMonitorConfig c;
    return Concat({SimBuildFrame(SimCmd::kProtocolVersion, 1, SimVersionBody(c)),
                   SimBuildFrame(SimCmd::kConnectType, 2, SimConnectTypeBody(c)),
                   SimBuildFrame(SimCmd::kPatientGuid, 3, SimGuidBody(guid))});
}

}  // namespace

TEST(ConnectionFlood, DroppedConnectionsAreResetAndADribbledHandshakeEndsAtItsDeadline) {
    ScopedLogDir logs;
    NetworkListenSettings settings = FloodSettings();
    settings.sessionRecvTimeoutMs = 600;  // the online monitor's silence
    settings.sessionSendTimeoutMs = 200;
    settings.handshakeDeadlineMs = kDeadlineMs;
    LoopbackServer server(settings);
    const GUID guid{0x1234, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID refusedGuid{0x1234, 1, 2, {0, 0, 0, 0, 0, 0, 0, 0}};
    const GUID key{0, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};  // the GUID with its first part cleared
    struct Case {
        const char* what;
        SimBytes send;  // after the greeting
        int dribbleMs;  // > 0: one byte of junk this often, never a frame
        bool stopsReading;
        End expected;
        int notBeforeMs;
        int notAfterMs;
    };
    const Case cases[] = {
        // Without the deadline, eleven bytes 300 ms apart would hold it for 3.3 s.
        {"a handshake dribbled a byte at a time",
         {},
         300,
         false,
         End::Reset,
         kDeadlineMs - 200,
         kDeadlineMs + 800},
        {"an online monitor gone silent", Handshake(guid), 0, false, End::Reset, 500, 4000},
        {"an online monitor that stops reading", Handshake(guid), 0, true, End::Reset, 0, 4000},
        {"junk that never brings a GUID", SimBytes(11 * 512, 0xEE), 0, false, End::Reset, 0, 4000},
        {"a whole handshake with a GUID the tool refuses", Handshake(refusedGuid), 0, false,
         End::Orderly, 0, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UniqueSocket s = ConnectTcp("127.0.0.1", server.Port(), 2000);
        std::array<std::uint8_t, 16> greeting{};
        ASSERT_TRUE(ReadGreetingBytes(s.get(), greeting));
        const auto start = Clock::now();
        End end = End::StillOpen;
        if (c.dribbleMs > 0) {
            // Every byte comes well within the receive time-out; only the deadline ends it.
            while (end == End::StillOpen && Clock::now() - start < 10s) {
                if (!SendByte(s.get(), 0xEE)) {
                    break;
                }
                end = WaitForEnd(s.get(), c.dribbleMs);
            }
        } else {
            // The handshake takes at most 512 bytes a receive, so the junk fills every pass.
            ASSERT_EQ(SocketSendAll(s.get(), c.send.data(), c.send.size(), 2000),
                      static_cast<long>(c.send.size()));
            if (c.stopsReading) {
                ASSERT_TRUE(WaitUntil([&] { return server.Find(key) != nullptr; }, 5s));
                MonitorObject* monitor = server.Find(key);
                const SimBytes frame = SimBuildFrame(0x0100, 0, SimBytes(2000, 0x55));
                for (int i = 0; i < 100000; ++i) {
                    if (SendFrameToMonitor(*monitor, frame.data(), frame.size()) != 1) {
                        break;  // its buffers are full: the tool counts it as gone
                    }
                }
            }
            end = WaitForEnd(s.get(), 5000);
        }
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        // Wine closes a socket with a FIN whatever its linger time says; Windows resets it.
        const End expected =
            RunningUnderWine() && c.expected == End::Reset ? End::Orderly : c.expected;
        EXPECT_EQ(static_cast<int>(end), static_cast<int>(expected));
        EXPECT_GE(tookMs, c.notBeforeMs);
        EXPECT_LT(tookMs, c.notAfterMs);
    }
}

TEST(ConnectionFlood, OneHostCannotShutTheMonitorsOut) {
    ScopedLogDir logs;
    const NetworkListenSettings settings = FloodSettings();
    const AdmissionLimits caps = settings.admission;
    LoopbackServer server(settings);
    {
        // Handles a runtime opens once, on first use, belong in the baseline.
        SimMonitorConfig warm;
        SimMonitor m(SimMonitorConfig::ForIndex(warm, 1, "WARM-", 940));
        m.Start("127.0.0.1", server.Port());
        ASSERT_TRUE(m.WaitOnline(5s));
        UniqueSocket hostile = ConnectTcp("127.0.0.1", server.Port(), 2000, kHostileHost);
        ASSERT_TRUE(hostile);
        m.Stop();
    }
    ASSERT_TRUE(WaitUntil([&] { return server.manager->SessionCount() == 0; }, 10s));
    const int baseThreads = ThreadCount();
    const int baseHandles = OpenHandleCount();
    ASSERT_GT(baseThreads, 0);
    ASSERT_GT(baseHandles, 0);

    std::atomic<bool> stop{false};
    std::atomic<int> opened{0};
    constexpr int kFloodConnections = 3000;
    // Connections that never say a word, at most a few hundred held at a time.
    std::thread openers([&] {
        std::deque<UniqueSocket> held;
        while (!stop && opened < kFloodConnections) {
            UniqueSocket s = ConnectTcp("127.0.0.1", server.Port(), 2000, kHostileHost);
            if (s) {
                ++opened;
                held.push_back(std::move(s));
            }
            if (held.size() > 300) {
                held.pop_front();
            }
        }
    });
    // Connections that dribble a byte every 200 ms and come back when they are dropped.
    std::thread dribblers([&] {
        std::vector<UniqueSocket> links(20);
        while (!stop) {
            for (UniqueSocket& l : links) {
                if (!l || !SendByte(l.get(), 0xEE)) {
                    l = ConnectTcp("127.0.0.1", server.Port(), 2000, kHostileHost);
                }
            }
            std::this_thread::sleep_for(200ms);
        }
    });
    int maxHandshakes = 0;
    std::size_t maxSessions = 0;
    int maxThreads = 0;
    std::thread sampler([&] {
        while (!stop) {
            maxHandshakes = std::max(maxHandshakes, server.manager->HandshakeCount());
            maxSessions = std::max(maxSessions, server.manager->SessionCount());
            maxThreads = std::max(maxThreads, ThreadCount());
            std::this_thread::sleep_for(5ms);
        }
    });

    ASSERT_TRUE(WaitUntil([&] { return opened > 300; }, 20s));
    SimMonitorConfig base;
    base.keepAliveMs = 200;
    SimFleet fleet(base, 16, "WARD-", 941);
    const auto start = Clock::now();
    fleet.StartAll("127.0.0.1", server.Port());
    EXPECT_TRUE(WaitUntil([&] { return server.Online() == 16; }, 5s))
        << server.Online() << " of 16 monitors online";
    const auto onlineAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    RecordProperty("MonitorsOnlineAfterMs", static_cast<int>(onlineAfter));
    // The flood goes on a while with the monitors online.
    WaitUntil([&] { return opened >= kFloodConnections; }, 10s);
    stop = true;
    openers.join();
    dribblers.join();
    sampler.join();

    EXPECT_LE(maxHandshakes, caps.handshakes);
    EXPECT_LE(maxSessions, static_cast<std::size_t>(caps.sessions));
    // The tool's threads are its sessions; the test adds the fleet's and its own three.
    EXPECT_LE(maxThreads, baseThreads + caps.sessions + fleet.Size() + 3);
    EXPECT_GT(server.manager->RefusedConnectionCount(), 1000u);
    EXPECT_EQ(server.Online(), 16u) << "a monitor was lost during the flood";
    const std::string trace = ReadLogText(logs.file("Trace.log"));
    const int refusalLines = CountOccurrences(trace, "Connection refused,ip=127.0.0.2");
    EXPECT_GE(refusalLines, 1);
    EXPECT_LE(refusalLines, 30) << "refusals are logged at a bounded rate";

    fleet.StopAll();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return server.manager->SessionCount() == 0 && server.manager->HandshakeCount() == 0 &&
                   ThreadCount() <= baseThreads && OpenHandleCount() <= baseHandles + 2;
        },
        20s))
        << "threads " << ThreadCount() << " vs " << baseThreads << ", handles " << OpenHandleCount()
        << " vs " << baseHandles << ", sessions " << server.manager->SessionCount();
}

TEST(ConnectionFlood, AThreadThatCannotStartEndsOnlyItsOwnConnection) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "Wine starts a thread whatever stack size it is asked for";
    }
    ScopedLogDir logs;
    NetworkListenSettings settings = FloodSettings();
    settings.sessionStackBytes = std::size_t{1} << 62;  // no system gives a thread this stack
    settings.acceptFailurePauseMs = 60000;  // a pause after the failure would hold the next one
    LoopbackServer server(settings);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        UniqueSocket s = ConnectTcp("127.0.0.1", server.Port(), 2000);
        ASSERT_TRUE(s);
        EXPECT_NE(static_cast<int>(WaitForEnd(s.get(), 3000)), static_cast<int>(End::StillOpen));
    }
    EXPECT_EQ(server.manager->HandshakeCount(), 0);
    EXPECT_EQ(CountOccurrences(ReadLogText(logs.file("Trace.log")), "Created Thread is failed"), 3);
}
