#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeForm.h"
#include "PageTestFleet.h"
#include "TempDir.h"
#include "pages/CModuleConfigDlg.h"
#include "pages/ModulePageLayout.h"
#include "registry/CommandResult.h"
#include "registry/MonitorObject.h"

namespace {

using namespace ModulePageId;
using pagetest::Fleet;

const int kModules[] = {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp,
                        kModuleEcgSpo2Resp};

class ModulePage : public ::testing::Test {
  protected:
    ModulePage() : page(form, dialogs, fleet.table, pagetest::FakeText) { page.RefreshCaptions(); }

    std::vector<int> Enabled() const {
        std::vector<int> ids;
        for (int id : kModules) {
            if (form.IsEnabled(id)) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    std::vector<int> Checked(std::initializer_list<int> group) const {
        std::vector<int> ids;
        for (int id : group) {
            if (form.GetCheck(id)) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    std::vector<int> CheckedModules() const {
        return Checked(
            {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp, kModuleEcgSpo2Resp});
    }

    ScopedLogDir logs;
    Fleet fleet;
    FakeForm form{kModulePageLayout};
    FakeDialogs dialogs;
    CModuleConfigDlg page;
};

TEST_F(ModulePage, CaptionsAndStartState) {
    EXPECT_TRUE(Enabled().empty());
    EXPECT_FALSE(form.IsEnabled(kModify));  // until a filter is chosen
    EXPECT_EQ(form.GetText(kFilterEcg), "T41");
    EXPECT_EQ(form.GetText(kFilterEcgSpo2), "T42");
    EXPECT_EQ(form.GetText(kFilterAll), "T43");
    EXPECT_EQ(form.GetText(kModify), "T35");
    EXPECT_EQ(form.GetText(kFilterGroup), "T40");
    EXPECT_EQ(form.GetText(kModuleGroup), "T44");
    // Disabled buttons cannot be chosen.
    page.OnModuleButton(kModuleEcg);
    EXPECT_TRUE(CheckedModules().empty());
}

TEST_F(ModulePage, FiltersEnableClearAndSetTheDeviceFilter) {
    page.OnFilterEcgSpo2();
    EXPECT_EQ(Enabled().size(), 5u);
    EXPECT_EQ(Checked({kFilterEcg, kFilterEcgSpo2, kFilterAll}), std::vector<int>{kFilterEcgSpo2});
    ModuleMask f = fleet.table.GetModuleFilter();
    for (int i = 0; i < kModuleIndexCount; ++i) {
        EXPECT_EQ(f[i], (i == 1 || i == 4) ? 1 : 0) << i;
    }

    page.OnModuleButton(kModuleEcgSpo2);
    page.OnModuleButton(kModuleEcgResp);  // the group is exclusive
    EXPECT_EQ(CheckedModules(), std::vector<int>{kModuleEcgResp});
    page.OnModuleButton(kModuleEcgSpo2);
    EXPECT_EQ(CheckedModules(), std::vector<int>{kModuleEcgSpo2});

    // ECG devices: the SpO2 sets are closed and their choice cleared.
    page.OnFilterEcg();
    EXPECT_EQ(Enabled(), (std::vector<int>{kModuleEcg, kModuleEcgResp}));
    EXPECT_TRUE(CheckedModules().empty());
    EXPECT_EQ(Checked({kFilterEcg, kFilterEcgSpo2, kFilterAll}), std::vector<int>{kFilterEcg});
    f = fleet.table.GetModuleFilter();
    for (int i = 0; i < kModuleIndexCount; ++i) {
        EXPECT_EQ(f[i], i == 1 ? 1 : 0) << i;
    }
    MonitorObject* m = fleet.Connect(1);
    fleet.Check(m);
    page.OnModify();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"T78"});
    EXPECT_FALSE(fleet.HasData(m));
    // ECG stays chosen across an ECG filter choice.
    page.OnModuleButton(kModuleEcg);
    page.OnFilterEcg();
    EXPECT_EQ(CheckedModules(), std::vector<int>{kModuleEcg});

    page.OnFilterAll();
    EXPECT_TRUE(Enabled().empty());
    EXPECT_TRUE(CheckedModules().empty());
    EXPECT_FALSE(form.IsEnabled(kModify));
    f = fleet.table.GetModuleFilter();
    for (int i = 0; i < kModuleIndexCount; ++i) {
        EXPECT_EQ(f[i], 0) << i;
    }
    page.OnFilterEcg();
    EXPECT_TRUE(form.IsEnabled(kModify));
}

TEST_F(ModulePage, LanguageChangeClosesTheModuleChoiceUntilAFilterIsChosenAgain) {
    MonitorObject* m = fleet.Connect(1);
    fleet.Check(m);
    page.OnFilterEcgSpo2();
    page.OnModuleButton(kModuleSpo2);
    page.RefreshCaptions();
    EXPECT_TRUE(Enabled().empty());
    EXPECT_FALSE(form.IsEnabled(kModify));
    EXPECT_TRUE(CheckedModules().empty());  // no choice the user cannot see stays behind
    // even a stale check mark left on a disabled button is no choice
    form.SetCheck(kModuleSpo2, true);
    page.OnModify();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"T78"});
    EXPECT_FALSE(fleet.HasData(m));
    page.OnFilterEcgSpo2();
    EXPECT_EQ(Enabled().size(), 5u);
    EXPECT_TRUE(form.IsEnabled(kModify));
}

TEST_F(ModulePage, MessagesWithoutMonitorOrModuleSet) {
    page.OnModify();  // neither: the missing monitor is named first
    page.OnFilterEcgSpo2();
    page.OnModuleButton(kModuleEcg);
    page.OnModify();  // a set but no monitor
    MonitorObject* m = fleet.Connect(1);
    page.OnModify();  // listed but not checked
    fleet.Check(m);
    fleet.Disconnect(1, m);
    page.OnModify();  // checked, but its monitor is gone
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T77", "T77", "T77", "T77"}));
}

TEST_F(ModulePage, EverySetGoesOutWithItsSlots) {
    struct Case {
        int button;
        std::vector<int> slots;
    };
    MonitorObject* m = fleet.Connect(1);
    fleet.Check(m);
    page.OnFilterEcgSpo2();
    for (const Case& c :
         {Case{kModuleEcg, {1}}, Case{kModuleSpo2, {4}}, Case{kModuleEcgSpo2, {1, 4}},
          Case{kModuleEcgResp, {1, 2}}, Case{kModuleEcgSpo2Resp, {1, 2, 4}}}) {
        SCOPED_TRACE(c.button);
        page.OnModuleButton(c.button);
        const std::uint32_t before = m->GetSerial();
        page.OnModify();
        pagetest::Frame f = fleet.ReadFrame(m);
        EXPECT_EQ(f.len, 34);
        EXPECT_EQ(f.cmd, 0x0012);
        EXPECT_TRUE(f.checksumOk);
        EXPECT_EQ(f.serial, before + 1);
        EXPECT_EQ(m->GetSerial(), before + 1);
        pagetest::Bytes expected(26, 0);
        for (int slot : c.slots) {
            expected[static_cast<std::size_t>(slot)] = 1;
        }
        EXPECT_EQ(f.body, expected);
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(fleet.HasData(m));
}

TEST_F(ModulePage, EveryCheckedMonitorGetsTheOrderWithItsOwnSerial) {
    MonitorObject* a = fleet.Connect(1);
    MonitorObject* b = fleet.Connect(2);
    MonitorObject* c = fleet.Connect(3);
    a->SetSerial(1);
    b->SetSerial(500);
    fleet.Check(a);
    fleet.Check(b);
    page.OnFilterEcgSpo2();
    page.OnModuleButton(kModuleEcgSpo2Resp);
    page.OnModify();
    pagetest::Frame fa = fleet.ReadFrame(a);
    pagetest::Frame fb = fleet.ReadFrame(b);
    EXPECT_EQ(fa.serial, 2);
    EXPECT_EQ(fb.serial, 501);
    for (const pagetest::Frame* f : {&fa, &fb}) {
        ASSERT_EQ(f->body.size(), 26u);
        for (std::size_t i = 0; i < 26; ++i) {
            EXPECT_EQ(f->body[i], (i == 1 || i == 2 || i == 4) ? 1 : 0) << i;
        }
    }
    EXPECT_FALSE(fleet.HasData(c));
    EXPECT_EQ(c->GetSerial(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
    // each order waits for its monitor's module-set result
    for (MonitorObject* m : {a, b}) {
        EXPECT_TRUE(fleet.table.HasPendingOrders());
        CommandResult result;
        result.code = kResultModuleSet;
        m->SetLastResult(result);
        fleet.table.OnCommandResult(m);
    }
    EXPECT_FALSE(fleet.table.HasPendingOrders());
}

}  // namespace
