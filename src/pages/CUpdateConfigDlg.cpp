#include "pages/CUpdateConfigDlg.h"

#include <utility>
#include <vector>

#include "pages/ControlIds.h"
#include "pages/Ipv4Text.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

using namespace UpdatePageId;

constexpr int kTextModeLabel = 45;
constexpr int kTextModeFolder = 46;
constexpr int kTextModeOther = 47;
constexpr int kTextFolderLabel = 48;
constexpr int kTextBrowse = 49;
constexpr int kTextServerLabel = 50;
constexpr int kTextStart = 51;
constexpr int kTextNoMode = 72;
constexpr int kTextNoFolder = 73;
constexpr int kTextNoMonitor = 74;

}  // namespace

CUpdateConfigDlg::CUpdateConfigDlg(IForm& form, IDialogs& dialogs)
    : CUpdateConfigDlg(form, dialogs, GetMonitorTable(), LanguageText,
                       [](int mode, const std::string& folder) {
                           GetUpdateConfigManager().StartUpgrade(mode, folder);
                       }) {}

CUpdateConfigDlg::CUpdateConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table,
                                   TextLookup text, UpgradeStarter start)
    : form_(form),
      dialogs_(dialogs),
      table_(table),
      text_(std::move(text)),
      start_(std::move(start)) {}

void CUpdateConfigDlg::FillTexts() {
    auto text = [this](int index) { return text_ ? text_(index) : std::string(); };
    const int chosen = form_.GetCurSel(kModeSelector);
    form_.ResetContent(kModeSelector);
    form_.InsertString(kModeSelector, 0, text(kTextModeFolder));
    form_.InsertString(kModeSelector, 1, text(kTextModeOther));
    form_.SetCurSel(kModeSelector, chosen);
    // Only the first mode is served: it is always the one chosen and cannot be changed.
    form_.SetCurSel(kModeSelector, 0);
    form_.Enable(kModeSelector, false);
    form_.SetText(kStart, text(kTextStart));
    form_.SetText(kBrowse, text(kTextBrowse));
    form_.SetText(kModeLabel, text(kTextModeLabel));
    form_.SetText(kFolderLabel, text(kTextFolderLabel));
    form_.SetText(kServerLabel, text(kTextServerLabel));
}

void CUpdateConfigDlg::OnBrowse() {
    std::string folder;
    if (dialogs_.PickFolder(kUpgradeFolderTitle, folder) && !folder.empty()) {
        form_.SetText(kFolderPath, folder);
    }
}

void CUpdateConfigDlg::OnStart() {
    auto text = [this](int index) { return text_ ? text_(index) : std::string(); };
    const std::string folder = form_.GetText(kFolderPath);
    const int mode = form_.GetCurSel(kModeSelector);
    if (folder.empty()) {
        dialogs_.MessageBox(text(kTextNoFolder));
        return;
    }
    if (mode != 0 && mode != 1) {
        dialogs_.MessageBox(text(kTextNoMode));
        return;
    }
    const std::vector<MonitorObject*> monitors = table_.GetAllMonitors();
    if (monitors.empty()) {
        dialogs_.MessageBox(text(kTextNoMonitor));
        return;
    }
    MonitorAttribute attribute;
    if (monitors.front() != nullptr && monitors.front()->GetStatus() != nullptr) {
        monitors.front()->GetStatus()->GetMonitorAttribute(&attribute);
        form_.SetText(kServerAddress, Ipv4Text::Format(attribute.wifi.serverIp));
    }
    if (start_) {
        start_(mode, folder);
    }
}
