#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "QueuedUiThread.h"
#include "RecordingMessageSink.h"
#include "TempDir.h"
#include "TestBytes.h"
#include "foundation/GuidText.h"
#include "foundation/Log.h"
#include "foundation/PublicFunctions.h"
#include "foundation/UiThread.h"
#include "foundation/UserMessages.h"
#include "network/CmpChecksum.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "network/CmpProtocol.h"
#include "network/IDispatchSink.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"

namespace {

// An attribute report: item code, then the value.
Bytes Attr(std::uint16_t item, const Bytes& value) {
    Bytes body(2 + value.size());
    WriteLe16(body.data(), item);
    std::copy(value.begin(), value.end(), body.begin() + 2);
    return MakeFrame(0x0200, body);
}

void PutText(Bytes& b, std::size_t at, const std::string& s) {
    std::memcpy(b.data() + at, s.data(), s.size());
}

void PutFloat(Bytes& b, std::size_t at, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    WriteLe32(b.data() + at, u);
}

Bytes Result(std::uint32_t command, std::uint16_t status, std::uint16_t detail) {
    Bytes body(8);
    WriteLe32(body.data(), command);
    WriteLe16(body.data() + 4, status);
    WriteLe16(body.data() + 6, detail);
    return MakeFrame(0x0120, body);
}

WString W(const char* utf8) {
    return CPublicFunctions::Utf8ToUnicode(utf8);
}

class DispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GUID key{};
        key.Data4[7] = 0x42;
        monitor = pool.GetAvailableObj(key);
        ASSERT_NE(monitor, nullptr);
    }

    std::int32_t Dispatch(Bytes block, std::int32_t& len) {
        len = static_cast<std::int32_t>(block.size());
        return HandleCmpProcotol(block.data(), len, monitor, 0x1234, 0x5678, info);
    }
    std::int32_t Dispatch(const Bytes& block) {
        std::int32_t len = 0;
        return Dispatch(block, len);
    }
    MonitorAttribute Attribute() const {
        MonitorAttribute a;
        monitor->GetStatus()->GetMonitorAttribute(&a);
        return a;
    }
    MonitorPatientInfo Patient() const {
        MonitorPatientInfo p;
        monitor->GetStatus()->GetMonitorPatientInfo(&p);
        return p;
    }
    void SetBedNo(std::uint16_t bed) {
        MonitorAttribute a = Attribute();
        a.bedNo = bed;
        monitor->GetStatus()->SetMonitorAttribute(&a);
    }
    std::string Trace() const { return ReadLogText(logs.file("Trace.log")); }
    std::string Asserts() const { return ReadLogText(logs.file("Assert.log")); }

    ScopedLogDir logs;
    CMonitorObjectMng pool;
    MonitorObject* monitor = nullptr;
    PacketInfo info;
    QueuedUiThread ui{QueuedUiThread::Scope::ProcessWide};
    RecordingMessageSink sink;
};

}  // namespace

