#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <utility>
#include <vector>

#include "FakeForm.h"
#include "PageTestFleet.h"
#include "TempDir.h"
#include "pages/CUpdateConfigDlg.h"
#include "pages/ControlIds.h"

namespace {

using namespace UpdatePageId;
using pagetest::Fleet;

class UpdatePage : public ::testing::Test {
  protected:
    UpdatePage()
        : page(form, dialogs, fleet.table, pagetest::FakeText,
               [this](int mode, const std::string& folder) { starts.emplace_back(mode, folder); }) {
        page.FillTexts();
    }

    void ReportServer(MonitorObject* m, const char* dotted) {
        fleet.EditAttribute(m, [&](MonitorAttribute& a) { a.wifi.serverIp = ::inet_addr(dotted); });
    }

    ScopedLogDir logs;
    Fleet fleet;
    FakeForm form;
    FakeDialogs dialogs;
    std::vector<std::pair<int, std::string>> starts;
    CUpdateConfigDlg page;
};

TEST_F(UpdatePage, FillTextsRebuildsADisabledSelectorOnTheFirstMode) {
    for (int round = 0; round < 2; ++round) {
        const FakeForm::Control& mode = form.At(kModeSelector);
        EXPECT_EQ(mode.items, (std::vector<std::string>{"T46", "T47"}));
        EXPECT_EQ(mode.curSel, 0);
        EXPECT_FALSE(mode.enabled);
        EXPECT_EQ(form.GetText(kStart), "T51");
        EXPECT_EQ(form.GetText(kBrowse), "T49");
        EXPECT_EQ(form.GetText(kModeLabel), "T45");
        EXPECT_EQ(form.GetText(kFolderLabel), "T48");
        EXPECT_EQ(form.GetText(kServerLabel), "T50");
        // A language change rebuilds it the same way, whatever was chosen.
        form.SetCurSel(kModeSelector, 1);
        page.FillTexts();
    }
}

TEST_F(UpdatePage, BrowseTakesAPickedFolderOnly) {
    form.SetText(kFolderPath, "/old");
    dialogs.answers = {"", "/fw/zr40"};
    page.OnBrowse();  // cancelled
    EXPECT_EQ(form.GetText(kFolderPath), "/old");
    EXPECT_EQ(dialogs.lastTitle, "选择升级文件");
    page.OnBrowse();
    EXPECT_EQ(form.GetText(kFolderPath), "/fw/zr40");
}

TEST_F(UpdatePage, StartRefusesWithoutFolderModeOrMonitor) {
    page.OnStart();  // no folder
    form.SetText(kFolderPath, "/fw");
    page.OnStart();  // no monitor
    MonitorObject* m = fleet.Connect(1);
    form.SetCurSel(kModeSelector, -1);
    page.OnStart();  // no mode
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T73", "T74", "T72"}));
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(form.GetText(kServerAddress), "");
    fleet.Disconnect(1, m);
    form.SetCurSel(kModeSelector, 0);
    page.OnStart();  // its row is still listed, but the monitor is gone
    EXPECT_EQ(dialogs.messages.back(), "T74");
    EXPECT_TRUE(starts.empty());
}

TEST_F(UpdatePage, StartShowsTheFirstRowsServerAndStartsTheUpgrade) {
    MonitorObject* a = fleet.Connect(1);
    MonitorObject* b = fleet.Connect(2);
    ReportServer(a, "192.168.137.100");
    ReportServer(b, "10.1.2.3");
    fleet.Check(b);  // checks do not matter: every row is served
    form.SetText(kFolderPath, "/fw/zr40");
    page.OnStart();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form.GetText(kServerAddress), "192.168.137.100");
    EXPECT_EQ(form.GetText(kStatusLine), "");
    EXPECT_EQ(starts, (std::vector<std::pair<int, std::string>>{{0, "/fw/zr40"}}));
}

}  // namespace
