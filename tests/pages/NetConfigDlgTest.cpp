#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeForm.h"
#include "PageTestFleet.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "foundation/PublicFunctions.h"
#include "pages/CNetConfigDlg.h"
#include "pages/Ipv4Text.h"
#include "pages/NetConfigOrders.h"
#include "pages/NetPageLayout.h"
#include "pages/NetworkDefaults.h"

namespace {

using namespace NetPageId;
using pagetest::Fleet;
using pagetest::Frame;

const int kWifiControls[] = {kSsid,      kAuthen,   kPassword, kRoamThreshold, kRoamSwitch,
                             kWifiPower, kIpAccess, kServerIp, kChannel,       kReconnectTime};

class NetPage : public ::testing::Test {
  protected:
    NetPage() { Reset(); }

    // A fresh page on a fresh form, initialised as the main window does.
    void Reset() {
        form = FakeForm{kNetPageLayout};
        dialogs = FakeDialogs{};
        page = std::make_unique<CNetConfigDlg>(form, dialogs, fleet.table, pagetest::FakeText,
                                               std::chrono::milliseconds(0));
        page->InitForm();
    }
    MonitorObject* Checked(std::uint8_t n) {
        MonitorObject* m = fleet.Connect(n);
        fleet.Check(m);
        return m;
    }
    // The four orders in the order they must arrive; empty when they did not.
    std::vector<Frame> Orders(MonitorObject* m) {
        std::vector<Frame> frames;
        for (int i = 0; i < 4; ++i) {
            Frame f = fleet.ReadFrame(m);
            if (f.len == 0) {
                return {};
            }
            frames.push_back(f);
        }
        return frames;
    }