TEST_F(DispatchTest, BlockResultsAndConsumedLength) {
    const Bytes a = Attr(0x0051, {4});
    const Bytes b = Attr(0x0058, {9});
    const Bytes c = Attr(0x0052, {1});
    const Bytes tick = MakeFrame(0x0080, {0});
    struct Case {
        const char* name;
        Bytes block;
        std::int32_t result;
        std::size_t consumed;
        std::uint8_t item51, item58, item52;
    } cases[] = {
        {"two frames and half a third", Concat({a, b, Bytes(c.begin(), c.begin() + 6)}), 2,
         a.size() + b.size(), 5, 9, 0},
        {"tick in the middle", Concat({a, tick, b}), 11, a.size() + tick.size(), 5, 0, 0},
        {"tick last", Concat({a, b, tick}), 0, a.size() + b.size() + tick.size(), 5, 9, 0},
        // A byte before a header reads as a len of 2816 or more: with enough bytes behind it its
        // checksum fails and the scan steps on; the trailing zeros are skipped too.
        {"garbage, then frames", Concat({Bytes{0xFF, 0xFF, 0x07}, a, c, Bytes(3000, 0)}), 2,
         3 + a.size() + c.size() + 3000 - 7, 5, 0, 2},
        {"garbage waits while its len could still complete", Concat({Bytes{0x07}, a, c}), 2, 0, 0,
         0, 0},
        {"empty block", {}, 2, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        MonitorAttribute clean;
        monitor->GetStatus()->SetMonitorAttribute(&clean);
        std::int32_t len = 0;
        EXPECT_EQ(Dispatch(k.block, len), k.result);
        EXPECT_EQ(len, static_cast<std::int32_t>(k.consumed));
        const MonitorAttribute got = Attribute();
        EXPECT_EQ(got.item51Value, k.item51);
        EXPECT_EQ(got.item58Value, k.item58);
        EXPECT_EQ(got.item52Value, k.item52);
    }
}

TEST_F(DispatchTest, LengthLimitsAndEndOfData) {
    Bytes big(32769, 0);
    std::int32_t len = 32769;
    EXPECT_EQ(HandleCmpProcotol(big.data(), len, monitor, 0, 0, info), -1);
    EXPECT_EQ(len, 32769);
    len = -1;
    EXPECT_EQ(HandleCmpProcotol(big.data(), len, monitor, 0, 0, info), -1);
    EXPECT_EQ(len, -1);
    len = 32768;
    EXPECT_EQ(HandleCmpProcotol(big.data(), len, monitor, 0, 0, info), 2);
    EXPECT_EQ(len, 32768 - 7);
    EXPECT_NE(Trace().find("\tCMP_DATA_FAILED\n"), std::string::npos);

    // 0x0052 marks the end; the next block ends the session unless patient or module info came.
    EXPECT_EQ(Dispatch(MakeFrame(0x0052, {0})), 2);
    EXPECT_EQ(info.endSeen, 1);
    EXPECT_EQ(Dispatch(Attr(0x0051, {1})), -2);
    EXPECT_EQ(Attribute().item51Value, 0);
    EXPECT_NE(Trace().find("\tCMP_DATA_END\n"), std::string::npos);
    info = PacketInfo{0, 1, 1};
    EXPECT_EQ(Dispatch(Attr(0x0051, {1})), 2);
    EXPECT_EQ(Attribute().item51Value, 2);

    // Contract checks are recorded and processing goes on.
    len = 0;
    EXPECT_EQ(HandleCmpProcotol(nullptr, len, monitor, 0, 0, info), 2);
    EXPECT_EQ(len, 0);
    const std::string asserts = Asserts();
    EXPECT_NE(asserts.find("len > 0,"), std::string::npos);
    EXPECT_NE(asserts.find(",HandleCmpProcotol,495\n"), std::string::npos);
    EXPECT_NE(asserts.find("buf != NULL,"), std::string::npos);
    EXPECT_NE(asserts.find(",HandleCmpProcotol,496\n"), std::string::npos);
}

TEST_F(DispatchTest, CommandLogLines) {
    const Bytes block =
        Concat({MakeFrame(0x0001, {0}), MakeFrame(0x0002, {0}), MakeFrame(0x0003, {0}),
                MakeFrame(0x0004, {0}), MakeFrame(0x002C, {0}), MakeFrame(0x002D, {0}),
                MakeFrame(0x0046, {0}), MakeFrame(0x0500, {0}), MakeFrame(0x0114, {0}),
                MakeFrame(0x0999, {0}), MakeFrame(0x0021, {0}), MakeFrame(0x0243, {0}),
                MakeFrame(0x0040, {0}), MakeFrame(0x0006, {0})});
    EXPECT_EQ(Dispatch(block), 2);
    const std::string trace = Trace();
    for (const char* line :
         {"\tNET_PACKET_ACK \n", "\tNET_CONNECT_SUCCESS \n", "\tNET_PROTOCOL_HAND_SUCCESS \n",
          "\tNET_PROTOCOL_VERSION \n", "\tNET_ICG_CONFIG \n", "\tNET_BIS_CONFIG \n",
          "\tNET_LIFE_ALARM_CONFIG \n", "\tNET_ALARM_ALL_CONFIG \n", "\tCMP no Cmd = 276 \n",
          "\tCMP no Cmd = 2457 \n"}) {
        EXPECT_NE(trace.find(line), std::string::npos) << line;
    }
    // Table codes without an action of their own are silent.
    EXPECT_EQ(trace.find("CMP no Cmd = 33 "), std::string::npos);
    EXPECT_EQ(trace.find("CMP no Cmd = 579 "), std::string::npos);
    EXPECT_EQ(trace.find("CMP no Cmd = 64 "), std::string::npos);
    EXPECT_EQ(trace.find("CMP no Cmd = 6 "), std::string::npos);
}

TEST_F(DispatchTest, AttributeItems) {
    Bytes info15(16, 'x');
    PutText(info15, 0, "ABCDEFGHIJKLMNO");  // byte 15 is not a terminator: the field ends anyway
    Bytes modules(26);
    for (int i = 0; i < 26; ++i) {
        modules[i] = static_cast<std::uint8_t>(i + 100);
    }
    Bytes longName(50, 'N');
    PutText(longName, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    Bytes wideName(50, 0);
    for (int i = 0; i < 16; ++i) {
        PutText(wideName, static_cast<std::size_t>(i) * 3, "\xE4\xB8\xAD");  // U+4E2D
    }
    Bytes shortName(50, 0);
    PutText(shortName, 0, "Bed7");

    struct Case {
        const char* name;
        Bytes frame;
        int result;
        std::uint8_t lastChange;
        std::function<void(const MonitorAttribute&)> check;
    } cases[] = {
        {"0x0001 with 15 bytes of text", Attr(0x0001, info15), 0, 2,
         [](const MonitorAttribute& a) {
             EXPECT_EQ(FieldText(a.infoText1), W("ABCDEFGHIJKLMNO"));
         }},
        {"0x0002", Attr(0x0002, info15), 0, 3,
         [](const MonitorAttribute& a) { EXPECT_EQ(FieldText(a.infoText2).size(), 15u); }},
        {"0x0003", Attr(0x0003, info15), 0, 4,
         [](const MonitorAttribute& a) { EXPECT_EQ(FieldText(a.softwareVersion).size(), 15u); }},
        {"0x0004 not read", Attr(0x0004, {}), 0, 0xFF, nullptr},
        {"0x0005", Attr(0x0005, {}), 0, 6, nullptr},
        {"0x0006 not read", Attr(0x0006, {}), 0, 0xFF, nullptr},
        {"0x0007 module config", Attr(0x0007, modules), 0, 8,
         [&](const MonitorAttribute& a) {
             EXPECT_EQ(std::memcmp(a.moduleConfig.module, modules.data(), 26), 0);
         }},
        {"0x0050 short name", Attr(0x0050, shortName), 0, 14,
         [](const MonitorAttribute& a) { EXPECT_EQ(FieldText(a.deviceName), W("Bed7")); }},
        {"0x0050 long name is cut", Attr(0x0050, longName), 0, 14,
         [](const MonitorAttribute& a) {
             EXPECT_EQ(FieldText(a.deviceName), W("ABCDEFGHIJKL"));
             EXPECT_EQ(a.deviceName[12], 0);
             EXPECT_EQ(a.moduleConfig[0], 0);  // neighbour untouched
             EXPECT_EQ(a.protocolVersion, 0.0f);
         }},
        {"0x0050 long wide name is cut", Attr(0x0050, wideName), 0, 14,
         [](const MonitorAttribute& a) {
             EXPECT_EQ(FieldText(a.deviceName), WString(12, 0x4E2D));
         }},
        {"0x0051", Attr(0x0051, {3}), 0, 10,
         [](const MonitorAttribute& a) { EXPECT_EQ(a.item51Value, 4); }},
        {"0x0052", Attr(0x0052, {0}), 0, 11,
         [](const MonitorAttribute& a) { EXPECT_EQ(a.item52Value, 1); }},
        {"0x0055", Attr(0x0055, {}), 0, 13, nullptr},
        {"0x0056 server address", Attr(0x0056, {0xC0, 0xA8, 0x01, 0x02, 0x1C, 0x25}), 0, 16,
         [](const MonitorAttribute& a) {
             const std::uint8_t ip[4] = {0xC0, 0xA8, 0x01, 0x02};
             EXPECT_EQ(std::memcmp(&a.wifi.serverIp, ip, 4), 0);
             EXPECT_EQ(a.wifi.serverPort, 9500);
         }},
        {"0x0058", Attr(0x0058, {7}), 0, 20,
         [](const MonitorAttribute& a) { EXPECT_EQ(a.item58Value, 7); }},
        {"0x0059 keeps lastChange", Attr(0x0059, {3}), 0, 0xFF,
         [](const MonitorAttribute& a) { EXPECT_EQ(a.reconnectSel, 3); }},
        {"unknown item", Attr(0x0099, {1, 2, 3}), -1, 0xFF, nullptr},
        {"too short for the item code", MakeFrame(0x0200, {0x51}), -1, 0xFF, nullptr},
        {"0x0001 too short", Attr(0x0001, Bytes(15, 'a')), -1, 0xFF,
         [](const MonitorAttribute& a) { EXPECT_EQ(FieldText(a.infoText1), WString()); }},
        {"0x0007 too short", Attr(0x0007, Bytes(25, 1)), -1, 0xFF, nullptr},
        {"0x0050 too short", Attr(0x0050, Bytes(49, 'a')), -1, 0xFF, nullptr},
        {"0x0051 too short", Attr(0x0051, {}), -1, 0xFF, nullptr},
        {"0x0053 too short", Attr(0x0053, Bytes(91, 1)), -1, 0xFF, nullptr},
        {"0x0054 too short for its count", Attr(0x0054, Bytes(1 + 49 * 2 - 1, 2)), -1, 0xFF,
         nullptr},
        {"0x0056 too short", Attr(0x0056, Bytes(5, 1)), -1, 0xFF, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MonitorAttribute clean;
        monitor->GetStatus()->SetMonitorAttribute(&clean);
        EXPECT_EQ(HandleCmpAttribute(c.frame.data(), monitor), c.result);
        const MonitorAttribute a = Attribute();
        EXPECT_EQ(a.lastChange, c.lastChange);
        if (c.check) {
            c.check(a);
        }
    }
    EXPECT_EQ(HandleCmpAttribute(Attr(0x0051, {1}).data(), nullptr), -1);
}

TEST_F(DispatchTest, WifiReport) {
    Bytes v(92, 0);
    PutText(v, 0, "WardNet");
    v[40] = 2;
    PutText(v, 41, "secret");
    WriteLe16(v.data() + 81, static_cast<std::uint16_t>(-70));
    v[83] = 0;
    v[84] = 3;
    const std::uint8_t ip[4] = {10, 0, 0, 5};
    std::memcpy(v.data() + 85, ip, 4);
    v[89] = 1;
    v[90] = 7;
    v[91] = 11;

    MonitorAttribute before;
    before.wifi.serverIp = 0x01020304;
    before.wifi.serverPort = 5595;
    monitor->GetStatus()->SetMonitorAttribute(&before);
    EXPECT_EQ(HandleCmpAttribute(Attr(0x0053, v).data(), monitor), 0);
    MonitorAttribute a = Attribute();
    EXPECT_EQ(FieldText(a.wifi.ssid), W("WardNet"));
    EXPECT_EQ(a.wifi.authen, 3);
    EXPECT_EQ(FieldText(a.wifi.password), W("secret"));
    EXPECT_EQ(a.wifi.roamThreshold, -70);
    EXPECT_EQ(a.wifi.roamSwitch, 0);
    EXPECT_EQ(a.wifi.wifiPower, 3);
    EXPECT_EQ(std::memcmp(&a.wifi.deviceIp, ip, 4), 0);
    EXPECT_EQ(a.wifi.ipAccess, 2);
    EXPECT_EQ(a.wifi.reserved, 7);
    EXPECT_EQ(a.wifi.channel, 11);
    EXPECT_EQ(a.wifi.serverIp, 0x01020304u);
    EXPECT_EQ(a.wifi.serverPort, 5595);
    EXPECT_EQ(a.lastChange, 15);

    // Full-width texts end at their fields' last byte: 39 units each.
    std::fill(v.begin(), v.begin() + 40, 'S');
    std::fill(v.begin() + 41, v.begin() + 81, 'P');
    EXPECT_EQ(HandleCmpAttribute(Attr(0x0053, v).data(), monitor), 0);
    a = Attribute();
    EXPECT_EQ(FieldText(a.wifi.ssid), WString(39, u'S'));
    EXPECT_EQ(FieldText(a.wifi.password), WString(39, u'P'));
}

TEST_F(DispatchTest, ListReport) {
    auto entry = [](Bytes& v, int i, const std::string& name, std::uint8_t kind) {
        const std::size_t at = 1 + 49 * static_cast<std::size_t>(i);
        PutText(v, at, name);
        v[at + 40] = kind;
        WriteLe16(v.data() + at + 41, static_cast<std::uint16_t>(0x100 + i));
        WriteLe32(v.data() + at + 43, 0xA0000000u + static_cast<std::uint32_t>(i));
        WriteLe16(v.data() + at + 47, static_cast<std::uint16_t>(0x200 + i));
    };
    Bytes v(1 + 49 * 5, 0);
    v[0] = 7;  // more than the list holds
    for (int i = 0; i < 5; ++i) {
        entry(v, i, "net" + std::to_string(i), static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(HandleCmpAttribute(Attr(0x0054, v).data(), monitor), 0);
    MonitorAttribute a = Attribute();
    EXPECT_EQ(a.lastChange, 12);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FieldText(a.reportedList[i].name), W(("net" + std::to_string(i)).c_str()));
        EXPECT_EQ(a.reportedList[i].kind, i + 1);
        EXPECT_EQ(a.reportedList[i].word1, 0x100 + i);
        EXPECT_EQ(a.reportedList[i].dword, 0xA0000000u + static_cast<std::uint32_t>(i));
        EXPECT_EQ(a.reportedList[i].word2, 0x200 + i);
    }

    Bytes two(1 + 49 * 2, 0);
    two[0] = 2;
    entry(two, 0, "alpha", 9);
    entry(two, 1, "beta", 9);
    EXPECT_EQ(HandleCmpAttribute(Attr(0x0054, two).data(), monitor), 0);
    a = Attribute();
    EXPECT_EQ(FieldText(a.reportedList[1].name), W("beta"));
    EXPECT_EQ(a.reportedList[1].kind, 10);
    for (int i = 2; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FieldText(a.reportedList[i].name), WString());  // only the name is emptied
        EXPECT_EQ(a.reportedList[i].kind, i + 1);
        EXPECT_EQ(a.reportedList[i].dword, 0xA0000000u + static_cast<std::uint32_t>(i));
    }
}

TEST_F(DispatchTest, PatientInfo) {
    Bytes body(424, 0);
    WriteLe16(body.data() + 2, 23);
    body[4] = 0x42;
    body[5] = 0x41;
    body[6] = 0x43;
    PutFloat(body, 7, 36.5f);
    PutFloat(body, 11, 1.25f);
    body[15] = 4;
    WriteLe16(body.data() + 16, 1980);
    body[18] = 2;
    body[19] = 29;
    WriteLe16(body.data() + 24, 2026);
    body[26] = 12;
    body[27] = 8;
    const char* texts[6] = {"six", "three", "two", "five", "four", "one"};
    for (int i = 0; i < 6; ++i) {
        PutText(body, 32 + 64 * static_cast<std::size_t>(i), texts[i]);
    }
    PutFloat(body, 416, 72.0f);
    PutFloat(body, 420, -3.5f);
    const Bytes frame = MakeFrame(0x0011, body);

    // No bed number yet: nothing is stored.
    EXPECT_EQ(Dispatch(frame), 2);
    EXPECT_EQ(info.patientInfoSeen, 1);
    MonitorPatientInfo p = Patient();
    EXPECT_EQ(p.bedNo, 0u);
    EXPECT_EQ(p.value3, -1000.0f);
    EXPECT_EQ(FieldText(p.text1), WString());

    SetBedNo(61);
    EXPECT_EQ(Dispatch(frame), 2);
    p = Patient();
    EXPECT_EQ(p.netBedNo, 61u);
    EXPECT_EQ(p.bedNo, 23u);
    EXPECT_EQ(p.code2, 0x42);
    EXPECT_EQ(p.code1, 0x41);
    EXPECT_EQ(p.code3, 0x43);
    EXPECT_EQ(p.value1, static_cast<float>(36.5 + 0.00002));
    EXPECT_EQ(p.value2, static_cast<float>(1.25 + 0.00002));
    EXPECT_EQ(p.code4, 4);
    EXPECT_EQ(p.date1.tm_year, 80);
    EXPECT_EQ(p.date1.tm_mon, 1);
    EXPECT_EQ(p.date1.tm_mday, 29);
    EXPECT_EQ(p.date2.tm_year, 126);
    EXPECT_EQ(p.date2.tm_mon, 11);
    EXPECT_EQ(p.date2.tm_mday, 8);
    EXPECT_EQ(FieldText(p.text1), W("one"));
    EXPECT_EQ(FieldText(p.text2), W("two"));
    EXPECT_EQ(FieldText(p.text3), W("three"));
    EXPECT_EQ(FieldText(p.text4), W("four"));
    EXPECT_EQ(FieldText(p.text5), W("five"));
    EXPECT_EQ(FieldText(p.text6), W("six"));
    EXPECT_EQ(p.value3, 72.0f);
    EXPECT_EQ(p.value4, -3.5f);

    char expected[128];
    std::snprintf(expected, sizeof(expected),
                  "HandleCmpPatientInfo: ThreadId == %%d,pMonitorObj == 0x%" PRIxPTR "!\n",
                  reinterpret_cast<std::uintptr_t>(monitor));
    const std::string want = std::string(expected).substr(std::string(expected).find(",pMon"));
    EXPECT_NE(Trace().find(want), std::string::npos) << want;
    EXPECT_NE(Trace().find("\tNET_PATIENT_INFO \n"), std::string::npos);

    // A frame one byte short of the body changes nothing.
    Bytes shortBody(body.begin(), body.end() - 1);
    WriteLe16(shortBody.data() + 2, 99);
    EXPECT_EQ(Dispatch(MakeFrame(0x0011, shortBody)), 2);
    EXPECT_EQ(Patient().bedNo, 23u);

    // No monitor: the check is recorded, nothing is touched.
    HandleCmpPatientInfo(frame.data(), nullptr);
    EXPECT_NE(Asserts().find("pStatus != NULL,"), std::string::npos);
    EXPECT_NE(Asserts().find(",HandleCmpPatientInfo,274\n"), std::string::npos);
    HandleCmpPatientInfo(nullptr, monitor);
    EXPECT_NE(Asserts().find("pPacketHead != NULL,"), std::string::npos);
    EXPECT_NE(Asserts().find(",HandleCmpPatientInfo,271\n"), std::string::npos);
}

TEST_F(DispatchTest, ModuleSet) {
    Bytes body(26);
    for (int i = 0; i < 26; ++i) {
        body[i] = static_cast<std::uint8_t>(i % 2);
    }
    EXPECT_EQ(Attribute().loadedModules[0], 0xFF);
    EXPECT_EQ(Dispatch(MakeFrame(0x0012, body)), 2);
    EXPECT_EQ(info.moduleInfoSeen, 1);
    MonitorAttribute a = Attribute();
    EXPECT_EQ(a.loadedModules[0], 0xFF);  // index 0 is never touched
    for (int i = 1; i < 26; ++i) {
        EXPECT_EQ(a.loadedModules[i], i % 2) << i;
    }
    EXPECT_EQ(a.lastChange, 17);

    a.lastChange = 0;
    monitor->GetStatus()->SetMonitorAttribute(&a);
    EXPECT_EQ(Dispatch(MakeFrame(0x0012, Bytes(25, 1))), 2);  // too short: ignored
    EXPECT_EQ(Attribute().lastChange, 0);
    EXPECT_EQ(Attribute().loadedModules[2], 0);

    HandleCmpLoadorUnloadModule(MakeFrame(0x0012, body).data(), nullptr);
    EXPECT_NE(Asserts().find("pStatus != NULL,"), std::string::npos);
    EXPECT_NE(Asserts().find(",HandleCmpLoadorUnloadModule,435\n"), std::string::npos);
}

TEST_F(DispatchTest, CommandResults) {
    struct Case {
        std::uint32_t command;
        std::uint16_t status;
        std::uint16_t detail;
        std::int32_t code;
        std::int32_t detailOut;
        std::int32_t result;
    } cases[] = {
        {0x0012, 1, 5, 15, 77, 0},     {0x0013, 1, 5, 16, 5, 0},
        {0x0021, 1, 5, 19, 77, 0},     {0x0022, 1, 5, 20, 77, 0},
        {0x0025, 1, 5, 21, 77, 0},     {0x0026, 1, 5, 22, 77, 0},
        {0x0058, 1, 5, 18, 77, 0},     {0x0090, 1, 5, 9, 77, 0},
        {0x0100, 1, 5, 2, 77, 0},      {0x0101, 1, 5, 3, 77, 0},
        {0x0102, 1, 0x1001, 7, 77, 0}, {0x0102, 1, 0x1002, 0, 0x1002, 0},
        {0x0103, 1, 5, 1, 0x306, 0},   {0x0110, 1, 5, 5, 77, 0},
        {0x0112, 1, 5, 12, 77, 0},     {0x0113, 0, 5, 13, 77, -1},
        {0x0200, 1, 0x50, 10, 77, 0},  {0x0200, 1, 0x53, 11, 77, 0},
        {0x0200, 1, 0x56, 17, 77, 0},  {0x0200, 1, 0x59, 23, 77, 0},
        {0x0200, 2, 0x51, 55, 77, -1}, {0x0777, 1, 5, -1, 77, 0},
        {0x00010012, 1, 5, -1, 77, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.command << " " << c.detail);
        monitor->SetLastResult(CommandResult{55, 77, 9, 0, 0});
        EXPECT_EQ(Dispatch(Result(c.command, c.status, c.detail)), 2);
        const CommandResult r = monitor->GetLastResult();
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.detail, c.detailOut);
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.timeLow, 0x1234);
        EXPECT_EQ(r.timeHigh, 0x5678);
    }
    EXPECT_NE(Trace().find("\tSET_PATIENT_INFO\n"), std::string::npos);

    // Too short: lastResult stays as it was.
    monitor->SetLastResult(CommandResult{55, 77, 9, 1, 2});
    const Bytes full = Result(0x0012, 1, 0);
    Bytes body(full.begin() + 8, full.end() - 1);
    EXPECT_EQ(Dispatch(MakeFrame(0x0120, body)), 2);
    EXPECT_EQ(monitor->GetLastResult().code, 55);
    EXPECT_EQ(monitor->GetLastResult().timeLow, 1);
}

