#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "LoopbackTestSupport.h"
#include "MonitorLink.h"
#include "TempDir.h"
#include "TestBytes.h"
#include "foundation/Log.h"
#include "network/CmpChecksum.h"
#include "network/CmpHandShakeProcess.h"
#include "network/CmpPacketHead.h"
#include "platform/Socket.h"

namespace {

using namespace std::chrono_literals;

Bytes Version(std::uint8_t b0, std::uint8_t b1) {
    return MakeFrame(4, {b0, b1, 0, 0});
}
Bytes ConnectType(std::uint8_t t) {
    return MakeFrame(6, {t});
}

const Bytes kGuidBytes = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                          0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

// A GUID frame; `size` pads the body (monitors below 1.2 carry a bed number at byte 146).
Bytes GuidFrame(const Bytes& guid = kGuidBytes, std::size_t size = 16, std::uint8_t bed = 0) {
    Bytes body(size, 0);
    std::memcpy(body.data(), guid.data(), std::min(guid.size(), size));
    if (size > 146) {
        body[146] = bed;
    }
    return MakeFrame(16, body);
}

GUID GuidOf(const Bytes& b, std::uint32_t data1) {
    GUID g{};
    g.Data1 = data1;
    g.Data2 = ReadLe16(&b[4]);
    g.Data3 = ReadLe16(&b[6]);
    std::memcpy(g.Data4, &b[8], 8);
    return g;
}

// A monitor on the far end of a loopback connection. A script's receives go out one at a time,
// each only once the handshake has taken the one before (or has given up), so each arrives as
// a receive of its own as the monitor's separate packets would.
struct Peer {
    Peer() {
        info.peer.sock = link.Near();
        ParseDottedIpv4("10.1.2.37", info.peer.addr.ip);
    }
    ~Peer() { Finish(); }
    // Runs beside Process: takes the greeting, sends the receives, then hangs up when asked.
    void Script(std::vector<Bytes> receives, bool hangUpAfter) {
        feeder = std::thread([this, receives = std::move(receives), hangUpAfter] {
            link.ReadExactly(16, greeting);
            for (std::size_t i = 0; i < receives.size(); ++i) {
                if (i > 0) {
                    const SocketHandle near = link.Near();
                    WaitUntil([&] { return finished || WaitReadable(near, 0) == 1; }, 50ms);
                    WaitUntil([&] { return finished || WaitReadable(near, 0) == 0; }, 5000ms);
                }
                EXPECT_TRUE(link.Send(receives[i]));
            }
            if (hangUpAfter) {
                link.CloseFar();
            }
        });
    }
    // After Process: the script has run to its end.
    void Finish() {
        finished = true;
        if (feeder.joinable()) {
            feeder.join();
        }
    }
    Bytes Greeting() {
        if (greeting.empty()) {
            EXPECT_TRUE(link.ReadExactly(16, greeting));
        }
        return greeting;
    }
    bool HasUnread(SocketHandle s) {
        std::uint8_t b[600];
        return WaitReadable(s, 0) == 1 && SocketRecvNow(s, b, sizeof(b)) > 0;
    }
    MonitorLink link;
    ConnectionInfo info;
    Bytes greeting;
    std::atomic<bool> finished{false};
    std::thread feeder;
};

constexpr int kShortTimeoutMs = 300;
// Scenarios end by the peer's hang-up, not by the time-out; a longer one keeps a loaded machine
// (Wine on two cores) that holds the feeder back from failing them.
constexpr int kScenarioTimeoutMs = 3000;

}  // namespace

TEST(HandshakeTest, GreetingBytesForAKnownLocalTime) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 1;
    t.tm_min = 6;
    t.tm_sec = 2;
    t.tm_wday = 2;
    std::uint8_t out[16];
    CmpHandShakeProcess::BuildConnectSuccess(t, out);
    const Bytes expected = {0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF4, 0xE7,
                            0xEA, 0x07, 0x0C, 0x08, 0x01, 0x06, 0x02, 0x02};
    EXPECT_EQ(Bytes(out, out + 16), expected);
}

TEST(HandshakeTest, SendConnectSuccessUsesLocalTime) {
    Peer peer;
    CmpHandShakeProcess hs;
    const std::int64_t now = 1796000000;
    hs.SendConnectSuccess(&peer.info, now);
    hs.SendConnectSuccess(nullptr, now);  // nothing to send on
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm local{};
    local = *std::localtime(&t);
    std::uint8_t expected[16];
    CmpHandShakeProcess::BuildConnectSuccess(local, expected);
    EXPECT_EQ(peer.Greeting(), Bytes(expected, expected + 16));
    EXPECT_FALSE(peer.link.HasData(0));
}

