#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "foundation/GuidText.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

// Texts shown as "T<n>" so every cell names the text it came from.
std::string FakeText(int index) {
    return "T" + std::to_string(index);
}

GUID Key(std::uint8_t n) {
    GUID g{};
    g.Data2 = 0x1234;
    g.Data4[7] = n;
    return g;
}

std::string KeyText(std::uint8_t n) {
    WString w = GuidToString(Key(n));
    return std::string(w.begin(), w.end());
}

class MonitorTableTest : public ::testing::Test {
  protected:
    MonitorTableTest()
        : pool(std::make_unique<CMonitorObjectMng>()),
          upgrade(std::make_unique<UpdateConfigManager>()),
          table(*pool, *upgrade) {
        table.SetTextLookup(FakeText);
        table.SetList(&list);
    }

    MonitorObject* Connect(std::uint8_t n, const char* name = "", std::uint32_t bedNo = 0) {
        MonitorObject* m = pool->GetAvailableObj(Key(n));
        EXPECT_NE(m, nullptr);
        m->SetGuid(Key(n));
        SocketAddr peer;
        peer.addr.ip = HostToNet32(0xC0A80100u + n);  // 192.168.1.n
        m->SetPeer(peer);
        MonitorAttribute a;
        m->GetStatus()->GetMonitorAttribute(&a);
        CopyToField(a.deviceName, WString(name, name + std::char_traits<char>::length(name)));
        m->GetStatus()->SetMonitorAttribute(&a);
        MonitorPatientInfo p;
        m->GetStatus()->GetMonitorPatientInfo(&p);
        p.bedNo = bedNo;
        m->GetStatus()->SetMonitorPatientInfo(&p);
        return m;
    }
    void Disconnect(std::uint8_t n, MonitorObject* m) { pool->ReleaseObj(Key(n), m); }

    template <typename F>
    void Edit(MonitorObject* m, F change) {
        MonitorAttribute a;
        m->GetStatus()->GetMonitorAttribute(&a);
        change(a);
        m->GetStatus()->SetMonitorAttribute(&a);
    }
    void Ack(MonitorObject* m, int code, int result = 0) {
        CommandResult r;
        r.code = code;
        r.result = result;
        m->SetLastResult(r);
        table.OnCommandResult(m);
    }
    std::vector<std::string> Column(int c) const {
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) {
            out.push_back(row.texts[static_cast<std::size_t>(c)]);
        }
        return out;
    }

    ScopedLogDir logs;
    std::unique_ptr<CMonitorObjectMng> pool;
    std::unique_ptr<UpdateConfigManager> upgrade;
    MonitorListModel list;
    CMonitorTable table;
};

using Texts = std::vector<std::string>;

TEST_F(MonitorTableTest, RowsFollowThePoolInOrderOfFirstAppearance) {
    table.SetPage(CMonitorTable::kPageNetwork);
    table.Refresh();
    EXPECT_EQ(list.RowCount(), 0);

    MonitorObject* a = Connect(2, "Zr40", 7);
    MonitorObject* b = Connect(1, "Other", 8);
    table.Refresh();
    // Key order on the first walk: key 1 before key 2.
    EXPECT_EQ(Column(0), (Texts{"Other", "Zr40"}));
    EXPECT_EQ(Column(1), (Texts{"192.168.1.1", "192.168.1.2"}));
    EXPECT_EQ(Column(2), (Texts{KeyText(1), KeyText(2)}));
    EXPECT_EQ(Column(3), (Texts{"8", "7"}));

    Disconnect(1, b);
    table.Refresh();
    EXPECT_EQ(Column(0), (Texts{"Zr40"}));
    b = Connect(1, "Other");
    table.Refresh();
    EXPECT_EQ(Column(2), (Texts{KeyText(2), KeyText(1)}));  // back at the bottom

    // Texts change in place; a bed number prints signed.
    MonitorPatientInfo p;
    a->GetStatus()->GetMonitorPatientInfo(&p);
    p.bedNo = 0xFFFFFFFFu;
    a->GetStatus()->SetMonitorPatientInfo(&p);
    Edit(a, [](MonitorAttribute& at) { CopyToField(at.softwareVersion, u"V2.1"); });
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 3), "-1");
    table.SetPage(CMonitorTable::kPageUpgrade);
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 3), "V2.1");
    EXPECT_EQ(list.GetHeader(3), "T12");
    EXPECT_EQ(list.GetHeader(4), "T11");
    (void)b;
}

TEST_F(MonitorTableTest, UnchangedRefreshChangesNothing) {
    Connect(1, "A", 1);
    Connect(2, "B", 2);
    for (int page : {1, 2, 3, 4}) {
        table.SetPage(page);
        table.Refresh();
        const auto revision = list.Revision();
        table.Refresh();
        table.Refresh();
        EXPECT_EQ(list.Revision(), revision) << "page " << page;
    }
}