class RecordingDispatchSink : public IDispatchSink {
  public:
    void OnCommandResult(MonitorObject* m) override { results.push_back(m); }
    void OnUpgradeRequest(MonitorObject* m) override { requests.push_back(m); }
    std::vector<MonitorObject*> results;
    std::vector<MonitorObject*> requests;
};

TEST_F(DispatchTest, ResultsAndRequestsAreStoredThenHandedToTheSink) {
    EXPECT_EQ(Dispatch(Result(0x0200, 1, 0x0050)), 2);  // no sink: stored all the same
    EXPECT_EQ(monitor->GetLastResult().code, 10);

    RecordingDispatchSink dispatchSink;
    SetDispatchSink(&dispatchSink);
    EXPECT_EQ(Dispatch(Concat({Result(0x0113, 2, 0), MakeFrame(0x0113, {2, 7, 0, 0, 0})})), 2);
    EXPECT_EQ(Dispatch(MakeFrame(0x0113, {3, 1, 0, 0})),
              2);  // too short: not stored, not handed on
    SetDispatchSink(nullptr);
    EXPECT_EQ(dispatchSink.results, std::vector<MonitorObject*>{monitor});
    EXPECT_EQ(dispatchSink.requests, std::vector<MonitorObject*>{monitor});
    EXPECT_EQ(monitor->GetLastResult().result, -1);
    const UpgradeRequest r = monitor->GetUpgradeRequest();
    EXPECT_EQ(int{r.fileSerial}, 2);
    EXPECT_EQ(int{r.serialNum}, 7);
    ui.RunAll();
    EXPECT_TRUE(sink.messages.empty());  // the dispatch itself posts no upgrade message
}

