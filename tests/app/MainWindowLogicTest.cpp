// The main window's decisions against an in-memory view: page per tab, tab change, list
// change, the user messages, the wireless check and the debug-page switch from the INI file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "app/MainWindowLogic.h"
#include "foundation/IniFile.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/CommandResult.h"
#include "registry/MonitorListModel.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

struct FakeView : IMainWindowView {
    std::vector<std::string> calls;
    std::array<std::string, kMainTabCount> captions;
    int tab = 0;
    int shownPage = -2;
    bool apStart = true;
    std::vector<std::string> messages;

    void RebuildTabs(const std::array<std::string, kMainTabCount>& c) override {
        captions = c;
        calls.push_back("tabs");
    }
    int CurrentTab() const override { return tab; }
    void SelectTab(int index) override {
        tab = index;
        calls.push_back("select" + std::to_string(index));
    }
    void ShowOnlyPage(int page) override {
        shownPage = page;
        calls.push_back("show" + std::to_string(page));
    }
    void RefreshPageCaptions() override { calls.push_back("captions"); }
    void RefreshNetworkPage() override { calls.push_back("netRefresh"); }
    void DebugPageReceived(MonitorObject*, const std::vector<std::uint8_t>& frame) override {
        calls.push_back("debug" + std::to_string(frame.size()));
    }
    void UpdateList() override {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void EnableAccessPointStart(bool enabled) override { apStart = enabled; }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return yes;
    }
    std::vector<std::string> questions;
    bool yes = true;
};

struct Logic : ::testing::Test {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    UpdateConfigManager upgrade;
    CMonitorTable table{pool, upgrade};
    MonitorListModel list;
    FakeView view;
    std::vector<MonitorObject*> upgradeRequests;
    MainWindowLogic logic{view, table, [](int i) { return "text" + std::to_string(i); },
                          [this](MonitorObject* m) { upgradeRequests.push_back(m); }};
    void SetUp() override {
        table.SetTextLookup([](int i) { return "text" + std::to_string(i); });
        table.SetList(&list);
    }
};

TEST_F(Logic, InitialiseBuildsTabsAndShowsTheAccessPointPage) {
    logic.Initialise(1);
    EXPECT_EQ(view.captions[0], "text0");
    EXPECT_EQ(view.captions[5], "text5");
    EXPECT_EQ(view.shownPage, 0);
    EXPECT_EQ(view.tab, 0);
    logic.ReportWirelessAdapter(true);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.apStart);
    logic.ReportWirelessAdapter(false);
    EXPECT_EQ(view.messages, std::vector<std::string>{"text76"});
    EXPECT_FALSE(view.apStart);
}

TEST_F(Logic, PageForTabHidesOnlyTheDebugPageWhenSwitchedOff) {
    for (int debugSwitch : {0, 1, 7}) {
        logic.Initialise(debugSwitch);
        for (int tab = -1; tab <= kMainTabCount; ++tab) {
            int expected = (tab < 0 || tab >= kMainTabCount) ? kNoPage : tab;
            if (tab == kTabDebug && debugSwitch == 0) {
                expected = kNoPage;
            }
            EXPECT_EQ(logic.PageForTab(tab), expected) << debugSwitch << " " << tab;
        }
    }
}

TEST_F(Logic, TabChangeUnchecksThenShowsThenSetsThePage) {
    logic.Initialise(0);
    list.AppendRow("a");
    list.SetCheck(0, true);
    view.tab = kTabDebug;
    logic.OnTabChanged();
    EXPECT_FALSE(list.GetCheck(0));
    EXPECT_EQ(view.shownPage, kNoPage);
    EXPECT_EQ(table.GetPage(), kTabDebug);
    EXPECT_TRUE(list.IsVisible());
    view.tab = kTabSystem;
    logic.OnTabChanged();
    EXPECT_EQ(view.shownPage, kTabSystem);
    EXPECT_FALSE(list.IsVisible());
}

TEST_F(Logic, ItemChangeGoesToTheTableThenTheNetworkPage) {
    logic.Initialise(1);
    for (int i = 0; i < 2; ++i) {
        list.AppendRow("m" + std::to_string(i));
    }
    view.tab = kTabNetwork;
    logic.OnTabChanged();
    table.SetConfigAck(0, CMonitorTable::kAckDone);
    list.SetCheck(0, true);
    list.SetCheck(1, true);
    view.calls.clear();
    logic.OnItemChanged(1);
    EXPECT_FALSE(list.GetCheck(0));
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_EQ(table.GetConfigAck(0), CMonitorTable::kAckNone);
    EXPECT_EQ(view.calls, std::vector<std::string>{"netRefresh"});
    // a check made on another page never reaches the network page's form, and the tab change
    // leaves nothing checked for it to show
    for (int tab : {kTabDebug, kTabModule, kTabUpgrade}) {
        view.tab = tab;
        logic.OnTabChanged();
        list.SetCheck(0, true);
        view.calls.clear();
        logic.OnItemChanged(0);
        EXPECT_TRUE(view.calls.empty()) << tab;
        view.tab = kTabNetwork;
        logic.OnTabChanged();
        EXPECT_FALSE(list.GetCheck(0)) << tab;
    }
}

