#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "foundation/WideText.h"
#include "registry/ModuleNameTable.h"
#include "registry/MonitorObject.h"
#include "registry/MonitorSystemStatus.h"

namespace {

// Field capacities the wire layouts and stored records rely on.
static_assert(std::size(MonitorAttribute{}.infoText1) == 32);
static_assert(std::size(MonitorAttribute{}.softwareVersion) == 32);
static_assert(std::size(MonitorAttribute{}.deviceName) == 13);
static_assert(std::size(WifiConfig{}.ssid) == 40);
static_assert(std::size(WifiConfig{}.password) == 40);
static_assert(std::size(MonitorAttribute{}.reportedList[4].name) == 40);
static_assert(std::size(MonitorPatientInfo{}.text6) == 64);

TEST(MonitorRecordsTest, StandAloneAndStatusDefaults) {
    MonitorAttribute a;
    EXPECT_EQ(a.connected, 2);
    EXPECT_EQ(a.lastChange, 0xFF);
    EXPECT_EQ(a.wifi.serverPort, 9500);
    EXPECT_EQ(a.wifi.roamThreshold, -65);
    EXPECT_EQ(a.wifi.roamSwitch, 1);
    for (int i = 0; i < kModuleIndexCount; ++i) {
        EXPECT_EQ(a.loadedModules[i], 0) << i;
    }
    MonitorPatientInfo p;
    EXPECT_EQ(p.code4, 0xFF);
    EXPECT_FLOAT_EQ(p.value3, -1000.0f);
    EXPECT_FLOAT_EQ(p.value4, -1000.0f);

    // The status store starts from all-zero records, then its own few values; Reset returns
    // to exactly that state after any change.
    MonitorSystemStatus status;
    for (int round = 0; round < 2; ++round) {
        MonitorAttribute got;
        MonitorPatientInfo gotPatient;
        status.GetMonitorAttribute(&got);
        status.GetMonitorPatientInfo(&gotPatient);
        for (int i = 0; i < kModuleIndexCount; ++i) {
            EXPECT_EQ(got.loadedModules[i], 0xFF) << i;
            EXPECT_EQ(got.moduleConfig[i], 0) << i;
        }
        EXPECT_EQ(got.connected, 0);
        EXPECT_EQ(got.lastChange, 0);
        EXPECT_EQ(got.wifi.serverPort, 0);
        EXPECT_EQ(got.wifi.roamThreshold, 0);
        EXPECT_EQ(got.wifi.roamSwitch, 0);
        EXPECT_EQ(FieldText(got.deviceName), u"");
        EXPECT_EQ(gotPatient.code4, 0xFF);
        EXPECT_FLOAT_EQ(gotPatient.value3, -1000.0f);
        EXPECT_FLOAT_EQ(gotPatient.value4, -1000.0f);
        EXPECT_EQ(gotPatient.bedNo, 0u);
        EXPECT_EQ(status.GetConnectTime(), 0);

        CopyToField(got.deviceName, u"bed-7");
        got.connected = 1;
        got.loadedModules[1] = 1;
        gotPatient.value3 = 36.5f;
        CopyToField(gotPatient.text1, u"Li");
        status.SetMonitorAttribute(&got);
        status.SetMonitorPatientInfo(&gotPatient);
        status.SetConnectTime(123456789);
        status.Reset();
    }
}

TEST(MonitorRecordsTest, TextFieldsHoldCapacityMinusOne) {
    MonitorAttribute a;
    MonitorPatientInfo p;
    WString longText(100, u'x');
    CopyToField(a.deviceName, longText);
    CopyToField(a.wifi.ssid, longText);
    CopyToField(p.text6, longText);
    MonitorSystemStatus status;
    status.SetMonitorAttribute(&a);
    status.SetMonitorPatientInfo(&p);
    MonitorAttribute got;
    MonitorPatientInfo gotPatient;
    status.GetMonitorAttribute(&got);
    status.GetMonitorPatientInfo(&gotPatient);
    EXPECT_EQ(FieldText(got.deviceName), WString(12, u'x'));
    EXPECT_EQ(FieldText(got.wifi.ssid), WString(39, u'x'));
    EXPECT_EQ(FieldText(gotPatient.text6), WString(63, u'x'));
    // The neighbour of the device name is untouched.
    EXPECT_EQ(got.moduleConfig[0], 0);
}

TEST(MonitorRecordsTest, WifiCopyTakesTextsUpToTerminatorAndSelfCopyChangesNothing) {
    WifiConfig src;
    CopyToField(src.ssid, u"ward");
    src.ssid[6] = u'Z';  // stale unit after the terminator
    CopyToField(src.password, u"secret");
    src.authen = 3;
    src.roamThreshold = -70;
    src.serverIp = 0x0100007F;
    src.serverPort = 5595;
    src.channel = 11;

    WifiConfig dst;
    CopyToField(dst.ssid, WString(39, u'q'));
    CopyToField(dst.password, WString(39, u'q'));
    dst = src;
    EXPECT_EQ(FieldText(dst.ssid), u"ward");
    for (std::size_t i = 4; i < 40; ++i) {
        EXPECT_EQ(dst.ssid[i], u'\0') << i;
        EXPECT_EQ(dst.password[i < 6 ? 6 : i], u'\0') << i;
    }
    EXPECT_EQ(FieldText(dst.password), u"secret");
    EXPECT_EQ(dst.authen, 3);
    EXPECT_EQ(dst.roamThreshold, -70);
    EXPECT_EQ(dst.serverIp, 0x0100007Fu);
    EXPECT_EQ(dst.serverPort, 5595);
    EXPECT_EQ(dst.channel, 11);

    // A source field without terminator still leaves a terminated destination.
    WifiConfig full;
    for (WChar& c : full.ssid) {
        c = u'f';
    }
    WifiConfig fromFull(full);
    EXPECT_EQ(FieldText(fromFull.ssid), WString(39, u'f'));

    WifiConfig& alias = dst;
    dst = alias;
    EXPECT_EQ(FieldText(dst.ssid), u"ward");
    EXPECT_EQ(FieldText(dst.password), u"secret");
    EXPECT_EQ(dst.serverPort, 5595);

    MonitorAttribute attr;
    CopyToField(attr.deviceName, u"M1");
    attr.wifi = src;
    MonitorAttribute& attrAlias = attr;
    attr = attrAlias;
    EXPECT_EQ(FieldText(attr.deviceName), u"M1");
    EXPECT_EQ(FieldText(attr.wifi.ssid), u"ward");
}

TEST(MonitorRecordsTest, NullRecordPointersAreRecordedAndCopyNothing) {
    ScopedLogDir logs;
    MonitorSystemStatus status;
    MonitorAttribute before;
    status.GetMonitorAttribute(&before);
    status.GetMonitorAttribute(nullptr);
    status.GetMonitorPatientInfo(nullptr);
    status.SetMonitorAttribute(nullptr);
    status.SetMonitorPatientInfo(nullptr);
    std::string text = ReadLogText(logs.file("Assert.log"));
    struct Case {
        const char* function;
        int line;
    };
    for (Case c : {Case{"MonitorSystemStatus::GetMonitorAttribute", 295},
                   Case{"MonitorSystemStatus::GetMonitorPatientInfo", 316},
                   Case{"MonitorSystemStatus::SetMonitorAttribute", 326},
                   Case{"MonitorSystemStatus::SetMonitorPatientInfo", 338}}) {
        std::string tail = std::string(",") + c.function + "," + std::to_string(c.line) + "\n";
        EXPECT_NE(text.find(tail), std::string::npos) << c.function;
    }
    EXPECT_EQ(text.find("p != NULL,"), 0u);
    MonitorAttribute after;
    status.GetMonitorAttribute(&after);
    EXPECT_EQ(after.loadedModules[3], 0xFF);
    EXPECT_EQ(after.connected, before.connected);
}

// Fills every field a reader can check with one value, so a mixed copy shows.
MonitorAttribute PatternAttribute(std::uint8_t v) {
    MonitorAttribute a;
    a.item51Value = a.item58Value = a.netType = a.item52Value = v;
    for (WChar& c : a.infoText1)
        c = v;
    for (WChar& c : a.softwareVersion)
        c = v;
    for (WChar& c : a.deviceName)
        c = v;
    a.deviceName[12] = 0;
    a.bedNo = v;
    a.loadedModules.Fill(v);
    a.moduleConfig.Fill(v);
    CopyToField(a.wifi.ssid, WString(39, static_cast<WChar>(v)));
    a.wifi.serverPort = v;
    a.wifi.serverIp = v * 0x01010101u;
    a.reportedList[4].dword = v;
    a.lastChange = v;
    return a;
}

bool IsWholeAttribute(const MonitorAttribute& a) {
    MonitorAttribute p = PatternAttribute(a.item51Value);
    return std::memcmp(a.infoText1, p.infoText1, sizeof(p.infoText1)) == 0 &&
           std::memcmp(a.softwareVersion, p.softwareVersion, sizeof(p.softwareVersion)) == 0 &&
           std::memcmp(a.deviceName, p.deviceName, sizeof(p.deviceName)) == 0 &&
           std::memcmp(&a.loadedModules, &p.loadedModules, sizeof(ModuleMask)) == 0 &&
           std::memcmp(&a.moduleConfig, &p.moduleConfig, sizeof(ModuleMask)) == 0 &&
           FieldText(a.wifi.ssid) == FieldText(p.wifi.ssid) && a.bedNo == p.bedNo &&
           a.item52Value == p.item52Value && a.wifi.serverPort == p.wifi.serverPort &&
           a.wifi.serverIp == p.wifi.serverIp &&
           a.reportedList[4].dword == p.reportedList[4].dword && a.lastChange == p.lastChange;
}

TEST(MonitorRecordsTest, ConcurrentReadersOnlyEverSeeWholeRecords) {
    MonitorObject obj;
    MonitorSystemStatus& status = *obj.GetStatus();
    const MonitorAttribute a = PatternAttribute(0x41);
    const MonitorAttribute b = PatternAttribute(0x42);
    status.SetMonitorAttribute(&a);
    obj.SetLastResult(CommandResult{1, 1, 1, 1, 1});
    auto peerOf = [](int v) {
        SocketAddr s;
        s.sock = static_cast<SocketHandle>(v);
        s.type = v;
        s.addr.port = static_cast<std::uint16_t>(v);
        return s;
    };
    obj.SetPeer(peerOf(1));

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            status.SetMonitorAttribute(i % 2 ? &a : &b);
            int v = i % 2 ? 1 : 2;
            obj.SetLastResult(CommandResult{v, v, v, v, v});
            obj.SetPeer(peerOf(v));
        }
        stop = true;
    });
    int mixed = 0;
    int reads = 0;
    while (!stop || reads < 1000) {
        MonitorAttribute got;
        status.GetMonitorAttribute(&got);
        if (!(got.item51Value == 0x41 || got.item51Value == 0x42) || !IsWholeAttribute(got)) {
            ++mixed;
        }
        CommandResult r = obj.GetLastResult();
        if (r.code != r.detail || r.code != r.result || r.code != r.timeLow ||
            r.code != r.timeHigh) {
            ++mixed;
        }
        SocketAddr s = obj.GetPeer();
        if (s.sock != static_cast<SocketHandle>(s.type) || s.type != s.addr.port) {
            ++mixed;
        }
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
}

