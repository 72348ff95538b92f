#include "app/MainWindowLogic.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "foundation/IniFile.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

// In tab order.
constexpr TextId kTabCaptions[] = {TextId::kTabAccessPoint,    TextId::kTabNetworkSettings,
                                   TextId::kTabModuleSettings, TextId::kTabUpgrade,
                                   TextId::kTabDebug,          TextId::kTabSystem};
static_assert(std::size(kTabCaptions) == kMainTabCount);

}  // namespace

MainWindowLogic::MainWindowLogic(IMainWindowView& view, CMonitorTable& table, TextLookup text,
                                 UpgradeRequestHandler upgradeRequest)
    : view_(view),
      table_(table),
      text_(std::move(text)),
      upgradeRequest_(std::move(upgradeRequest)),
      // In both windows, as in the headless station, a monitor that comes back during an
      // upgrade is invited again instead of showing a blank upgrade column.
      listRefreshed_([] { GetUpdateConfigManager().AdmitArrivals(); }) {}

void MainWindowLogic::BuildTabs() {
    std::array<std::string, kMainTabCount> captions;
    for (int i = 0; i < kMainTabCount; ++i) {
        captions[static_cast<std::size_t>(i)] = Text(kTabCaptions[i]);
    }
    view_.RebuildTabs(captions);
}

void MainWindowLogic::Initialise(int debugPageSwitch) {
    BuildTabs();
    view_.ShowOnlyPage(kTabAccessPoint);
    view_.SelectTab(kTabAccessPoint);
    debugPageSwitch_ = debugPageSwitch;
    view_.UpdateList();
}

void MainWindowLogic::ReportWirelessAdapter(bool present) {
    if (!present) {
        view_.ShowMessage(Text(TextId::kNoWirelessAdapter));
        view_.EnableAccessPointStart(false);
    }
}

int MainWindowLogic::PageForTab(int tab) const {
    if (tab < 0 || tab >= kMainTabCount) {
        return kNoPage;
    }
    if (tab == kTabDebug && debugPageSwitch_ == 0) {
        return kNoPage;
    }
    return tab;
}

void MainWindowLogic::OnTabChanged() {
    table_.UncheckAll();
    const int tab = view_.CurrentTab();
    view_.ShowOnlyPage(PageForTab(tab));
    table_.SetPage(tab);
    view_.UpdateList();
}

void MainWindowLogic::OnItemChanged(int row) {
    table_.OnItemChanged(row);
    view_.UpdateList();
    if (table_.GetPage() == kTabNetwork) {
        view_.RefreshNetworkPage();
    }
}

void MainWindowLogic::OnTimer() {
    table_.Refresh();
    if (listRefreshed_) {
        listRefreshed_();
    }
    WatchConnectedMonitors(GetMonitorObjectMng(), GetServiceRecord());
    view_.UpdateList();
}

void MainWindowLogic::OnUserMessage(const UserMessage& message) {
    switch (message.id) {
        case WM_UPGRADE_REQUEST:
            if (message.monitor != nullptr && upgradeRequest_) {
                upgradeRequest_(message.monitor);
            }
            break;
        case WM_LANGUAGE_CHANGED:
            BuildTabs();
            table_.RenameColumns();
            view_.RefreshPageCaptions();
            view_.SelectTab(kTabSystem);
            view_.UpdateList();
            break;
        case WM_DEBUG_PACKET:
            if (view_.CurrentTab() == kTabDebug) {
                view_.DebugPageReceived(message.monitor, message.frame);
            }
            break;
        default:
            break;
    }
}

int ReadDebugPageSwitch(const std::string& path) {
    const std::string text = IniFile::ReadString(path, "PageSetting", "DebugPage", "1", 10);
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || errno == ERANGE || value > INT_MAX || value < INT_MIN) {
        return 0;
    }
    return static_cast<int>(value);
}

bool MainWindowLogic::MayClose() {
    if (upgradeRunning_ && upgradeRunning_() &&
        !view_.AskYesNo(Text(TextId::kCloseDuringUpgrade))) {
        return false;
    }
    if (table_.HasPendingOrders() && !view_.AskYesNo(Text(TextId::kCloseWithPendingOrders))) {
        return false;
    }
    return true;
}
