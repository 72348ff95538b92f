#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "pages/NetConfigOrders.h"
#include "platform/Socket.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Zeros(std::size_t n) {
    return Bytes(n, 0);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A monitor object on one end of a local stream pair.
struct OrderTarget {
    MonitorObject object;
    UniqueSocket ours;
    UniqueSocket theirs;
    OrderTarget() {
        int sv[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        ours = UniqueSocket(sv[0]);
        theirs = UniqueSocket(sv[1]);
        SocketAddr peer;
        peer.sock = ours.get();
        object.SetPeer(peer);
    }
    Bytes ReadFrame() {
        Bytes frame;
        while (frame.size() < kCmpHeadSize ||
               frame.size() < static_cast<std::size_t>(ReadLe16(frame.data()))) {
            if (WaitReadable(theirs.get(), 2000) != 1) {
                return {};
            }
            std::uint8_t chunk[256];
            std::size_t want = frame.size() < kCmpHeadSize ? kCmpHeadSize - frame.size()
                                                           : ReadLe16(frame.data()) - frame.size();
            long r = SocketRecv(theirs.get(), chunk, want < sizeof(chunk) ? want : sizeof(chunk));
            if (r <= 0) {
                return {};
            }
            frame.insert(frame.end(), chunk, chunk + r);
        }
        return frame;
    }
};

TEST(NetConfigOrdersTest, BodiesMatchTheirLayouts) {
    WifiConfig wifi;
    CopyToField(wifi.ssid, u"Ward3");
    CopyToField(wifi.password, u"secret");
    wifi.authen = 4;  // stored as index + 1: WPA2
    wifi.roamThreshold = -70;
    wifi.roamSwitch = 1;
    wifi.wifiPower = 2;
    wifi.deviceIp = inet_addr("192.168.1.50");
    wifi.ipAccess = 2;  // stored as index + 1
    wifi.channel = 11;

    WifiConfig longSsid = wifi;
    for (WChar& c : longSsid.ssid) {
        c = u'S';  // 40 units, no terminator
    }

    // A name whose UTF-8 form is 60 bytes: twenty three-byte characters.
    std::string wide60;
    for (int i = 0; i < 20; ++i) {
        wide60 += "\xE4\xB8\xAD";
    }

    struct Case {
        const char* name;
        Bytes body;
        Bytes expected;
    };
    const Case cases[] = {
        {"device name", ToBytes(BuildLabelConfigBody("Zr40")),
         Concat({0x50, 0x00, 'Z', 'r', '4', '0'}, Zeros(46))},
        {"device name cut at the character boundary before byte 49",
         ToBytes(BuildLabelConfigBody(wide60)),
         Concat(Concat({0x50, 0x00}, Text(wide60.substr(0, 48))), Zeros(2))},
        {"device name of 49 bytes kept whole",
         ToBytes(BuildLabelConfigBody("n" + wide60.substr(0, 48))),
         Concat(Concat({0x50, 0x00, 'n'}, Text(wide60.substr(0, 48))), {0x00})},
        {"empty device name", ToBytes(BuildLabelConfigBody("")), Concat({0x50, 0x00}, Zeros(50))},
        {"reconnect 3min", ToBytes(BuildReconnectConfigBody(3)), {0x59, 0x00, 0x03}},
        {"server address",
         ToBytes(BuildServerIpConfigBody(inet_addr("10.0.0.1"), 9500)),
         {0x56, 0x00, 10, 0, 0, 1, 0x1C, 0x25}},
        {"wifi", ToBytes(BuildWifiConfigBody(wifi)),
         Concat(Concat(Concat(Concat({0x53, 0x00}, Text("Ward3")), Zeros(35)),
                       Concat(Concat({3}, Text("secret")), Zeros(34))),
                {0xBA, 0xFF, 1, 2, 192, 168, 1, 50, 1, 0, 11})},
        {"wifi with a 40-unit ssid", ToBytes(BuildWifiConfigBody(longSsid)),
         Concat(Concat(Concat(Concat({0x53, 0x00}, Text(std::string(39, 'S'))), {0}),
                       Concat(Concat({3}, Text("secret")), Zeros(34))),
                {0xBA, 0xFF, 1, 2, 192, 168, 1, 50, 1, 0, 11})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.body, c.expected) << c.name;
    }
}

TEST(NetConfigOrdersTest, OrdersGoOutWithConsecutiveSerials) {
    ScopedLogDir logs;
    OrderTarget m;
    SendLabelConfigOrder(&m.object, "Zr40");
    SendReconnectConfigOrder(&m.object, 3);

    Bytes label = m.ReadFrame();
    ASSERT_EQ(label.size(), 60u);
    EXPECT_EQ(CmpChecksum(label.data(), 60), 0);
    CmpPacketHead head = ReadCmpHead(label.data());
    EXPECT_EQ(head.len, 60);
    EXPECT_EQ(head.cmd, 0x0200);
    EXPECT_EQ(head.serial, 2);  // serial starts at 1 and is advanced before the send
    EXPECT_EQ(Bytes(label.begin() + 8, label.end()),
              Concat({0x50, 0x00, 'Z', 'r', '4', '0'}, Zeros(46)));

    Bytes reconnect = m.ReadFrame();
    ASSERT_EQ(reconnect.size(), 11u);
    EXPECT_EQ(ReadCmpHead(reconnect.data()).serial, 3);
    EXPECT_EQ(Bytes(reconnect.begin() + 8, reconnect.end()), (Bytes{0x59, 0x00, 0x03}));
    EXPECT_EQ(m.object.GetSerial(), 3u);

    WifiConfig wifi;
    SendWifiConfigOrder(&m.object, wifi);
    EXPECT_EQ(m.ReadFrame().size(), 102u);

    SendLabelConfigOrder(nullptr, "x");  // recorded, nothing sent
    EXPECT_EQ(WaitReadable(m.theirs.get(), 0), 0);
}

TEST(NetConfigOrdersTest, ServerOrderCarriesTheReportedPort) {
    ScopedLogDir logs;
    struct Case {
        std::uint16_t reported;
        std::uint16_t sent;
    };
    for (Case c : {Case{0, 9500}, Case{6000, 6000}}) {
        OrderTarget m;
        MonitorAttribute a;
        m.object.GetStatus()->GetMonitorAttribute(&a);
        a.wifi.serverPort = c.reported;
        m.object.GetStatus()->SetMonitorAttribute(&a);
        EXPECT_EQ(ReportedServerPort(&m.object), c.sent);
        SendServerIpConfigOrder(&m.object, inet_addr("192.168.1.1"));
        Bytes frame = m.ReadFrame();
        ASSERT_EQ(frame.size(), 16u);
        EXPECT_EQ(Bytes(frame.begin() + 8, frame.end()),
                  (Bytes{0x56, 0x00, 192, 168, 1, 1, static_cast<std::uint8_t>(c.sent & 0xFF),
                         static_cast<std::uint8_t>(c.sent >> 8)}));
    }
    EXPECT_EQ(ReportedServerPort(nullptr), 9500);
}

}  // namespace
