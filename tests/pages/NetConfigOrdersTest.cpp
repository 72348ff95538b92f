#include <gtest/gtest.h>


#include <cstdint>
#include <string>
#include <vector>

#include "MonitorLink.h"
#include "pages/Ipv4Text.h"
#include "TempDir.h"
#include "TestBytes.h"
#include "pages/NetConfigOrders.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"

namespace {

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

Bytes Zeros(std::size_t n) {
    return Bytes(n, 0);
}

// A monitor object whose socket is the near end of a link.
struct OrderTarget {
    MonitorObject object;
    MonitorLink link;
    OrderTarget() {
        SocketAddr peer;
        peer.sock = link.Near();
        object.SetPeer(peer);
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
    wifi.deviceIp = Ipv4Text::Parse("192.168.1.50");
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
         Concat({{0x50, 0x00, 'Z', 'r', '4', '0'}, Zeros(46)})},
        {"device name cut at the character boundary before byte 49",
         ToBytes(BuildLabelConfigBody(wide60)),
         Concat({{0x50, 0x00}, TextBytes(wide60.substr(0, 48)), Zeros(2)})},
        {"device name of 49 bytes kept whole",
         ToBytes(BuildLabelConfigBody("n" + wide60.substr(0, 48))),
         Concat({{0x50, 0x00, 'n'}, TextBytes(wide60.substr(0, 48)), {0x00}})},
        {"empty device name", ToBytes(BuildLabelConfigBody("")), Concat({{0x50, 0x00}, Zeros(50)})},
        {"reconnect 3min", ToBytes(BuildReconnectConfigBody(3)), {0x59, 0x00, 0x03}},
        {"server address",
         ToBytes(BuildServerIpConfigBody(Ipv4Text::Parse("10.0.0.1"), 9500)),
         {0x56, 0x00, 10, 0, 0, 1, 0x1C, 0x25}},
        {"wifi", ToBytes(BuildWifiConfigBody(wifi)),
         Concat({{0x53, 0x00},
                 TextBytes("Ward3"),
                 Zeros(35),
                 {3},
                 TextBytes("secret"),
                 Zeros(34),
                 {0xBA, 0xFF, 1, 2, 192, 168, 1, 50, 1, 0, 11}})},
        {"wifi with a 40-unit ssid", ToBytes(BuildWifiConfigBody(longSsid)),
         Concat({{0x53, 0x00},
                 Bytes(39, 'S'),
                 {0},
                 {3},
                 TextBytes("secret"),
                 Zeros(34),
                 {0xBA, 0xFF, 1, 2, 192, 168, 1, 50, 1, 0, 11}})},
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

    Bytes label = m.link.ReadFrame();
    ASSERT_EQ(label.size(), 60u);
    EXPECT_EQ(CmpChecksum(label.data(), 60), 0);
    CmpPacketHead head = ReadCmpHead(label.data());
    EXPECT_EQ(head.len, 60);
    EXPECT_EQ(head.cmd, 0x0200);
    EXPECT_EQ(head.serial, 2);  // serial starts at 1 and is advanced before the send
    EXPECT_EQ(Bytes(label.begin() + 8, label.end()),
              Concat({{0x50, 0x00, 'Z', 'r', '4', '0'}, Zeros(46)}));

    Bytes reconnect = m.link.ReadFrame();
    ASSERT_EQ(reconnect.size(), 11u);
    EXPECT_EQ(ReadCmpHead(reconnect.data()).serial, 3);
    EXPECT_EQ(Bytes(reconnect.begin() + 8, reconnect.end()), (Bytes{0x59, 0x00, 0x03}));
    EXPECT_EQ(m.object.GetSerial(), 3u);

    WifiConfig wifi;
    SendWifiConfigOrder(&m.object, wifi);
    EXPECT_EQ(m.link.ReadFrame().size(), 102u);

    SendLabelConfigOrder(nullptr, "x");  // recorded, nothing sent
    EXPECT_FALSE(m.link.HasData());
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
        SendServerIpConfigOrder(&m.object, Ipv4Text::Parse("192.168.1.1"));
        Bytes frame = m.link.ReadFrame();
        ASSERT_EQ(frame.size(), 16u);
        EXPECT_EQ(Bytes(frame.begin() + 8, frame.end()),
                  (Bytes{0x56, 0x00, 192, 168, 1, 1, static_cast<std::uint8_t>(c.sent & 0xFF),
                         static_cast<std::uint8_t>(c.sent >> 8)}));
    }
    EXPECT_EQ(ReportedServerPort(nullptr), 9500);
}

}  // namespace