TEST_F(Logic, UserMessagesAreRouted) {
    logic.Initialise(1);
    MonitorObject* monitor = pool.GetAvailableObj(GUID{0, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}});
    ASSERT_NE(monitor, nullptr);
    UserMessage upgradeNull{WM_UPGRADE_REQUEST, nullptr, {}, 0};
    logic.OnUserMessage(upgradeNull);
    EXPECT_TRUE(upgradeRequests.empty());
    UserMessage upgradeReq{WM_UPGRADE_REQUEST, monitor, {}, 0};
    logic.OnUserMessage(upgradeReq);
    EXPECT_EQ(upgradeRequests, std::vector<MonitorObject*>{monitor});

    UserMessage packet{WM_DEBUG_PACKET, monitor, {8, 0, 1, 0, 0, 0, 0, 0}, 0};
    view.calls.clear();
    view.tab = kTabNetwork;
    logic.OnUserMessage(packet);
    EXPECT_TRUE(view.calls.empty());
    view.tab = kTabDebug;
    logic.OnUserMessage(packet);
    EXPECT_EQ(view.calls, std::vector<std::string>{"debug8"});

    view.calls.clear();
    view.tab = kTabSystem;
    logic.OnUserMessage(UserMessage{WM_LANGUAGE_CHANGED, nullptr, {}, 1});
    EXPECT_EQ(view.calls, (std::vector<std::string>{"tabs", "captions", "select5"}));
    logic.OnUserMessage(UserMessage{0x4CB, monitor, {}, 0});
    EXPECT_EQ(view.calls.size(), 3u);
}

TEST_F(Logic, ClosingAsksFirstWhileAnUpgradeRunsOrAnOrderWaits) {
    EXPECT_TRUE(logic.MayClose());  // nothing tells of an upgrade
    bool running = false;
    logic.SetUpgradeRunning([&running] { return running; });
    const GUID key{0, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    MonitorObject* monitor = pool.GetAvailableObj(key);
    ASSERT_NE(monitor, nullptr);
    monitor->SetGuid(key);
    auto answer = [&](int code) {
        CommandResult result;
        result.code = code;
        result.result = -1;  // a refusal answers the order as well
        monitor->SetLastResult(result);
        table.OnCommandResult(monitor);
    };
    using Questions = std::vector<std::string>;
    struct Case {
        bool upgrade;
        bool order;
        bool yes;
        bool closes;
        Questions asked;
    } cases[] = {
        {false, false, false, true, {}},         {true, false, true, true, {"text83"}},
        {true, false, false, false, {"text83"}}, {false, true, true, true, {"text96"}},
        {false, true, false, false, {"text96"}}, {true, true, true, true, {"text83", "text96"}},
        {true, true, false, false, {"text83"}},  // the first No keeps the window
    };
    for (const Case& c : cases) {
        running = c.upgrade;
        if (c.order) {
            table.NoteOrderSent(monitor, kResultWifi);
        }
        view.yes = c.yes;
        view.questions.clear();
        EXPECT_EQ(logic.MayClose(), c.closes) << c.upgrade << c.order << c.yes;
        EXPECT_EQ(view.questions, c.asked) << c.upgrade << c.order << c.yes;
        answer(kResultWifi);
    }
    running = false;
    // an order waits until the result of its own kind comes, whatever page is shown
    table.NoteOrderSent(monitor, kResultDeviceName);
    table.NoteOrderSent(monitor, kResultModuleSet);
    answer(kResultDeviceName);
    EXPECT_TRUE(table.HasPendingOrders());
    answer(kResultModuleSet);
    EXPECT_FALSE(table.HasPendingOrders());
    // a monitor that left will never answer: its orders wait no more
    table.NoteOrderSent(monitor, kResultServer);
    EXPECT_TRUE(table.HasPendingOrders());
    pool.ReleaseObj(key, monitor);
    view.questions.clear();
    EXPECT_TRUE(logic.MayClose());
    EXPECT_TRUE(view.questions.empty());
}

TEST(DebugPageSwitch, ReadFromPageSettingWithLeadingDigits) {
    struct Case {
        const char* value;  // nullptr: key absent
        int expected;
    } cases[] = {
        {nullptr, 1}, {"0", 0},      {"1", 1},
        {"3", 3},     {"12abc", 12}, {"abc", 0},
        {"", 0},      {" 5", 5},     {"1234567890", 123456789},
        {"-2", -2},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("SystemSetting.ini");
        IniFile::WriteString(path, "Other", "DebugPage", "0");
        if (c.value != nullptr) {
            IniFile::WriteString(path, "PageSetting", "DebugPage", c.value);
        }
        EXPECT_EQ(ReadDebugPageSwitch(path), c.expected) << (c.value ? c.value : "(absent)");
    }
    EXPECT_EQ(ReadDebugPageSwitch("/nonexistent/SystemSetting.ini"), 1);
}

}  // namespace