// Two monitors send on the debug page: only the one whose row is checked reaches the console,
// and a flood waits in the UI queue only up to the bound.
TEST_F(DispatchTest, DebugPacketsOnlyOfTheCheckedMonitorAndBounded) {
    GUID otherKey{};
    otherKey.Data4[7] = 0x43;
    MonitorObject* other = pool.GetAvailableObj(otherKey);
    ASSERT_NE(other, nullptr);
    MonitorListModel list;
    CMonitorTable& table = GetMonitorTable();
    table.SetList(&list);
    for (MonitorObject* m : {other, monitor}) {
        list.SetText(list.AppendRow(""), CMonitorTable::kColumnGuid,
                     CPublicFunctions::UnicodeToUtf8(GuidToString(m->GetGuid()).c_str()));
    }
    list.SetCheck(1, true);  // `monitor`
    const Bytes a = Attr(0x0051, {1});
    const Bytes tick = MakeFrame(0x0080, {0});
    const Bytes block = Concat({a, tick, a});
    auto dispatchBoth = [&] {
        std::int32_t len = static_cast<std::int32_t>(block.size());
        Bytes copy = block;
        PacketInfo otherInfo;
        EXPECT_EQ(HandleCmpProcotol(copy.data(), len, other, 0, 0, otherInfo), 11);
        EXPECT_EQ(Dispatch(block), 11);
    };

    dispatchBoth();  // not the debug page: nothing
    ui.RunAll();
    EXPECT_TRUE(sink.messages.empty());
    table.SetPage(kDebugPageIndex);
    dispatchBoth();
    ui.RunAll();
    ASSERT_EQ(sink.messages.size(), 2u);  // the checked monitor's frames up to the end of the pass
    EXPECT_EQ(sink.messages[0].id, WM_DEBUG_PACKET);
    EXPECT_EQ(sink.messages[0].monitor, monitor);
    EXPECT_EQ(sink.messages[0].frame, a);
    EXPECT_EQ(sink.messages[1].monitor, monitor);
    EXPECT_EQ(sink.messages[1].frame, tick);

    // While the UI thread is busy, a flooding monitor queues at most the bound.
    sink.messages.clear();
    for (int i = 0; i < kMaxQueuedDebugFrames; ++i) {
        dispatchBoth();
    }
    EXPECT_EQ(ui.Pending(), kMaxQueuedDebugFrames);
    EXPECT_EQ(ui.RunAll(), kMaxQueuedDebugFrames);
    dispatchBoth();  // room again once the page has shown them
    EXPECT_EQ(ui.RunAll(), 2);
    EXPECT_EQ(sink.messages.size(), static_cast<std::size_t>(kMaxQueuedDebugFrames) + 2);

    // Without a UI thread the posts are dropped.
    SetUiThread(nullptr);
    dispatchBoth();
    table.SetPage(CMonitorTable::kPageNone);
    table.SetList(nullptr);
    EXPECT_EQ(sink.messages.size(), static_cast<std::size_t>(kMaxQueuedDebugFrames) + 2);
}
