#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "FakeForm.h"
#include "FakeHostedNetwork.h"
#include "PageTestFleet.h"
#include "TempDir.h"
#include "pages/CAPConfigDlg.h"
#include "pages/CNetConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/NetworkDefaults.h"
#include "platform/HostedNetwork.h"

namespace {

// Settings files damaged in the ways a copied or half-synced file gets damaged.
std::vector<std::pair<std::string, std::string>> DamagedFiles() {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 167 + 13) % 256));
    }
    return {
        {"binary", binary},
        {"truncated in the section name", "[NetConfigSett"},
        {"truncated AP section name", "[APSett"},
        {"only a bracket", "["},
        {"nul bytes", std::string("\0\0[\0]\0=\0", 9)},
        {"bad utf-8 without sections", "\xff\xfe\xc3(\xe2\x82\n=\n==\n"},
        {"empty", ""},
    };
}

TEST(BadSettingsFilesTest, DamagedFilesLoadAsDefaultsInBothPages) {
    ScopedLogDir logs;
    TempDir dir;
    pagetest::Fleet fleet;
    FakeHostedNetwork network;
    for (const auto& [name, bytes] : DamagedFiles()) {
        SCOPED_TRACE(name);
        const std::string file = dir.file("damaged.ini");
        WriteFileBytes(file, bytes);

        FakeForm netForm;
        FakeDialogs netDialogs;
        CNetConfigDlg net(netForm, netDialogs, fleet.table, pagetest::FakeText,
                          std::chrono::milliseconds(0));
        net.InitForm();
        netForm.SetText(NetPageId::kSsid, "typed");
        netForm.SetText(NetPageId::kDeviceName, "typed");
        netForm.SetAddressText(NetPageId::kServerIp, "10.1.1.2");
        netDialogs.answers = {file};
        net.OnLoad();
        EXPECT_EQ(netForm.GetText(NetPageId::kSsid), "ZOLT_LINK");
        EXPECT_EQ(netForm.GetText(NetPageId::kPassword), "QPLMRTXW");
        EXPECT_EQ(netForm.GetText(NetPageId::kDeviceName), "Zr40");
        EXPECT_EQ(netForm.GetAddressText(NetPageId::kServerIp), kDefaultServerIp);
        EXPECT_EQ(netForm.GetCurSel(NetPageId::kChannel), 0);

        FakeForm apForm;
        FakeDialogs apDialogs;
        CAPConfigDlg ap(apForm, apDialogs, network, pagetest::FakeText);
        ap.InitForm();
        apForm.SetText(APPageId::kSsid, "typed");
        apForm.SetText(APPageId::kKey, "typedkey");
        apDialogs.answers = {file};
        ap.OnLoad();
        EXPECT_EQ(apForm.GetText(APPageId::kSsid), "ZOLT_LINK");
        EXPECT_EQ(apForm.GetText(APPageId::kKey), "QPLMRTXW");
        EXPECT_EQ(apForm.GetAddressText(APPageId::kIp), kDefaultServerIp);
    }
}

}  // namespace