    ScopedLogDir logs;
    Fleet fleet;
    FakeForm form{kNetPageLayout};
    FakeDialogs dialogs;
    std::unique_ptr<CNetConfigDlg> page;
};

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

TEST_F(NetPage, InitialContentsAndCaptions) {
    EXPECT_EQ(form.GetText(kSsid), "ZOLT_LINK");
    EXPECT_EQ(form.At(kAuthen).items, (std::vector<std::string>{"OPEN", "WEP", "WPA", "WPA2"}));
    EXPECT_EQ(form.GetCurSel(kAuthen), 3);
    EXPECT_EQ(form.GetText(kPassword), "QPLMRTXW");
    EXPECT_TRUE(form.At(kPassword).masked);
    EXPECT_FALSE(page->IsPasswordShown());
    EXPECT_EQ(form.At(kRoamSwitch).items, (std::vector<std::string>{"T24", "T23"}));
    EXPECT_EQ(form.GetCurSel(kRoamSwitch), 1);
    EXPECT_EQ(form.At(kWifiPower).items, (std::vector<std::string>{"T26", "T27", "T28"}));
    EXPECT_EQ(form.GetCurSel(kWifiPower), 1);
    EXPECT_EQ(form.At(kIpAccess).items, (std::vector<std::string>{"T31", "T30"}));
    EXPECT_EQ(form.GetCurSel(kIpAccess), 0);
    const std::vector<std::string>& channels = form.At(kChannel).items;
    ASSERT_EQ(channels.size(), 14u);
    EXPECT_EQ(channels.front(), "T109");
    EXPECT_EQ(channels[1], "1");
    EXPECT_EQ(channels[13], "13");
    EXPECT_EQ(form.GetCurSel(kChannel), 0);
    EXPECT_EQ(form.At(kReconnectTime).items,
              (std::vector<std::string>{"5s", "30s", "60s", "3min"}));
    EXPECT_EQ(form.GetCurSel(kReconnectTime), 2);
    EXPECT_EQ(form.GetAddressText(kServerIp), "192.168.137.100");
    EXPECT_EQ(form.GetAddressText(kDeviceIp), "192.168.137.1");
    EXPECT_EQ(form.GetText(kDeviceName), "Zr40");
    EXPECT_EQ(form.GetText(kRoamThreshold), "-65");
    const std::pair<int, const char*> captions[] = {{kAddressOnly, "T36"},
                                                    {kLoad, "T17"},
                                                    {kSave, "T18"},
                                                    {kModify, "T35"},
                                                    {kAuthenLabel, "T14"},
                                                    {kPasswordLabel, "T15"},
                                                    {kWifiPowerLabel, "T25"},
                                                    {kRoamSwitchLabel, "T21"},
                                                    {kRoamThresholdLabel, "T22"},
                                                    {kDeviceIpLabel, "T8"},
                                                    {kIpAccessLabel, "T29"},
                                                    {kServerIpLabel, "T32"},
                                                    {kChannelLabel, "T33"},
                                                    {kReconnectTimeLabel, "T34"},
                                                    {kDeviceNameLabel, "T6"},
                                                    {kShowPassword, "T20"}};
    for (const auto& [id, text] : captions) {
        EXPECT_EQ(form.GetText(id), text) << id;
    }
    EXPECT_EQ(form.Find(kSsidLabel), nullptr);  // keeps its template caption
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(NetPage, CaptionRefreshKeepsTheChosenIndexes) {
    form.SetCurSel(kRoamSwitch, 0);
    form.SetCurSel(kWifiPower, 2);
    form.SetCurSel(kIpAccess, 1);
    page->OnToggleAddressOnly();
    page->RefreshCaptions();
    EXPECT_EQ(form.GetCurSel(kRoamSwitch), 0);
    EXPECT_EQ(form.GetCurSel(kWifiPower), 2);
    EXPECT_EQ(form.GetCurSel(kIpAccess), 1);
    EXPECT_EQ(form.At(kWifiPower).items.size(), 3u);
    EXPECT_EQ(form.GetText(kAddressOnly), "T37");
}

TEST_F(NetPage, ModifyWithoutACheckedMonitorSendsNothing) {
    MonitorObject* m = fleet.Connect(1);
    page->OnModify();
    fleet.Check(m);
    fleet.Disconnect(1, m);  // its row stays until the next refresh
    page->OnModify();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T77", "T77"}));
    EXPECT_FALSE(fleet.HasData(m));
}

TEST_F(NetPage, ModifySendsTheFourOrdersToTheFirstCheckedMonitorOnly) {
    MonitorObject* first = Checked(1);
    MonitorObject* second = Checked(2);
    MonitorObject* third = Checked(3);
    first->SetSerial(41);
    form.SetText(kSsid, "Ward7");
    form.SetCurSel(kAuthen, 2);  // WPA
    form.SetText(kPassword, "secret-pw");
    form.SetText(kRoamThreshold, " -70dBm");  // leading number only
    form.SetCurSel(kRoamSwitch, 0);
    form.SetCurSel(kWifiPower, 2);
    form.SetAddressText(kDeviceIp, "10.20.30.40");
    form.SetCurSel(kIpAccess, 1);
    form.SetAddressText(kServerIp, "10.20.30.1");
    form.SetCurSel(kChannel, 11);
    form.SetCurSel(kReconnectTime, 3);
    form.SetText(kDeviceName, "Bed 12");
    page->OnModify();
    EXPECT_TRUE(dialogs.messages.empty());

    std::vector<Frame> f = Orders(first);
    ASSERT_EQ(f.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(f[i].cmd, 0x0200) << i;
        EXPECT_TRUE(f[i].checksumOk) << i;
        EXPECT_EQ(f[i].serial, 42 + i) << i;
        EXPECT_EQ(f[i].len, 8 + f[i].body.size()) << i;
    }
    EXPECT_EQ(first->GetSerial(), 45u);

    // Device name.
    Bytes label(52, 0);
    label[0] = 0x50;
    const std::string name = "Bed 12";
    std::copy(name.begin(), name.end(), label.begin() + 2);
    EXPECT_EQ(f[0].body, label);

    // Wi-Fi.
    const Bytes& w = f[1].body;
    ASSERT_EQ(w.size(), 94u);
    EXPECT_EQ(w[0], 0x53);
    EXPECT_EQ(w[1], 0x00);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&w[2])), "Ward7");
    EXPECT_EQ(w[42], 2);  // WPA
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&w[43])), "secret-pw");
    EXPECT_EQ(ReadLe16(&w[83]), static_cast<std::uint16_t>(-70));
    EXPECT_EQ(w[85], 0);
    EXPECT_EQ(w[86], 2);
    EXPECT_EQ((Bytes{w[87], w[88], w[89], w[90]}), (Bytes{10, 20, 30, 40}));
    EXPECT_EQ(w[91], 1);
    EXPECT_EQ(w[92], 0);
    EXPECT_EQ(w[93], 11);

    // Server address, with the port the monitor reported (9500 when it reported none).
    EXPECT_EQ(f[2].body, (Bytes{0x56, 0x00, 10, 20, 30, 1, 0x1C, 0x25}));
    // Reconnect time "3min".
    EXPECT_EQ(f[3].body, (Bytes{0x59, 0x00, 0x03}));

    EXPECT_FALSE(fleet.HasData(first));
    EXPECT_FALSE(fleet.HasData(second));
    EXPECT_FALSE(fleet.HasData(third));
}

