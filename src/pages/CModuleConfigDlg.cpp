#include "pages/CModuleConfigDlg.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "pages/LanguageTexts.h"
#include "pages/ModulePageLayout.h"
#include "pages/PageCaptions.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorTable.h"
#include "registry/CommandResult.h"
#include "registry/MonitorObject.h"

namespace {

using namespace ModulePageId;

constexpr std::size_t kSlotEcg = 1;
constexpr std::size_t kSlotResp = 2;
constexpr std::size_t kSlotSpo2 = 4;

constexpr int kFilterButtons[] = {kFilterEcg, kFilterEcgSpo2, kFilterAll};
constexpr int kModuleButtons[] = {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp,
                                  kModuleEcgSpo2Resp};

struct ModuleSet {
    int button;
    bool ecg, resp, spo2;
};
// In the order the buttons are read.
constexpr ModuleSet kModuleSets[] = {
    {kModuleEcg, true, false, false},       {kModuleSpo2, false, false, true},
    {kModuleEcgSpo2, true, false, true},    {kModuleEcgResp, true, true, false},
    {kModuleEcgSpo2Resp, true, true, true},
};

}  // namespace

CModuleConfigDlg::CModuleConfigDlg(IForm& form, IDialogs& dialogs)
    : CModuleConfigDlg(form, dialogs, GetMonitorTable(), [](int i) { return LanguageText(i); }) {}

CModuleConfigDlg::CModuleConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table,
                                   TextLookup text)
    : form_(form), dialogs_(dialogs), table_(table), text_(std::move(text)) {}

void CModuleConfigDlg::RefreshCaptions() {
    // The module choice and Modify are open only after a filter has been chosen (again); a
    // choice made before stays behind, so it can never be sent unseen.
    for (int id : kModuleButtons) {
        form_.Enable(id, false);
        form_.SetCheck(id, false);
    }
    form_.Enable(kModify, false);
    ShowCaptionTexts(form_, kModulePageLayout, text_);
}

void CModuleConfigDlg::CheckOnly(const int* group, int count, int chosen) {
    for (int i = 0; i < count; ++i) {
        form_.SetCheck(group[i], group[i] == chosen);
    }
}

void CModuleConfigDlg::SetFilter(std::uint8_t ecg, std::uint8_t spo2) {
    ModuleMask mask{};
    mask[kSlotEcg] = ecg;
    mask[kSlotSpo2] = spo2;
    table_.SetModuleFilter(mask.module, kModuleIndexCount);
}

void CModuleConfigDlg::OnFilterEcg() {
    CheckOnly(kFilterButtons, static_cast<int>(std::size(kFilterButtons)), kFilterEcg);
    for (int id : {kModuleEcgSpo2, kModuleEcgSpo2Resp, kModuleSpo2}) {
        form_.Enable(id, false);
        form_.SetCheck(id, false);
    }
    form_.Enable(kModuleEcg, true);
    form_.Enable(kModuleEcgResp, true);
    form_.Enable(kModify, true);
    SetFilter(1, 0);
}

void CModuleConfigDlg::OnFilterEcgSpo2() {
    CheckOnly(kFilterButtons, static_cast<int>(std::size(kFilterButtons)), kFilterEcgSpo2);
    for (int id : kModuleButtons) {
        form_.Enable(id, true);
    }
    form_.Enable(kModify, true);
    SetFilter(1, 1);
}

void CModuleConfigDlg::OnFilterAll() {
    CheckOnly(kFilterButtons, static_cast<int>(std::size(kFilterButtons)), kFilterAll);
    for (int id : kModuleButtons) {
        form_.Enable(id, false);
        form_.SetCheck(id, false);
    }
    form_.Enable(kModify, false);
    SetFilter(0, 0);
}

void CModuleConfigDlg::OnModuleButton(int id) {
    bool known = false;
    for (int button : kModuleButtons) {
        known = known || button == id;
    }
    if (!known || !form_.IsEnabled(id)) {
        return;
    }
    CheckOnly(kModuleButtons, static_cast<int>(std::size(kModuleButtons)), id);
}

bool CModuleConfigDlg::ChosenMask(ModuleMask& mask) const {
    mask = ModuleMask{};
    bool chosen = false;
    for (const ModuleSet& set : kModuleSets) {
        // a disabled button is no choice the user can see as open
        if (!form_.GetCheck(set.button) || !form_.IsEnabled(set.button)) {
            continue;
        }
        chosen = true;
        if (set.ecg) {
            mask[kSlotEcg] = 1;
        }
        if (set.resp) {
            mask[kSlotResp] = 1;
        }
        if (set.spo2) {
            mask[kSlotSpo2] = 1;
        }
    }
    return chosen;
}

void CModuleConfigDlg::SendModuleSwitchOrder() {
    ModuleMask mask;
    const bool chosen = ChosenMask(mask);
    const std::vector<MonitorObject*> monitors = table_.GetCheckedMonitors();
    if (monitors.empty()) {
        dialogs_.MessageBox(Text(TextId::kNoMonitorChecked));
        return;
    }
    if (!chosen) {
        dialogs_.MessageBox(Text(TextId::kNoModuleSet));
        return;
    }
    for (MonitorObject* monitor : monitors) {
        if (monitor == nullptr) {
            continue;
        }
        std::uint8_t frame[kCmpHeadSize + kModuleIndexCount] = {};
        std::memcpy(frame + kCmpHeadSize, mask.module, kModuleIndexCount);
        const auto serial = static_cast<std::uint16_t>(monitor->NextSerialPreIncrement());
        // waits from before it goes out, so an answer that comes at once is never missed
        table_.NoteOrderSent(monitor, kResultModuleSet);
        RecordModuleOrder(monitor, mask, GetServiceRecord());
        SendCmpControlCommand(frame, kModuleIndexCount, kModuleSwitchCommand, *monitor, serial);
    }
}
