#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeForm.h"
#include "PageTestFleet.h"
#include "TempDir.h"
#include "foundation/UpgradeFileSet.h"
#include "pages/CUpdateConfigDlg.h"
#include "pages/Ipv4Text.h"
#include "pages/UpdatePageLayout.h"

namespace {

using namespace UpdatePageId;
using pagetest::Fleet;

class UpdatePage : public ::testing::Test {
  protected:
    UpdatePage()
        : page(
              form, dialogs, fleet.table, pagetest::FakeText,
              [this](const std::string& folder, CUpdateConfigDlg::FilesLoaded done) {
                  loads.emplace_back(folder, std::move(done));
                  return true;
              },
              [this](int mode, const std::string& folder, std::shared_ptr<UpgradeFileSet>) {
                  starts.emplace_back(mode, folder);
              }) {
        page.RefreshCaptions();
    }

    // Ends the oldest load under way, as the loader thread would on the UI thread.
    void FinishLoad() {
        ASSERT_FALSE(loads.empty());
        auto [folder, done] = std::move(loads.front());
        loads.erase(loads.begin());
        auto files = std::make_shared<UpgradeFileSet>();
        files->LoadFolder(folder);
        done(files);
    }

    void ReportServer(MonitorObject* m, const char* dotted) {
        fleet.EditAttribute(
            m, [&](MonitorAttribute& a) { a.wifi.serverIp = Ipv4Text::Parse(dotted); });
    }

    ScopedLogDir logs;
    Fleet fleet;
    FakeForm form{kUpdatePageLayout};
    FakeDialogs dialogs;
    std::vector<std::pair<int, std::string>> starts;
    std::vector<std::pair<std::string, CUpdateConfigDlg::FilesLoaded>> loads;
    CUpdateConfigDlg page;
};

TEST_F(UpdatePage, CaptionsRebuildADisabledSelectorOnTheFirstMode) {
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
        page.RefreshCaptions();
    }
}

TEST_F(UpdatePage, BrowseTakesAPickedFolderOnly) {
    form.SetText(kFolderPath, "/old");
    dialogs.answers = {"", "/fw/zr40"};
    page.OnBrowse();  // cancelled
    EXPECT_EQ(form.GetText(kFolderPath), "/old");
    EXPECT_EQ(dialogs.lastTitle, "T108");
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
    TempDir folder;
    WriteFirmware(folder.file("fw.bin"), "firmware");
    form.SetText(kFolderPath, folder.path());
    page.OnStart();
    EXPECT_EQ(form.GetText(kServerAddress), "192.168.137.100");
    FinishLoad();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form.GetText(kStatusLine), "");
    EXPECT_EQ(starts, (std::vector<std::pair<int, std::string>>{{0, folder.path()}}));
}

TEST_F(UpdatePage, FolderIsCheckedOffTheUiThreadAndADamagedSetIsNotStarted) {
    fleet.Connect(1);
    TempDir folder;
    WriteFirmware(folder.file("good.bin"), "good");
    WriteFileBytes(folder.file("lone.bin"), "no companion");
    std::filesystem::create_directories(folder.file("sub"));
    WriteFirmware(folder.file("sub/bad.bin"), "original");
    WriteFileBytes(folder.file("sub/bad.bin"), "0riginal");
    // the folder's own separator, as Windows users read paths with backslashes
    const std::string listed =
        "T85\n" + (std::filesystem::path("sub") / "bad.bin").string() + ": T88\n\nT94\nlone.bin";
    TempDir withReadme;
    WriteFirmware(withReadme.file("fw.bin"), "firmware");
    WriteFileBytes(withReadme.file("readme.txt"), "how to flash");
    WriteFileBytes(withReadme.file("Thumbs.db"), "thumbnails");
    TempDir empty;
    TempDir onlyLone;
    WriteFileBytes(onlyLone.file("lone.bin"), "no companion");
    struct Case {
        const char* what;
        std::string folder;
        bool start;  // Start, else Browse
        std::string message;
        bool started;
    };
    const std::vector<Case> cases = {
        {"browse", folder.path(), false, listed, false},
        {"start, one file damaged", folder.path(), true, listed + "\n\nT95", false},
        {"start, a readme beside", withReadme.path(), true, "T94\nreadme.txt", true},
        {"start, no firmware", onlyLone.path(), true, "T94\nlone.bin\n\nT91", false},
        {"start, empty folder", empty.path(), true, "T91", false},
        {"start, no such folder", folder.file("none"), true, "T92", false},
    };
    for (const Case& c : cases) {
        dialogs.messages.clear();
        starts.clear();
        if (c.start) {
            form.SetText(kFolderPath, c.folder);
            page.OnStart();
        } else {
            dialogs.answers = {c.folder};
            page.OnBrowse();
        }
        // Working: Start is disabled and the page says so until the check comes back.
        ASSERT_EQ(loads.size(), 1u) << c.what;
        EXPECT_FALSE(form.At(kStart).enabled) << c.what;
        EXPECT_EQ(form.GetText(kStatusLine), "T93") << c.what;
        page.OnStart();
        EXPECT_EQ(loads.size(), 1u) << c.what;
        FinishLoad();
        EXPECT_TRUE(form.At(kStart).enabled) << c.what;
        EXPECT_EQ(form.GetText(kStatusLine), "") << c.what;
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(starts.size(), c.started ? 1u : 0u) << c.what;
    }
}

}  // namespace