TEST_F(NetPage, ServerOrderCarriesTheMonitorsReportedPort) {
    MonitorObject* m = Checked(1);
    fleet.EditAttribute(m, [](MonitorAttribute& a) { a.wifi.serverPort = 5595; });
    page->OnModify();
    ASSERT_EQ(Orders(m).size(), 4u);
    EXPECT_EQ(page->GetServerPort(), 5595);
}

TEST_F(NetPage, CollectingAndValidation) {
    using Edit = std::function<void(FakeForm&)>;
    auto text = [](int id, std::string value) {
        return [id, value](FakeForm& f) { f.SetText(id, value); };
    };
    auto address = [](int id, std::string value) {
        return [id, value](FakeForm& f) { f.SetAddressText(id, value); };
    };
    auto choose = [](int id, int index) {
        return [id, index](FakeForm& f) { f.SetCurSel(id, index); };
    };
    auto both = [](Edit a, Edit b) {
        return [a, b](FakeForm& f) {
            a(f);
            b(f);
        };
    };
    struct Case {
        const char* what;
        Edit edit;
        const char* message;  // "" accepted: the four orders go out
    };
    const std::string chinese = "\xE4\xB8\xAD";  // U+4E2D
    const Case cases[] = {
        {"defaults", [](FakeForm&) {}, ""},
        // The order's fields hold 39 bytes of UTF-8: longer is refused, never cut.
        {"SSID 40", text(kSsid, Repeat('s', 40)), "T79"},
        {"SSID 39", text(kSsid, Repeat('s', 39)), ""},
        {"SSID 38 + U+008C is 40 bytes", text(kSsid, Repeat('s', 38) + "\xC2\x8C"), "T79"},
        {"SSID 37 + U+008C is 39 bytes", text(kSsid, Repeat('s', 37) + "\xC2\x8C"), ""},
        {"SSID Chinese + 37 is 40 bytes", text(kSsid, chinese + Repeat('s', 37)), "T79"},
        {"SSID Chinese", text(kSsid, "AP" + chinese), "T82"},
        {"SSID U+008C", text(kSsid, "AP\xC2\x8C"), ""},
        {"SSID empty", text(kSsid, ""), "T82"},
        {"SSID U+008D", text(kSsid, "AP\xC2\x8D"), "T82"},
        {"WPA 7", both(choose(kAuthen, 2), text(kPassword, "1234567")), "T82"},
        {"WPA2 7", text(kPassword, "1234567"), "T82"},
        {"WPA2 8", text(kPassword, "12345678"), ""},
        {"OPEN 7", both(choose(kAuthen, 0), text(kPassword, "1234567")), ""},
        {"WEP 7", both(choose(kAuthen, 1), text(kPassword, "1234567")), ""},
        {"OPEN empty", both(choose(kAuthen, 0), text(kPassword, "")), ""},
        {"WPA2 empty", text(kPassword, ""), "T82"},
        {"password Chinese", text(kPassword, "12345678" + chinese), "T82"},
        {"password 39", text(kPassword, Repeat('p', 39)), ""},
        {"password 40", text(kPassword, Repeat('p', 40)), "T82"},
        {"password 38 + U+008C", text(kPassword, Repeat('p', 38) + "\xC2\x8C"), "T82"},
        {"password 37 + U+008C", text(kPassword, Repeat('p', 37) + "\xC2\x8C"), ""},
        {"roam -90", text(kRoamThreshold, "-90"), ""},
        {"roam -65", text(kRoamThreshold, "-65"), ""},
        {"roam -91", text(kRoamThreshold, "-91"), "T82"},
        {"roam -64", text(kRoamThreshold, "-64"), "T82"},
        {"roam abc", text(kRoamThreshold, "abc"), "T82"},
        {"roam empty", text(kRoamThreshold, ""), "T82"},
        {"roam wraps to -65", text(kRoamThreshold, "-65601"), "T82"},
        {"roam huge", text(kRoamThreshold, "-99999999999999999999999"), "T82"},
        {"device .0", address(kDeviceIp, "192.168.1.0"), "T80"},
        {"device 0.0.0.0", address(kDeviceIp, "0.0.0.0"), "T80"},
        {"device .255", address(kDeviceIp, "192.168.1.255"), "T80"},
        {"device 255.x", address(kDeviceIp, "255.1.1.1"), "T80"},
        {"device blank", address(kDeviceIp, ""), "T80"},
        {"device middle free", address(kDeviceIp, "10.255.0.1"), ""},
        {"server .255", address(kServerIp, "10.0.0.255"), "T81"},
        {"server 0.x", address(kServerIp, "0.1.2.3"), "T81"},
        {"server middle free", address(kServerIp, "10.255.255.1"), ""},
        {"device .256 as typed", address(kDeviceIp, "192.168.1.256"), "T80"},
        {"server 300.x as typed", address(kServerIp, "300.1.2.3"), "T81"},
        {"name empty", text(kDeviceName, ""), "T82"},
        {"name 42", text(kDeviceName, Repeat('n', 42)), ""},
        {"name 43", text(kDeviceName, Repeat('n', 43)), "T82"},
        {"name 14 Chinese",
         text(kDeviceName,
              [&] {
                  std::string s;
                  for (int i = 0; i < 14; ++i)
                      s += chinese;
                  return s;
              }()),
         ""},
        {"name 15 Chinese",
         text(kDeviceName,
              [&] {
                  std::string s;
                  for (int i = 0; i < 15; ++i)
                      s += chinese;
                  return s;
              }()),
         "T82"},
        {"typed authen", [](FakeForm& f) { f.TypeInList(kAuthen, "WPA3"); }, "T82"},
        {"typed roam switch", [](FakeForm& f) { f.TypeInList(kRoamSwitch, "x"); }, "T82"},
        {"typed power", [](FakeForm& f) { f.TypeInList(kWifiPower, "x"); }, "T82"},
        {"typed access", [](FakeForm& f) { f.TypeInList(kIpAccess, "x"); }, "T82"},
        {"typed channel", [](FakeForm& f) { f.TypeInList(kChannel, "14"); }, "T82"},
        {"typed reconnect", [](FakeForm& f) { f.TypeInList(kReconnectTime, "10s"); }, "T82"},
        // The first failing collection step decides; validation comes after collection.
        {"SSID and device", both(text(kSsid, Repeat('s', 40)), address(kDeviceIp, "0.0.0.0")),
         "T79"},
        {"device and server", both(address(kDeviceIp, "1.2.3.0"), address(kServerIp, "")), "T80"},
        {"roam and server", both(text(kRoamThreshold, "0"), address(kServerIp, "1.2.3.255")),
         "T81"},
    };
    std::uint8_t n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        MonitorObject* m = Checked(++n);
        c.edit(form);
        page->OnModify();
        if (*c.message == '\0') {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(Orders(m).size(), 4u);
        } else {
            EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message});
        }
        EXPECT_FALSE(fleet.HasData(m));
        fleet.Check(m, false);
        fleet.Disconnect(n, m);
        fleet.table.Refresh();
        if (n == 16) {
            n = 0;
        }
    }
}