TEST_F(MonitorTableTest, DeviceFilterOnModulePage) {
    MonitorObject* ecg = Connect(1, "ecg");
    Connect(2, "plain");
    Edit(ecg, [](MonitorAttribute& a) { a.moduleConfig[1] = 1; });
    std::uint8_t filter[kModuleIndexCount] = {};
    filter[1] = 1;
    table.SetModuleFilter(filter, kModuleIndexCount);

    table.SetPage(CMonitorTable::kPageNetwork);
    table.Refresh();
    EXPECT_EQ(list.RowCount(), 2);  // the filter acts only on the module page

    table.SetPage(CMonitorTable::kPageModule);
    table.Refresh();
    EXPECT_EQ(Column(0), (Texts{"ecg"}));

    table.SetModuleFilter(nullptr, kModuleIndexCount);  // ignored
    EXPECT_EQ(table.GetModuleFilter()[1], 1);
    std::uint8_t none[kModuleIndexCount] = {};
    table.SetModuleFilter(none, kModuleIndexCount);
    table.Refresh();
    EXPECT_EQ(Column(0), (Texts{"ecg", "plain"}));
}

TEST_F(MonitorTableTest, ModuleColumnJoinsLoadedModuleNames) {
    struct Case {
        std::vector<int> loaded;
        std::string text;
    };
    MonitorObject* m = Connect(1);
    table.SetPage(CMonitorTable::kPageModule);
    EXPECT_EQ(list.GetHeader(4), "T13");
    for (const Case& c :
         {Case{{4, 1}, "ECG + SpO2"}, Case{{}, ""}, Case{{25}, "AG_O2"}, Case{{0, 2}, "RESP"}}) {
        Edit(m, [&](MonitorAttribute& a) {
            a.loadedModules.Fill(0xFF);  // the state of a fresh store: nothing loaded
            for (int i : c.loaded) {
                a.loadedModules[static_cast<std::size_t>(i)] = 1;
            }
        });
        table.Refresh();
        EXPECT_EQ(list.GetText(0, 4), c.text);
    }
    // A refused module set reads first on the row; the next order or a success clears it.
    for (auto [refuse, text] : {std::pair{true, "T39 RESP"}, std::pair{false, "RESP"}}) {
        Ack(m, kResultModuleSet, refuse ? -1 : 0);
        table.Refresh();
        EXPECT_EQ(list.GetText(0, 4), text);
    }
    Ack(m, kResultModuleSet, -1);
    table.NoteOrderSent(m, kResultModuleSet);
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 4), "RESP");
}

TEST_F(MonitorTableTest, ConfigurationStateOnNetworkPage) {
    MonitorObject* a = Connect(1);
    MonitorObject* b = Connect(2);
    table.SetPage(CMonitorTable::kPageNetwork);
    EXPECT_TRUE(list.IsVisible());
    EXPECT_EQ(list.GetHeader(4), "T10");
    table.Refresh();

    list.SetCheck(0, true);
    table.OnItemChanged(0);
    table.Refresh();
    EXPECT_EQ(Column(4), (Texts{"T66", ""}));

    // Results from an unchecked monitor or for other commands change nothing.
    Ack(b, 10);
    Ack(a, 99);
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 4), "T66");

    Ack(a, 10);
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 4), "");  // some, not all
    Ack(a, 23);
    Ack(a, 11);
    Ack(a, 17);
    table.Refresh();
    EXPECT_EQ(list.GetText(0, 4), "T38");

    // Checking the other row unchecks the first and moves the pending text.
    list.SetCheck(1, true);
    table.OnItemChanged(1);
    table.Refresh();
    EXPECT_FALSE(list.GetCheck(0));
    EXPECT_EQ(Column(4), (Texts{"T38", "T66"}));
    EXPECT_EQ(table.GetConfigAck(0), CMonitorTable::kAckNone);

    // A refused order is shown by name: device name and server refused.
    Ack(b, 10, -1);
    Ack(b, 23);
    Ack(b, 11);
    Ack(b, 17, -1);
    table.Refresh();
    EXPECT_EQ(list.GetText(1, 4), "T39 T67T70");  // the outcome first: a narrow column shows it
    EXPECT_EQ(table.GetConfigAck(CMonitorTable::kAckDeviceName), CMonitorTable::kAckRefused);

    // Switching pages clears the marks and column 4.
    table.UncheckAll();
    table.SetPage(CMonitorTable::kPageModule);
    EXPECT_EQ(Column(4), (Texts{"", ""}));
    EXPECT_FALSE(list.GetCheck(0) || list.GetCheck(1));
    EXPECT_TRUE(table.GetCheckedMonitors().empty());

    table.SetPage(CMonitorTable::kPageSystem);
    EXPECT_FALSE(list.IsVisible());
}