TEST(MonitorRecordsTest, SerialDisciplinesAndWrap) {
    MonitorObject obj;
    EXPECT_EQ(obj.GetSerial(), 1u);
    EXPECT_EQ(obj.NextSerialPreIncrement(), 2u);  // pages: store + 1, send the new value
    EXPECT_EQ(obj.GetSerial(), 2u);
    EXPECT_EQ(obj.TakeSerialPostIncrement(), 2u);  // upgrade: send current, then store + 1
    EXPECT_EQ(obj.GetSerial(), 3u);

    struct Case {
        std::uint32_t start;
        bool pre;
        std::uint32_t sent;
        std::uint32_t stored;
        std::uint16_t wire;
    };
    for (Case c :
         {Case{0xFFFFFFFFu, true, 0u, 0u, 0}, Case{0xFFFFFFFFu, false, 0xFFFFFFFFu, 0u, 0xFFFF},
          Case{0x0001FFFFu, true, 0x00020000u, 0x00020000u, 0},
          Case{0x0001FFFFu, false, 0x0001FFFFu, 0x00020000u, 0xFFFF}}) {
        obj.SetSerial(c.start);
        std::uint32_t sent = c.pre ? obj.NextSerialPreIncrement() : obj.TakeSerialPostIncrement();
        EXPECT_EQ(sent, c.sent) << c.start << c.pre;
        EXPECT_EQ(obj.GetSerial(), c.stored) << c.start << c.pre;
        EXPECT_EQ(static_cast<std::uint16_t>(sent), c.wire) << c.start << c.pre;
    }

    // Two senders of one discipline never use the same serial.
    for (bool pre : {true, false}) {
        obj.SetSerial(1);
        std::vector<std::uint32_t> seen[2];
        auto send = [&](int t) {
            for (int i = 0; i < 5000; ++i) {
                seen[t].push_back(pre ? obj.NextSerialPreIncrement()
                                      : obj.TakeSerialPostIncrement());
            }
        };
        std::thread ta(send, 0);
        std::thread tb(send, 1);
        ta.join();
        tb.join();
        std::set<std::uint32_t> distinct(seen[0].begin(), seen[0].end());
        distinct.insert(seen[1].begin(), seen[1].end());
        EXPECT_EQ(distinct.size(), 10000u) << pre;
        EXPECT_EQ(*distinct.begin(), pre ? 2u : 1u) << pre;
        EXPECT_EQ(obj.GetSerial(), 10001u) << pre;
    }
}