TEST_F(NetPage, LongTextsStayInsideTheirFields) {
    MonitorObject* m = Checked(1);
    form.SetText(kSsid, Repeat('s', 39));
    form.SetText(kPassword, Repeat('p', 39));
    page->OnModify();
    // The wire layout of the fields is the orders' own test; here the page keeps all 39 units.
    const WifiConfig& wifi = page->GetWifiConfig();
    EXPECT_EQ(std::u16string(wifi.ssid, wifi.ssid + 40), std::u16string(39, u's') + u'\0');
    EXPECT_EQ(std::u16string(wifi.password, wifi.password + 40), std::u16string(39, u'p') + u'\0');
    EXPECT_EQ(wifi.authen, 4);  // WPA2, stored as index + 1
    EXPECT_EQ(wifi.roamThreshold, -65);
    ASSERT_EQ(Orders(m).size(), 4u);
}

TEST_F(NetPage, RefreshShowsWhatTheFirstCheckedMonitorReported) {
    MonitorObject* a = Checked(1);
    MonitorObject* b = Checked(2);
    auto report = [this](MonitorObject* m, const char* ssid, const char* device, int reconnect) {
        fleet.EditAttribute(m, [&](MonitorAttribute& at) {
            CopyToField(at.wifi.ssid, CPublicFunctions::MultiByteToWstring(ssid));
            at.wifi.authen = 2;  // WEP
            CopyToField(at.wifi.password, u"wep-key");
            at.wifi.roamSwitch = 0;
            at.wifi.wifiPower = 2;
            at.wifi.ipAccess = 2;
            at.wifi.channel = 6;
            at.wifi.serverIp = Ipv4Text::Parse("10.0.0.9");
            at.wifi.roamThreshold = -80;
            at.wifi.deviceIp = Ipv4Text::Parse(device);
            CopyToField(at.deviceName, CPublicFunctions::MultiByteToWstring("床位A"));
            at.reconnectSel = static_cast<std::uint8_t>(reconnect);
        });
    };
    report(a, "病房", "10.0.0.21", 0);
    report(b, "Other", "10.0.0.22", 1);
    page->OnListItemChanged();
    EXPECT_EQ(form.GetText(kSsid), "病房");
    EXPECT_EQ(form.GetCurSel(kAuthen), 1);
    EXPECT_EQ(form.GetText(kPassword), "wep-key");
    EXPECT_EQ(form.GetCurSel(kRoamSwitch), 0);
    EXPECT_EQ(form.GetCurSel(kWifiPower), 2);
    EXPECT_EQ(form.GetCurSel(kIpAccess), 1);
    EXPECT_EQ(form.GetCurSel(kChannel), 6);
    EXPECT_EQ(form.GetAddressText(kServerIp), "10.0.0.9");
    EXPECT_EQ(form.GetText(kRoamThreshold), "-80");
    EXPECT_EQ(form.GetAddressText(kDeviceIp), "10.0.0.21");
    EXPECT_EQ(form.GetText(kDeviceName), "床位A");
    EXPECT_EQ(form.GetCurSel(kReconnectTime), 0);

    // Reported values outside a list leave it without a choice.
    fleet.EditAttribute(a, [](MonitorAttribute& at) {
        at.wifi.authen = 0;
        at.wifi.channel = 20;
        at.reconnectSel = 9;
    });
    page->OnListItemChanged();
    EXPECT_EQ(form.GetCurSel(kAuthen), -1);
    EXPECT_EQ(form.GetCurSel(kChannel), -1);
    EXPECT_EQ(form.GetCurSel(kReconnectTime), -1);

    // No checked monitor: the form stays as it is.
    fleet.Check(a, false);
    fleet.Check(b, false);
    form.SetText(kSsid, "typed");
    page->OnListItemChanged();
    EXPECT_EQ(form.GetText(kSsid), "typed");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(NetPage, AddressOnlyModeLocksTheWifiFieldsAndRefreshesOnlyAddressNameReconnect) {
    page->OnToggleAddressOnly();
    EXPECT_TRUE(page->IsAddressOnly());
    EXPECT_EQ(form.GetText(kAddressOnly), "T37");
    for (int id : kWifiControls) {
        EXPECT_FALSE(form.IsEnabled(id)) << id;
    }
    EXPECT_TRUE(form.IsEnabled(kDeviceIp));
    EXPECT_TRUE(form.IsEnabled(kDeviceName));
    EXPECT_TRUE(form.IsEnabled(kModify));

    MonitorObject* m = Checked(1);
    fleet.EditAttribute(m, [](MonitorAttribute& at) {
        CopyToField(at.wifi.ssid, u"Elsewhere");
        at.wifi.authen = 1;
        CopyToField(at.wifi.password, u"other");
        at.wifi.roamThreshold = -70;
        at.wifi.roamSwitch = 0;
        at.wifi.wifiPower = 0;
        at.wifi.ipAccess = 2;
        at.wifi.channel = 9;
        at.wifi.serverIp = Ipv4Text::Parse("10.9.9.9");
        at.wifi.deviceIp = Ipv4Text::Parse("10.9.9.50");
        CopyToField(at.deviceName, u"Bed 3");
        at.reconnectSel = 3;
    });
    FakeForm before = form;
    page->OnListItemChanged();
    for (int id : kWifiControls) {
        if (id == kReconnectTime) {
            continue;
        }
        EXPECT_EQ(form.At(id).text, before.At(id).text) << id;
        EXPECT_EQ(form.At(id).curSel, before.At(id).curSel) << id;
    }
    EXPECT_EQ(form.GetAddressText(kDeviceIp), "10.9.9.50");
    EXPECT_EQ(form.GetText(kDeviceName), "Bed 3");
    EXPECT_EQ(form.GetCurSel(kReconnectTime), 3);

    // All four orders still go out, with what the locked fields hold.
    page->OnModify();
    std::vector<Frame> f = Orders(m);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[1].body[2])), "ZOLT_LINK");
    EXPECT_EQ(f[3].body, (Bytes{0x59, 0x00, 0x03}));

    page->OnToggleAddressOnly();
    EXPECT_FALSE(page->IsAddressOnly());
    EXPECT_EQ(form.GetText(kAddressOnly), "T36");
    for (int id : kWifiControls) {
        EXPECT_TRUE(form.IsEnabled(id)) << id;
    }
}

