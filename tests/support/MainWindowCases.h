#pragma once
// What every front end's main window owes its user, as one typed test suite over a small
// driver: the real window with simulated monitors over loopback, worked through real events
// (tab clicks, check boxes through the list control, Escape through the window's own key
// handling, the close box). A front end instantiates it with a driver class:
//   void Open(const MainWindowOptions&) opens and shows the window; options.dialogs is Dialogs()
//   FakeDialogs& Dialogs()
//   bool IsOpen()                       the window is still on screen
//   MonitorListModel& Model()           the rows behind the list control
//   void ChooseTab(int tab)             the user picks a tab
//   IForm& Page(int tab)                the page's controls by id
//   void Click(int tab, int id)         a click on a page's button
//   void PressEscape(int tab, int id)   Escape in that page's field, which has the focus
//   void PressEnter(int tab, int id)    Enter in that page's field, likewise
//   void PressCloseBox()                the close box
//   bool RowChecked(int row)            as the list control shows it
//   void CheckRow(int row, bool on)     the user's check mark, through the list control
//   bool Pump(std::function<bool()> done, int timeoutMs)  runs the window's loop until done
// Each run starts a window process under Wine for the Win32 front end, so the cases are few
// and long.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeForm.h"
#include "FakeHostedNetwork.h"
#include "LoopbackTestSupport.h"
#include "SimFleet.h"
#include "SimMd5.h"
#include "SimMonitor.h"
#include "TempDir.h"
#include "app/MainWindowLogic.h"
#include "network/NetworkListenManager.h"
#include "pages/LanguageTexts.h"
#include "pages/MainWindowLayout.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace mainwindowcases {

inline SimMonitorConfig SlowPuller() {
    SimMonitorConfig config;
    // slow enough that the upgrade still runs when the close box is pressed
    config.pieceWriteMs = 15;
    return config;
}

}  // namespace mainwindowcases

template <class Driver>
class MainWindowBehaviour : public ::testing::Test {
  protected:
    static constexpr int kMonitors = 2;
    static constexpr int kWaitMs = 20000;

    void SetUp() override {
        server_.StartNetworkManager();
        ASSERT_TRUE(server_.WaitListening(5000));
        MainWindowOptions options;
        options.dialogs = &driver_.Dialogs();
        options.hostedNetwork = &hostedNetwork_;
        options.debugPageSwitch = 1;
        options.wirelessAdapter = 1;
        options.refreshMs = 10;  // the real refresh timer fills the list
        driver_.Open(options);
        ASSERT_TRUE(driver_.IsOpen());
        fleet_.StartAll("127.0.0.1", server_.SessionPort());
    }
    void TearDown() override {
        fleet_.StopAll();
        server_.Stop();
        // The process-wide manager outlives the window: the next case starts with nothing served.
        GetUpdateConfigManager().StopUpgrade();
    }