TEST(HandshakeTest, ProcessScenarios) {
    const Bytes ack = MakeFrame(1, {0xAA});
    const Bytes other = MakeFrame(0x0200, {0x51, 0x00, 0x03});
    const Bytes guidFrame = GuidFrame();
    const Bytes full = Concat({Version(1, 2), ConnectType(1), guidFrame});
    Bytes zeroTail = kGuidBytes;
    std::fill(zeroTail.begin() + 8, zeroTail.end(), 0);
    // A corrupted header announcing 600 bytes, more than the handshake can ever hold.
    const Bytes hugeLen = {0x58, 0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};

    struct Case {
        const char* name;
        std::vector<Bytes> receives;
        float version;
        int netType;
        int bedNo;
        GUID keyGuid;
        GUID patientGuid;
        Bytes leftover;
        std::size_t unreadAfter;  // receives the handshake must not have taken
        bool done = true;         // the GUID frame was handled
        bool failed = false;
    };
    std::vector<Bytes> eleven(11, ack);
    eleven.push_back(full);
    std::vector<Bytes> tenThenGuid(10, ack);
    tenThenGuid.push_back(full);
    const Bytes split = full;
    const std::size_t cut1 = 12 + 4;       // inside the connect-type frame
    const std::size_t cut2 = 12 + 9 + 10;  // inside the GUID frame

    const Case cases[] = {
        {"all in one packet",
         {full, ack},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         {},
         1},
        {"version 1.1 takes the old bed number",
         {Concat({Version(1, 1), ConnectType(1), GuidFrame(kGuidBytes, 160, 9)})},
         1.1f,
         1,
         9,
         GuidOf(Bytes(16, 0), 9),
         GuidOf(Bytes(16, 0), 9),
         {},
         0},
        {"no version at all",
         {Concat({ConnectType(1), GuidFrame(kGuidBytes, 147, 4)})},
         1.0f,
         1,
         4,
         GuidOf(Bytes(16, 0), 4),
         GuidOf(Bytes(16, 0), 4),
         {},
         0},
        {"GUID with zero bytes 8 to 15",
         {Concat({Version(1, 2), ConnectType(1), GuidFrame(zeroTail)})},
         1.2f,
         1,
         37,
         GuidOf(zeroTail, 0),
         GuidOf(zeroTail, 0x12345678),
         {},
         0},
        {"frames after the GUID are left over in order",
         {Concat({full, other, ack})},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         Concat({other, ack}),
         0},
        {"frames split across receives",
         {Bytes(split.begin(), split.begin() + cut1),
          Bytes(split.begin() + cut1, split.begin() + cut2),
          Bytes(split.begin() + cut2, split.end())},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         {},
         0},
        {"a partial frame after the GUID is left over",
         {Concat({full, Bytes(other.begin(), other.begin() + 5)})},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         Bytes(other.begin(), other.begin() + 5),
         0},
        {"eleven unrelated receives end without GUID",
         eleven,
         1.0f,
         0,
         1,
         EmptyGuid(),
         GUID{},
         {},
         1,
         false},
        {"GUID on the eleventh pass still counts",
         tenThenGuid,
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         {},
         0},
        {"short frames are ignored",
         {Concat({MakeFrame(4, {1, 2, 0}), MakeFrame(6, {}), GuidFrame(kGuidBytes, 15)}),
          Concat({Version(1, 2), ConnectType(1), guidFrame})},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         {},
         0},
        {"short old-style GUID frame is ignored",
         {Concat({Version(1, 1), GuidFrame(kGuidBytes, 146, 9)}), ConnectType(1)},
         1.1f,
         1,
         1,
         EmptyGuid(),
         GUID{},
         {},
         0,
         false,
         true},
        {"a huge len does not hold up the frames behind it",
         {Concat({hugeLen, full})},
         1.2f,
         1,
         37,
         GuidOf(kGuidBytes, 0),
         GuidOf(kGuidBytes, 0x12345678),
         {},
         0},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogDir logs;
        Peer peer;
        // An exhausted script hangs up, so it fails rather than hangs.
        peer.Script(c.receives, c.unreadAfter == 0);
        CmpHandShakeProcess hs(kScenarioTimeoutMs);
        const bool failed = hs.Process(&peer.info);
        peer.Finish();
        EXPECT_EQ(failed, c.failed);
        EXPECT_EQ(hs.IsDone(), c.done);
        EXPECT_FLOAT_EQ(hs.ProtocolVersion, c.version);
        EXPECT_EQ(hs.NetType, c.netType);
        EXPECT_EQ(hs.BedNo, c.bedNo);
        EXPECT_EQ(hs.KeyGuid, c.keyGuid);
        EXPECT_EQ(hs.PatientGuid, c.patientGuid);
        EXPECT_EQ(hs.Leftover, c.leftover);
        Bytes greeting = peer.Greeting();
        EXPECT_EQ(ReadLe16(&greeting[2]), 2);
        EXPECT_EQ(CmpChecksum(greeting.data(), 16), 0);
        for (std::size_t i = 0; i < c.unreadAfter; ++i) {
            EXPECT_TRUE(peer.HasUnread(peer.info.peer.sock)) << "receive " << i << " was taken";
        }
    }
}