TEST_F(NetPage, ShowPasswordKeepsTheTypedText) {
    form.SetText(kPassword, "typed-secret");
    page->OnShowPassword();
    EXPECT_TRUE(page->IsPasswordShown());
    EXPECT_FALSE(form.At(kPassword).masked);
    EXPECT_EQ(form.GetText(kPassword), "typed-secret");
    form.SetText(kPassword, "changed");
    page->OnShowPassword();
    EXPECT_FALSE(page->IsPasswordShown());
    EXPECT_TRUE(form.At(kPassword).masked);
    EXPECT_EQ(form.GetText(kPassword), "changed");
}

TEST_F(NetPage, SaveAndLoadTheSettingsSection) {
    TempDir dir;
    const std::string file = dir.file("ward.ini");
    WriteFileBytes(file, "[Other]\nKeep=1\n[NetConfigSetting]\nExtra=x\n");
    form.SetCurSel(kChannel, 12);
    form.SetText(kDeviceName, Repeat('d', 70));  // read through a 64-byte buffer
    dialogs.answers = {file};
    page->OnSave();
    EXPECT_EQ(dialogs.lastFilter, "ConfigFile (.ini)|*.ini|All Files (*.*)|*.*||");
    EXPECT_EQ(dialogs.lastExt, "ini");
    EXPECT_EQ(dialogs.lastDefaultName, "SystemSetting");
    auto value = [&](const char* key) {
        return IniFile::ReadString(file, "NetConfigSetting", key, "<missing>", 256);
    };
    const std::pair<const char*, std::string> saved[] = {
        {"SSID", "ZOLT_LINK"},
        {"Authen", "3"},
        {"Password", "QPLMRTXW"},
        {"RoamThreshold", "-65"},
        {"roamSwitch", "1"},
        {"WifiPower", "1"},
        {"DeviceIP", kDefaultDeviceIp},
        {"IPAccess", "0"},
        {"ServerIP", kDefaultServerIp},
        {"Channel", "12"},
        {"ReconnectTime", "2"},
        {"DeviceName", Repeat('d', 63)},
    };
    for (const auto& [key, expected] : saved) {
        EXPECT_EQ(value(key), expected) << key;
    }
    const std::string text = ReadFileText(file);
    EXPECT_NE(text.find("Channel=12"), std::string::npos);
    EXPECT_LT(text.find("SSID="), text.find("DeviceName="));  // written in table order
    EXPECT_EQ(IniFile::ReadString(file, "Other", "Keep", "", 64), "1");
    EXPECT_EQ(value("Extra"), "x");

    Reset();
    dialogs.answers = {file};
    page->OnLoad();
    EXPECT_EQ(form.GetCurSel(kChannel), 12);
    EXPECT_EQ(form.GetCurSel(kRoamSwitch), 1);
    EXPECT_EQ(form.GetText(kDeviceName), Repeat('d', 63));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(NetPage, LoadWithoutTheSectionGivesTheDefaults) {
    TempDir dir;
    const std::string file = dir.file("empty.ini");
    WriteFileBytes(file, "[Other]\nChannel=5\n");
    form.SetText(kSsid, "typed");
    form.SetText(kPassword, "typed");
    form.SetAddressText(kDeviceIp, "10.1.1.1");
    form.SetAddressText(kServerIp, "10.1.1.2");
    form.SetText(kDeviceName, "typed");
    form.SetText(kRoamThreshold, "-80");
    form.SetCurSel(kAuthen, 0);
    for (const char* path : {file.c_str(), "/nonexistent/dir/none.ini"}) {
        SCOPED_TRACE(path);
        dialogs.answers = {path};
        page->OnLoad();
        EXPECT_EQ(form.GetText(kSsid), "ZOLT_LINK");
        EXPECT_EQ(form.GetCurSel(kAuthen), 3);
        EXPECT_EQ(form.GetText(kPassword), "QPLMRTXW");
        EXPECT_EQ(form.GetText(kRoamThreshold), "-65");
        EXPECT_EQ(form.GetCurSel(kRoamSwitch), 0);
        EXPECT_EQ(form.GetCurSel(kWifiPower), 0);
        EXPECT_EQ(form.GetAddressText(kDeviceIp), kDefaultDeviceIp);
        EXPECT_EQ(form.GetCurSel(kIpAccess), 0);
        EXPECT_EQ(form.GetAddressText(kServerIp), kDefaultServerIp);
        EXPECT_EQ(form.GetCurSel(kChannel), 0);
        EXPECT_EQ(form.GetCurSel(kReconnectTime), 0);
        EXPECT_EQ(form.GetText(kDeviceName), "Zr40");
    }
    EXPECT_EQ(dialogs.lastExt, "ini");
}

TEST_F(NetPage, LoadTurnsListValuesIntoIndexes) {
    TempDir dir;
    const std::string file = dir.file("lists.ini");
    WriteFileBytes(file,
                   "[netconfigsetting]\nchannel= 7x\nAuthen=abc\nWifiPower=-1\nReconnectTime=9\n");
    dialogs.answers = {file};
    page->OnLoad();
    EXPECT_EQ(form.GetCurSel(kChannel), 7);
    EXPECT_EQ(form.GetCurSel(kAuthen), 0);
    EXPECT_EQ(form.GetCurSel(kWifiPower), -1);
    EXPECT_EQ(form.GetCurSel(kReconnectTime), -1);
}

TEST_F(NetPage, CancelledChoosersChangeNothing) {
    TempDir dir;
    form.SetText(kSsid, "typed");
    page->OnLoad();
    page->OnSave();
    EXPECT_EQ(form.GetText(kSsid), "typed");
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
