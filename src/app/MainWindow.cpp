#include "app/MainWindow.h"

#include "app/DispatchRouter.h"
#include "app/PageBindings.h"
#include "network/IDispatchSink.h"
#include "pages/APPageLayout.h"
#include "pages/CAPConfigDlg.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/CModuleConfigDlg.h"
#include "pages/CNetConfigDlg.h"
#include "pages/CSystemConfigDlg.h"
#include "pages/CUpdateConfigDlg.h"
#include "pages/DebugPageLayout.h"
#include "pages/IDialogs.h"
#include "pages/LanguageTexts.h"
#include "platform/WirelessAdapter.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

// The monitor list's five headings, column by column.
constexpr TextId kListHeadings[MonitorListModel::kColumns] = {
    TextId::kDeviceName, TextId::kDeviceIp, TextId::kGuid, TextId::kBedNo, TextId::kConfigState};

}  // namespace

MainWindow::MainWindow(IWindowControls& controls, IDialogs& dialogs, MainWindowOptions options)
    : controls_(controls),
      dialogs_(dialogs),
      options_(std::move(options)),
      table_(GetMonitorTable()),
      logic_(
          *this, table_, [](int index) { return LanguageText(index); },
          [](MonitorObject* monitor) { GetUpdateConfigManager().UpdateUpgradeReq(monitor); }) {
    logic_.SetUpgradeRunning([] { return GetUpdateConfigManager().IsUpgradeRunning(); });
}

MainWindow::~MainWindow() {
    if (assembled_) {
        SetUserMessageSink(nullptr);
        SetDispatchSink(nullptr);
        // The invitation thread reads the list; it must be gone before the list is.
        GetUpdateConfigManager().StopUpgradePolling();
        table_.SetList(nullptr);
    }
    accessPoint_.reset();
    network_.reset();
    module_.reset();
    upgrade_.reset();
    debug_.reset();
    system_.reset();
}

void MainWindow::BuildPages() {
    IForm& ap = controls_.PageForm(kTabAccessPoint);
    accessPoint_ =
        options_.hostedNetwork != nullptr
            ? std::make_unique<CAPConfigDlg>(ap, dialogs_, *options_.hostedNetwork,
                                             [](int index) { return LanguageText(index); })
            : std::make_unique<CAPConfigDlg>(ap, dialogs_);
    network_ = std::make_unique<CNetConfigDlg>(controls_.PageForm(kTabNetwork), dialogs_);
    module_ = std::make_unique<CModuleConfigDlg>(controls_.PageForm(kTabModule), dialogs_);
    upgrade_ = std::make_unique<CUpdateConfigDlg>(controls_.PageForm(kTabUpgrade), dialogs_);
    IForm& debug = controls_.PageForm(kTabDebug);
    display_ = std::make_unique<FormDisplay>(debug, DebugPageId::kDisplay);
    debug_ = std::make_unique<CDebugConfigDlg>(debug, dialogs_, *display_);
    system_ = std::make_unique<CSystemConfigDlg>(controls_.PageForm(kTabSystem), dialogs_);

    controls_.Bind(kTabAccessPoint, PageBindings(*accessPoint_));
    controls_.Bind(kTabNetwork, PageBindings(*network_));
    controls_.Bind(kTabModule, PageBindings(*module_));
    controls_.Bind(kTabUpgrade, PageBindings(*upgrade_));
    controls_.Bind(kTabDebug, PageBindings(*debug_));
    controls_.Bind(kTabSystem, PageBindings(*system_));

    // the pages fill their controls in this order
    for (int tab : {kTabAccessPoint, kTabUpgrade, kTabNetwork, kTabModule, kTabDebug, kTabSystem}) {
        Page(tab).InitForm();
    }
}

void MainWindow::Assemble() {
    BuildPages();
    for (int i = 0; i < MonitorListModel::kColumns; ++i) {
        model_.SetHeader(i, LanguageText(kListHeadings[i]));
    }
    model_.SetVisible(false);
    table_.SetList(&model_);

    const int debugSwitch = options_.debugPageSwitch >= 0
                                ? options_.debugPageSwitch
                                : ReadDebugPageSwitch(options_.settingsPath);
    wireless_ =
        options_.wirelessAdapter >= 0 ? options_.wirelessAdapter != 0 : HasWirelessAdapter();
    logic_.Initialise(debugSwitch);

    SetUserMessageSink(&logic_);
    SetDispatchSink(&GetDispatchRouter());
    assembled_ = true;
}

IPage& MainWindow::Page(int tab) {
    switch (tab) {
        case kTabAccessPoint:
            return *accessPoint_;
        case kTabNetwork:
            return *network_;
        case kTabModule:
            return *module_;
        case kTabUpgrade:
            return *upgrade_;
        case kTabDebug:
            return *debug_;
        default:
            return *system_;
    }
}

void MainWindow::RebuildTabs(const std::array<std::string, kMainTabCount>& captions) {
    controls_.RebuildTabs(captions);
}

int MainWindow::CurrentTab() const {
    return controls_.CurrentTab();
}

void MainWindow::SelectTab(int index) {
    controls_.SelectTab(index);
}

void MainWindow::ShowOnlyPage(int page) {
    controls_.ShowOnlyPage(page);
}

void MainWindow::RefreshPageCaptions() {
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        Page(tab).RefreshCaptions();
    }
}

void MainWindow::RefreshNetworkPage() {
    network_->OnListItemChanged();
}

void MainWindow::DebugPageReceived(MonitorObject* monitor, const std::vector<std::uint8_t>& frame) {
    debug_->OnReceivedFrame(monitor, frame);
}

void MainWindow::UpdateList() {
    controls_.MirrorList(table_.GetPage() == CMonitorTable::kPageUpgrade);
}

void MainWindow::ShowMessage(const std::string& text) {
    dialogs_.MessageBox(text);
}

bool MainWindow::AskYesNo(const std::string& text) {
    return dialogs_.AskYesNo(text);
}

void MainWindow::EnableAccessPointStart(bool enabled) {
    controls_.PageForm(kTabAccessPoint).Enable(APPageId::kStart, enabled);
}