    std::string NameOf(int i) { return fleet_.At(i).InitialConfig().deviceName; }
    int RowOf(int i) { return driver_.Model().FindRow(CMonitorTable::kColumnName, NameOf(i)); }
    bool AllListed() {
        for (int i = 0; i < fleet_.Size(); ++i) {
            if (RowOf(i) < 0) {
                return false;
            }
        }
        return true;
    }
    // A firmware set every monitor can pull: one file of many pieces with its digest.
    void WriteFirmware(const TempDir& folder) {
        std::string bytes(40000, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
        }
        WriteFileBytes(folder.file("app.bin"), bytes);
        WriteFileBytes(
            folder.file("app.bin.md5"),
            SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    ScopedLogDir logs_;
    FakeHostedNetwork hostedNetwork_;  // outlives the window that uses it
    Driver driver_;
    NetworkListenManager server_{LoopbackTestSettings(6000)};
    SimFleet fleet_{mainwindowcases::SlowPuller(), kMonitors, "W-", 0x3F3F};
};

TYPED_TEST_SUITE_P(MainWindowBehaviour);

TYPED_TEST_P(MainWindowBehaviour, MonitorsChecksEscapeAndTheCloseBoxThroughTheRealWindow) {
    auto& d = this->driver_;
    FakeDialogs& dialogs = d.Dialogs();
    // the refresh timer fills the list
    ASSERT_TRUE(d.Pump([&] { return this->AllListed(); }, this->kWaitMs));

    // Escape in a field leaves it, and nothing else: no question, no closing
    const std::pair<int, int> fields[] = {{kTabAccessPoint, APPageId::kSsid},
                                          {kTabNetwork, NetPageId::kSsid},
                                          {kTabNetwork, NetPageId::kDeviceName},
                                          {kTabUpgrade, UpdatePageId::kFolderPath},
                                          {kTabDebug, DebugPageId::kFrameText}};
    for (const auto& [tab, id] : fields) {
        d.ChooseTab(tab);
        d.PressEscape(tab, id);
        ASSERT_TRUE(d.IsOpen()) << "Escape in field " << id << " of tab " << tab;
    }
    EXPECT_TRUE(dialogs.questions.empty());
    // the debug page's frame field answers keys outside its own set with its message
    dialogs.messages.clear();

    // a check made on the debug page stays there: the tab change unchecks it and the network
    // page does not show that monitor
    const int first = this->RowOf(0);
    const int second = this->RowOf(1);
    d.ChooseTab(kTabDebug);
    d.CheckRow(first, true);
    EXPECT_TRUE(d.RowChecked(first));
    d.ChooseTab(kTabNetwork);
    EXPECT_FALSE(d.RowChecked(first));
    EXPECT_FALSE(d.Model().GetCheck(first));
    EXPECT_NE(d.Page(kTabNetwork).GetText(NetPageId::kDeviceName), this->NameOf(0));

    // on the network page a check reaches the page logic, one monitor at a time
    d.CheckRow(second, true);
    EXPECT_EQ(d.Page(kTabNetwork).GetText(NetPageId::kDeviceName), this->NameOf(1));
    d.CheckRow(first, true);
    EXPECT_FALSE(d.RowChecked(second));
    EXPECT_FALSE(d.Model().GetCheck(second));
    EXPECT_EQ(d.Page(kTabNetwork).GetText(NetPageId::kDeviceName), this->NameOf(0));

    // close box during an upgrade: asked first; No keeps both the window and the upgrade
    TempDir folder;
    this->WriteFirmware(folder);
    d.ChooseTab(kTabUpgrade);
    d.Page(kTabUpgrade).SetText(UpdatePageId::kFolderPath, folder.path());
    d.Click(kTabUpgrade, UpdatePageId::kStart);
    ASSERT_TRUE(d.Pump([] { return GetUpdateConfigManager().IsUpgradeRunning(); }, this->kWaitMs))
        << (dialogs.messages.empty() ? std::string() : dialogs.messages.back());
    dialogs.yes = false;
    d.PressCloseBox();
    ASSERT_TRUE(d.Pump([&] { return !dialogs.questions.empty() || !d.IsOpen(); }, 5000));
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{LanguageText(TextId::kCloseDuringUpgrade)});
    ASSERT_TRUE(d.IsOpen());
    d.PressEscape(kTabUpgrade, UpdatePageId::kFolderPath);
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(dialogs.questions.size(), 1u);
    // the upgrade went on to the end for every monitor
    auto finished = [&] {
        for (int i = 0; i < this->fleet_.Size(); ++i) {
            if (this->fleet_.At(i).Record().Snapshot().upgradesSucceeded < 1) {
                return false;
            }
        }
        return !GetUpdateConfigManager().IsUpgradeRunning();
    };
    ASSERT_TRUE(d.Pump(finished, 60000));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    // with nothing running and no order waiting, the close box closes without a question
    d.PressCloseBox();
    ASSERT_TRUE(d.Pump([&] { return !d.IsOpen(); }, 5000));
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TYPED_TEST_P(MainWindowBehaviour, AMonitorThatDropsMidUpgradeIsInvitedAgainAndFinishes) {
    auto& d = this->driver_;
    // A third monitor of the same kind drops its connection after a few pieces.
    SimMonitorConfig config =
        SimMonitorConfig::ForIndex(mainwindowcases::SlowPuller(), this->kMonitors, "W-", 0x3F3F);
    config.dropAfterPieces = 5;
    auto dropping = std::make_unique<SimMonitor>(config);
    ASSERT_TRUE(dropping->Start("127.0.0.1", this->server_.SessionPort()));
    auto row = [&] { return d.Model().FindRow(CMonitorTable::kColumnName, config.deviceName); };
    ASSERT_TRUE(d.Pump([&] { return this->AllListed() && row() >= 0; }, this->kWaitMs));

    TempDir folder;
    this->WriteFirmware(folder);
    d.ChooseTab(kTabUpgrade);
    d.Page(kTabUpgrade).SetText(UpdatePageId::kFolderPath, folder.path());
    d.Click(kTabUpgrade, UpdatePageId::kStart);
    ASSERT_TRUE(d.Pump([&] { return dropping->Finished(); }, this->kWaitMs));
    ASSERT_TRUE(dropping->Record().Snapshot().dropped);

    // Back under the same GUID while the others still pull: invited again, it pulls the whole
    // set and its row says finished.
    config.dropAfterPieces = -1;
    SimMonitor back(config);
    ASSERT_TRUE(back.Start("127.0.0.1", this->server_.SessionPort()));
    ASSERT_TRUE(d.Pump([&] { return back.Record().Snapshot().upgradesSucceeded == 1; }, 60000))
        << back.Record().Snapshot().lastError;
    EXPECT_EQ(back.Record().Snapshot().filesVerified, 1u);
    EXPECT_TRUE(d.Pump(
        [&] {
            return row() >= 0 && d.Model().GetText(row(), CMonitorTable::kColumnState) ==
                                     LanguageText(TextId::kUpgradeFinished);
        },
        5000));
    auto othersFinished = [&] {
        for (int i = 0; i < this->fleet_.Size(); ++i) {
            if (this->fleet_.At(i).Record().Snapshot().upgradesSucceeded < 1) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(d.Pump(othersFinished, 60000));
    back.Stop();
}

TYPED_TEST_P(MainWindowBehaviour, OnlyWhatTheUserSeesIsSentAndARefusalShowsOnItsRow) {
    using namespace mainwindowcases;
    auto& d = this->driver_;
    FakeDialogs& dialogs = d.Dialogs();
    SimMonitorConfig config =
        SimMonitorConfig::ForIndex(SlowPuller(), this->kMonitors, "W-", 0x3F3F);
    config.refuseOrders = true;
    SimMonitor refusing(config);
    ASSERT_TRUE(refusing.Start("127.0.0.1", this->server_.SessionPort()));
    auto refusingRow = [&] {
        return d.Model().FindRow(CMonitorTable::kColumnName, config.deviceName);
    };
    auto orders = [](SimMonitor& m) { return m.Record().Snapshot().orders.size(); };
    ASSERT_TRUE(d.Pump([&] { return this->AllListed() && refusingRow() >= 0; }, this->kWaitMs));

    // A module set chosen before a language change is neither kept nor sent.
    d.ChooseTab(kTabModule);
    d.Click(kTabModule, ModulePageId::kFilterEcgSpo2);
    d.Click(kTabModule, ModulePageId::kModuleEcg);
    // the change is posted: done once the pages carry the new captions
    auto recaptioned = [&] {
        return d.Page(kTabModule).GetText(ModulePageId::kModify) == LanguageText(TextId::kModify);
    };
    GetLanguageTexts().SetLanguage(kLanguageChinese);
    ASSERT_TRUE(d.Pump(recaptioned, 5000));
    d.ChooseTab(kTabModule);
    ASSERT_TRUE(d.Pump([&] { return this->RowOf(0) >= 0; }, 5000));
    d.CheckRow(this->RowOf(0), true);
    EXPECT_FALSE(d.Page(kTabModule).IsEnabled(ModulePageId::kModify));
    d.Click(kTabModule, ModulePageId::kModify);
    d.Click(kTabModule, ModulePageId::kFilterEcgSpo2);
    d.Click(kTabModule, ModulePageId::kModify);
    ASSERT_FALSE(dialogs.messages.empty());
    for (const std::string& message : dialogs.messages) {
        EXPECT_EQ(message, LanguageText(TextId::kNoModuleSet));
    }
    EXPECT_EQ(orders(this->fleet_.At(0)), 0u);

    // A refused module set reads first on that monitor's row.
    d.CheckRow(this->RowOf(0), false);
    d.CheckRow(refusingRow(), true);
    d.Click(kTabModule, ModulePageId::kModuleEcgSpo2Resp);
    d.Click(kTabModule, ModulePageId::kModify);
    auto state = [&] { return d.Model().GetText(refusingRow(), CMonitorTable::kColumnState); };
    EXPECT_TRUE(
        d.Pump([&] { return state().rfind(LanguageText(TextId::kNotConfirmed), 0) == 0; }, 5000))
        << state();
    EXPECT_EQ(orders(refusing), 1u);
    EXPECT_EQ(orders(this->fleet_.At(0)), 0u);

    // Enter in the debug page's frame field sends the frame, with no message and no line end.
    GetLanguageTexts().SetLanguage(kLanguageEnglish);
    ASSERT_TRUE(d.Pump(recaptioned, 5000));
    d.ChooseTab(kTabDebug);
    d.CheckRow(this->RowOf(1), true);
    const std::string frame = "00 0a 00 30 00 05 00 00 01 02";
    d.Page(kTabDebug).SetText(DebugPageId::kFrameText, frame);
    dialogs.messages.clear();
    d.PressEnter(kTabDebug, DebugPageId::kFrameText);
    auto display = [&] { return d.Page(kTabDebug).GetText(DebugPageId::kDisplay); };
    EXPECT_TRUE(d.Pump([&] { return display().find("\tSend\t") != std::string::npos; }, 5000));
    EXPECT_EQ(d.Page(kTabDebug).GetText(DebugPageId::kFrameText), frame);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    refusing.Stop();
}

REGISTER_TYPED_TEST_SUITE_P(MainWindowBehaviour,
                            MonitorsChecksEscapeAndTheCloseBoxThroughTheRealWindow,
                            AMonitorThatDropsMidUpgradeIsInvitedAgainAndFinishes,
                            OnlyWhatTheUserSeesIsSentAndARefusalShowsOnItsRow);
