// The desktop window against simulated monitors over loopback: they appear in the list, the
// network page's four orders reach the checked monitor and its row follows the
// acknowledgements, and a module set reaches every checked monitor.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "FakeForm.h"
#include "GuiTestSupport.h"
#include "LoopbackTestSupport.h"
#include "SimFleet.h"
#include "SimMd5.h"
#include "network/NetworkListenManager.h"
#include "pages/LanguageTexts.h"
#include "pages/MainWindowLayout.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/MonitorListView.h"
#include "qt/QtPage.h"
#include "record/RecordVerifier.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"

#include <filesystem>
#include <fstream>
#include <set>

namespace {

struct EndToEnd : ::testing::Test {
    ScopedLogDir logs;
    ScopedLanguage language{kLanguageEnglish};
    FakeDialogs dialogs;
    FakeHostedNetwork hostedNetwork;
    NetworkListenManager server{LoopbackTestSettings(6000)};
    SimFleet fleet{SimMonitorConfig{}, 3, "E2E-", 0x5151};
    std::unique_ptr<CZr40ToolDlg> window;
    TempDir records;

    void SetUp() override {
        ServiceRecordOptions record;
        record.folder = records.path();
        GetServiceRecord().Open(record);
        server.StartNetworkManager();
        ASSERT_TRUE(server.WaitListening(5000));
        MainWindowOptions options;
        options.dialogs = &dialogs;
        options.debugPageSwitch = 1;
        options.wirelessAdapter = 1;
        options.hostedNetwork = &hostedNetwork;
        window = std::make_unique<CZr40ToolDlg>(options);
        window->show();
        fleet.StartAll("127.0.0.1", server.SessionPort());
    }
    void TearDown() override {
        fleet.StopAll();
        server.Stop();
        window.reset();
        GetServiceRecord().Close();
        GetMonitorTable().SetPage(CMonitorTable::kPageNone);
    }
    // The service record's lines containing `text`, once the record checks as intact.
    int RecordLines(const std::string& text) {
        for (const auto& item : std::filesystem::directory_iterator(records.path())) {
            const std::string path = item.path().string();
            if (!VerifyRecordFile(path).intact) {
                return -1;
            }
            int count = 0;
            const std::string all = ReadFileText(path);
            for (std::size_t at = all.find(text); at != std::string::npos;
                 at = all.find(text, at + 1)) {
                ++count;
            }
            return count;
        }
        return 0;
    }
    MonitorListModel& Model() { return window->Model(); }
    // The list row showing simulated monitor i (by its device name), or -1.
    int RowOf(int i) { return Model().FindRow(0, fleet.At(i).InitialConfig().deviceName); }
    bool AllListed() {
        for (int i = 0; i < fleet.Size(); ++i) {
            if (RowOf(i) < 0) {
                return false;
            }
        }
        return true;
    }
    MonitorObject* ObjectOf(int i) {
        GUID key = fleet.At(i).InitialConfig().guid;
        key.Data1 = 0;
        return GetMonitorObjectMng().FindObj(key);
    }
    std::vector<SimOrder> Orders(int i, std::uint16_t cmd) {
        std::vector<SimOrder> out;
        for (const SimOrder& o : fleet.At(i).Record().Snapshot().orders) {
            if (o.cmd == cmd) {
                out.push_back(o);
            }
        }
        return out;
    }
    void UserCheck(int row) {
        window->List()->Mirror();
        window->List()->item(row, 0)->setCheckState(Qt::Checked);
    }
};

TEST_F(EndToEnd, MonitorsAppearThenTakeNetworkOrdersAndModuleSets) {
    ASSERT_TRUE(PumpUntil([&] { return AllListed(); }, 15000)) << Model().RowCount();
    EXPECT_EQ(Model().RowCount(), 3);

    // network page: one checked monitor gets the four orders
    window->TabBar()->setCurrentIndex(kTabNetwork);
    const int row = RowOf(1);
    UserCheck(row);
    ASSERT_TRUE(PumpUntil([&] { return Model().GetText(row, 4) == "Not confirmed yet"; }, 5000));
    ControlById<QPushButton>(window->Page(kTabNetwork), NetPageId::kModify)->click();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    ASSERT_TRUE(PumpUntil([&] { return Model().GetText(row, 4) == "Configured"; }, 10000))
        << Model().GetText(row, 4);
    const std::vector<SimOrder> orders = Orders(1, 0x0200);
    ASSERT_EQ(orders.size(), 4u);
    EXPECT_EQ(orders[0].item, 0x0050);
    EXPECT_EQ(orders[1].item, 0x0053);
    EXPECT_EQ(orders[2].item, 0x0056);
    EXPECT_EQ(orders[3].item, 0x0059);
    EXPECT_TRUE(Orders(0, 0x0200).empty());
    EXPECT_TRUE(Orders(2, 0x0200).empty());

    // module page: two checked monitors get ECG+SpO2+RESP
    window->TabBar()->setCurrentIndex(kTabModule);
    ControlById<QRadioButton>(window->Page(kTabModule), ModulePageId::kFilterEcgSpo2)->click();
    ASSERT_TRUE(PumpUntil([&] { return AllListed(); }, 5000));
    UserCheck(RowOf(0));
    UserCheck(RowOf(2));
    auto* all =
        ControlById<QRadioButton>(window->Page(kTabModule), ModulePageId::kModuleEcgSpo2Resp);
    ASSERT_TRUE(all->isEnabled());
    all->click();
    ControlById<QPushButton>(window->Page(kTabModule), ModulePageId::kModify)->click();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    ASSERT_TRUE(PumpUntil(
        [&] { return Orders(0, 0x0012).size() == 1 && Orders(2, 0x0012).size() == 1; }, 5000));
    for (int i : {0, 2}) {
        const SimOrder order = Orders(i, 0x0012).front();
        ASSERT_EQ(order.frame.size(), 8u + 26u) << i;
        for (int b = 0; b < 26; ++b) {
            const int expected = (b == 1 || b == 2 || b == 4) ? 1 : 0;
            EXPECT_EQ(order.frame[8 + static_cast<std::size_t>(b)], expected) << i << " " << b;
        }
        MonitorObject* object = ObjectOf(i);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(order.serial, static_cast<std::uint16_t>(object->GetSerial())) << i;
    }
    EXPECT_TRUE(Orders(1, 0x0012).empty());
    // each order is in the service record with its acknowledgement
    EXPECT_TRUE(PumpUntil([&] { return RecordLines(",acknowledged,") == 6; }, 10000))
        << RecordLines(",acknowledged,");
    EXPECT_EQ(RecordLines("Module set sent,"), 2);
    EXPECT_EQ(RecordLines("Wi-Fi settings sent,"), 1);

    // debug page: frames of the checked monitor show up as received lines
    window->TabBar()->setCurrentIndex(kTabDebug);
    UserCheck(RowOf(1));
    ASSERT_TRUE(PumpUntil(
        [&] {
            return window->Page(kTabDebug)->GetText(DebugPageId::kDisplay).find("\tRecv\t") !=
                   std::string::npos;
        },
        5000));
}

// Started from the upgrade page: every listed monitor waits, pulls the folder with a rising
// percentage shown as a progress bar, and ends finished with every digest verified.
TEST_F(EndToEnd, UpgradeStartedFromThePageReachesEveryMonitor) {
    ASSERT_TRUE(PumpUntil([&] { return AllListed(); }, 15000)) << Model().RowCount();

    TempDir folder;
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"app.bin", 200000}, {"boot.bin", 1000}, {"tiny.bin", 1}};
    for (const auto& [name, size] : files) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 131 + size) & 0xFF);
        }
        WriteFileBytes(folder.file(name), bytes);
        WriteFileBytes(folder.file(name + ".md5"),
                       SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), size));
    }

    window->TabBar()->setCurrentIndex(kTabUpgrade);
    QtPage* page = window->Page(kTabUpgrade);
    page->SetText(UpdatePageId::kFolderPath, folder.path());
    QPushButton* start = ControlById<QPushButton>(page, UpdatePageId::kStart);
    start->click();
    // The folder is checked off this thread: the page shows it is working until it is done.
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(page->GetText(UpdatePageId::kStatusLine), "Checking the upgrade files...");
    ASSERT_TRUE(PumpUntil([&] { return start->isEnabled(); }, 10000));
    EXPECT_EQ(page->GetText(UpdatePageId::kStatusLine), "");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    std::set<std::string> seen;
    auto finished = [&] {
        bool all = true;
        for (int i = 0; i < fleet.Size(); ++i) {
            const std::string text = Model().GetText(RowOf(i), 4);
            seen.insert(text);
            all = all && text == "Finished";
        }
        return all;
    };
    ASSERT_TRUE(PumpUntil(finished, 30000));
    bool sawPercentage = false;
    for (const std::string& text : seen) {
        sawPercentage = sawPercentage || (!text.empty() && text.back() == '%');
    }
    EXPECT_TRUE(sawPercentage);
    for (int i = 0; i < fleet.Size(); ++i) {
        ASSERT_TRUE(fleet.At(i).Record().WaitFor(
            [&](const SimSnapshot& s) { return s.upgradesSucceeded >= 1; },
            std::chrono::milliseconds(10000)))
            << i;
        const SimSnapshot s = fleet.At(i).Record().Snapshot();
        EXPECT_EQ(s.filesVerified, files.size()) << i;
        EXPECT_EQ(s.filesFailed, 0u) << i;
    }
    EXPECT_TRUE(PumpUntil([&] { return RecordLines("Upgrade ended,") == 3; }, 10000));
    EXPECT_EQ(RecordLines(",finished,"), 3);
    EXPECT_EQ(RecordLines("app.bin (MD5 "), 3);
}

}  // namespace

// A monitor that refuses its orders: the record says so for each of the four.
TEST_F(EndToEnd, RefusedOrdersAreRecordedAsRefused) {
    SimMonitorConfig refusing;
    refusing.refuseOrders = true;
    SimFleet refuser{refusing, 1, "REF-", 0x6161};
    refuser.StartAll("127.0.0.1", server.SessionPort());
    const std::string name = refuser.At(0).InitialConfig().deviceName;
    ASSERT_TRUE(PumpUntil([&] { return Model().FindRow(0, name) >= 0; }, 15000));
    window->TabBar()->setCurrentIndex(kTabNetwork);
    UserCheck(Model().FindRow(0, name));
    ControlById<QPushButton>(window->Page(kTabNetwork), NetPageId::kModify)->click();
    EXPECT_TRUE(PumpUntil([&] { return RecordLines(",refused,") == 4; }, 10000))
        << RecordLines(",refused,");
    EXPECT_EQ(RecordLines(",acknowledged,"), 0);
    refuser.StopAll();
}