TEST(MonitorRecordsTest, ObjectConstructionResetAndFreshRecords) {
    MonitorObject obj;
    EXPECT_EQ(obj.GetGuid(), EmptyGuid());
    ASSERT_NE(obj.GetStatus(), nullptr);
    ASSERT_NE(obj.GetMonitor(), nullptr);
    EXPECT_EQ(obj.GetPeer().sock, kInvalidSocket);
    for (int group = 0; group < 8; ++group) {
        EXPECT_EQ(obj.GetParamObject(group), nullptr) << group;
    }

    GUID key{};
    key.Data4[0] = 9;
    obj.SetGuid(key);
    obj.SetPatientGuid(key);
    SocketAddr peer;
    peer.sock = 7;
    peer.type = 2;
    obj.SetPeer(peer);
    SocketAddr listener;
    listener.sock = 3;
    obj.SetListener(listener);
    obj.SetSerial(40);
    obj.SetLastResult(CommandResult{13, 0, -1, 5, 6});
    obj.SetUpgradeRequest(UpgradeRequest{2, 7});
    MonitorAttribute a;
    CopyToField(a.deviceName, u"Old");
    obj.GetStatus()->SetMonitorAttribute(&a);

    obj.Reset();  // identity only
    GUID copied{};
    obj.CopyGuid(copied);
    EXPECT_EQ(copied, EmptyGuid());
    EXPECT_EQ(obj.GetPatientGuid(), GUID{});
    EXPECT_EQ(obj.GetPeer().sock, kInvalidSocket);
    EXPECT_EQ(obj.GetPeer().type, 0);
    EXPECT_EQ(obj.GetListener().sock, 3);
    EXPECT_EQ(obj.GetSerial(), 40u);
    EXPECT_EQ(obj.GetLastResult().code, 13);
    MonitorAttribute got;
    obj.GetStatus()->GetMonitorAttribute(&got);
    EXPECT_EQ(FieldText(got.deviceName), u"Old");

    obj.SetLastResultResult(0);
    EXPECT_EQ(obj.GetLastResult().result, 0);
    EXPECT_EQ(obj.GetLastResult().timeLow, 5);

    obj.ResetRecords();  // a new occupant's view
    obj.GetStatus()->GetMonitorAttribute(&got);
    EXPECT_EQ(FieldText(got.deviceName), u"");
    EXPECT_EQ(got.loadedModules[1], 0xFF);
    EXPECT_EQ(obj.GetLastResult().code, 0);
    EXPECT_EQ(obj.GetLastResult().result, 0);
    EXPECT_EQ(int{obj.GetUpgradeRequest().fileSerial}, 0);
    EXPECT_EQ(int{obj.GetUpgradeRequest().serialNum}, 0);
    EXPECT_EQ(obj.GetSerial(), 40u);
}

TEST(MonitorRecordsTest, ModuleNamesByIndex) {
    struct Case {
        int index;
        const char* name;
    };
    for (Case c : {Case{-1, ""}, Case{0, ""}, Case{1, "ECG"}, Case{2, "RESP"}, Case{4, "SpO2"},
                   Case{6, "QUICK_TEMP"}, Case{13, "IBP_P1"}, Case{19, "RM_CO2"}, Case{25, "AG_O2"},
                   Case{26, ""}}) {
        EXPECT_STREQ(ModuleNameTable::Name(c.index), c.name) << c.index;
    }
    EXPECT_EQ(ModuleNameTable::WideName(24), u"AG_N2O");
}

}  // namespace