TEST_F(MonitorTableTest, CheckMarksOnModulePageMayBeMany) {
    MonitorObject* a = Connect(1);
    MonitorObject* b = Connect(2);
    MonitorObject* c = Connect(3);
    table.SetPage(CMonitorTable::kPageModule);
    table.Refresh();
    list.SetCheck(0, true);
    table.OnItemChanged(0);
    list.SetCheck(2, true);
    table.OnItemChanged(2);
    EXPECT_EQ(table.GetCheckedMonitors(), (std::vector<MonitorObject*>{a, c}));
    EXPECT_EQ(table.GetAllMonitors(), (std::vector<MonitorObject*>{a, b, c}));

    // A row whose monitor has gone is left out before the next refresh removes it.
    Disconnect(1, a);
    EXPECT_EQ(table.GetCheckedMonitors(), (std::vector<MonitorObject*>{c}));
    EXPECT_EQ(table.GetAllMonitors(), (std::vector<MonitorObject*>{b, c}));
    table.Refresh();
    EXPECT_EQ(list.RowCount(), 2);
}

TEST_F(MonitorTableTest, UpgradeColumnShowsStateAndProgress) {
    struct Case {
        UpgradeStatus status;
        std::string text;
    };
    MonitorObject* m = Connect(1);
    table.SetPage(CMonitorTable::kPageUpgrade);
    for (const Case& c : {Case{{33, 1}, "33%"}, Case{{0, 3}, "T52"}, Case{{0, 4}, "T71"},
                          Case{{0, 5}, "T53"}, Case{{50, 0}, ""}, Case{{50, 2}, ""}}) {
        upgrade->SetUpgradeStatus(m, c.status);
        table.Refresh();
        EXPECT_EQ(list.GetText(0, 4), c.text);
    }
    // Without an upgrade source the column stays empty.
    CMonitorTable bare(*pool);
    MonitorListModel bareList;
    bare.SetList(&bareList);
    bare.SetPage(CMonitorTable::kPageUpgrade);
    bare.Refresh();
    EXPECT_EQ(bareList.GetText(0, 4), "");
}

TEST_F(MonitorTableTest, CommandResultsWhileRefreshing) {
    std::vector<MonitorObject*> monitors;
    for (std::uint8_t n = 1; n <= 8; ++n) {
        monitors.push_back(Connect(n));
    }
    table.SetPage(CMonitorTable::kPageNetwork);
    table.Refresh();
    list.SetCheck(3, true);
    table.OnItemChanged(3);

    std::atomic<bool> finished{false};
    std::thread session([&] {
        const int codes[] = {10, 23, 11, 17};
        for (int i = 0; i < 4000; ++i) {
            MonitorObject* m = monitors[static_cast<std::size_t>(i % 8)];
            CommandResult r;
            r.code = codes[(i / 8) % 4];
            m->SetLastResult(r);
            table.OnCommandResult(m);
        }
        finished = true;
    });
    for (int i = 0; !finished.load(); ++i) {
        if (i % 50 == 0) {
            Disconnect(8, monitors[7]);
            table.Refresh();
            EXPECT_EQ(Connect(8), monitors[7]);  // the lowest free slot again
        }
        table.Refresh();
    }
    session.join();
    table.Refresh();
    EXPECT_EQ(list.RowCount(), 8);
    EXPECT_EQ(list.GetText(3, 4), "T38");
}

TEST(MonitorListModelTest, BoundsAndRevision) {
    MonitorListModel model;
    EXPECT_EQ(model.AppendRow("a"), 0);
    EXPECT_EQ(model.AppendRow("b"), 1);
    const auto r = model.Revision();
    EXPECT_FALSE(model.SetText(0, 0, "a"));
    EXPECT_FALSE(model.SetText(5, 0, "x"));
    EXPECT_FALSE(model.SetText(0, 5, "x"));
    model.SetCheck(9, true);
    model.DeleteRow(-1);
    model.SetCheck(1, false);
    EXPECT_EQ(model.Revision(), r);
    EXPECT_EQ(model.GetText(0, -1), "");
    EXPECT_EQ(model.FindRow(0, "b"), 1);
    EXPECT_EQ(model.FindRow(7, "b"), -1);
    model.DeleteRow(0);
    EXPECT_EQ(model.FindRow(0, "b"), 0);
    EXPECT_GT(model.Revision(), r);
}

}  // namespace