TEST(HandshakeTest, ReceiveFailures) {
    {
        ScopedLogDir logs;
        Peer peer;
        CmpHandShakeProcess hs(kShortTimeoutMs);
        const std::time_t start = std::time(nullptr);
        EXPECT_TRUE(hs.Process(&peer.info));  // silent peer: the time-out fails the handshake
        EXPECT_LE(std::time(nullptr) - start, 3);
        EXPECT_EQ(hs.KeyGuid, EmptyGuid());
        const std::string trace = ReadLogText(logs.file("Trace.log"));
        const std::string timedOut =
            "\tLogSocketError:CmpHandShakeProcess::Process 649: error(-1," +
            std::to_string(RecvTimeoutError()) + ") \n";
        EXPECT_NE(trace.find(timedOut), std::string::npos) << trace;
        EXPECT_EQ(trace.find(" 644: "), std::string::npos);
    }
    {
        ScopedLogDir logs;
        Peer peer;
        peer.Script({}, true);  // hangs up once the greeting is read
        CmpHandShakeProcess hs(kShortTimeoutMs);
        EXPECT_TRUE(hs.Process(&peer.info));  // orderly close
        EXPECT_NE(ReadLogText(logs.file("Trace.log"))
                      .find("LogSocketError:CmpHandShakeProcess::Process 649: error(0,"),
                  std::string::npos);
    }
    CmpHandShakeProcess hs;
    EXPECT_TRUE(hs.Process(nullptr));
}

TEST(HandshakeTest, ParseHandShakeDataBoundsAndLogs) {
    ScopedLogDir logs;
    CmpHandShakeProcess hs;
    std::vector<std::uint8_t> window(16385, 0);
    int count = 0;
    EXPECT_EQ(hs.ParseHandShakeData(window.data(), count), -1);
    count = 16385;
    EXPECT_EQ(hs.ParseHandShakeData(window.data(), count), -1);
    EXPECT_EQ(count, 16385);
    count = 10;
    EXPECT_EQ(hs.ParseHandShakeData(nullptr, count), -1);

    // A full window: zeros are skipped, a trailing version frame is read.
    const Bytes v = Version(1, 3);
    std::copy(v.begin(), v.end(), window.begin() + 16384 - 7 - static_cast<long>(v.size()));
    count = 16384;
    EXPECT_EQ(hs.ParseHandShakeData(window.data(), count), 0);
    EXPECT_EQ(count, 16384 - 7);  // the last 7 bytes cannot hold a header
    EXPECT_FLOAT_EQ(hs.ProtocolVersion, 1.3f);

    Bytes frames = Concat({ConnectType(1), GuidFrame()});
    count = static_cast<int>(frames.size());
    EXPECT_EQ(hs.ParseHandShakeData(frames.data(), count), 0);
    EXPECT_EQ(count, static_cast<int>(frames.size()));
    const std::string trace = ReadLogText(logs.file("Trace.log"));
    EXPECT_NE(trace.find("NET_PROTOCOL_VERSION \n"), std::string::npos);
    EXPECT_NE(trace.find("NET_NET_CONNECT_TYPE \n"), std::string::npos);
    EXPECT_NE(trace.find("NET_PATIENT_GUID \n"), std::string::npos);
    EXPECT_EQ(hs.BedNo, 0);  // no connection record: no address to take it from
}

TEST(HandshakeTest, CompareFloat) {
    struct {
        float a, b;
        int expected;
    } cases[] = {
        {1.2f, 1.2f, 0},     {1.1f, 1.2f, 2},
        {1.3f, 1.2f, 1},     {1.20005f, 1.2f, 0},
        {1.2f, 1.20005f, 0}, {1.2002f, 1.2f, 1},
        {1.0f, 1.2f, 2},     {static_cast<float>(1 + 2 * 0.1), 1.2f, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CmpHandShakeProcess::CompareFloat(c.a, c.b), c.expected) << c.a << " " << c.b;
    }
}
