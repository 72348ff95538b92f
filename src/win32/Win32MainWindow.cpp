#include "win32/Win32MainWindow.h"

#include <tuple>

#include "app/DispatchRouter.h"
#include "network/IDispatchSink.h"
#include "pages/CAPConfigDlg.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/CModuleConfigDlg.h"
#include "pages/CNetConfigDlg.h"
#include "pages/CSystemConfigDlg.h"
#include "pages/CUpdateConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/LanguageTexts.h"
#include "platform/WirelessAdapter.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"
#include "win32/Win32ResourceIds.h"
#include "win32/Win32Text.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// handled once the message loop runs and the window is on screen, so the message stands in front
// of what it is about
constexpr UINT kReportAdapter = WM_APP + 0x41;

}  // namespace

Win32MainWindow::Win32MainWindow(MainWindowOptions options)
    : table_(GetMonitorTable()),
      dialogs_(options.dialogs != nullptr ? *options.dialogs : ownDialogs_),
      logic_(
          *this, table_, [](int index) { return LanguageText(index); },
          [](MonitorObject* monitor) { GetUpdateConfigManager().UpdateUpgradeReq(monitor); }),
      list_(model_),
      options_(std::move(options)) {
    logic_.SetUpgradeRunning([] { return GetUpdateConfigManager().IsUpgradeRunning(); });
    window_ =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ZR40TOOL_DIALOG),
                             nullptr, &Win32MainWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) {
        return;
    }
    ownDialogs_.SetOwner(window_);
    SetIcons();
    tabs_ = ::GetDlgItem(window_, IDC_MAIN_TAB);
    list_.Attach(::GetDlgItem(window_, IDC_MONITOR_LIST));

    BuildPages(options_.hostedNetwork);
    for (int i = 0; i < MonitorListModel::kColumns; ++i) {
        static const int kHeadings[MonitorListModel::kColumns] = {6, 8, 7, 9, 10};
        model_.SetHeader(i, LanguageText(kHeadings[i]));
    }
    model_.SetVisible(false);
    table_.SetList(&model_);

    const int debugSwitch = options_.debugPageSwitch >= 0
                                ? options_.debugPageSwitch
                                : ReadDebugPageSwitch(options_.settingsPath);
    wireless_ =
        options_.wirelessAdapter >= 0 ? options_.wirelessAdapter != 0 : HasWirelessAdapter();
    // the tab row exists before the pages are placed under it
    logic_.Initialise(debugSwitch);
    PlacePages();

    SetUserMessageSink(&logic_);
    SetDispatchSink(&GetDispatchRouter());
    if (options_.refreshMs > 0) {
        ::SetTimer(window_, kRefreshTimer, static_cast<UINT>(options_.refreshMs), nullptr);
    }
    ::PostMessageW(window_, kReportAdapter, 0, 0);
}

Win32MainWindow::~Win32MainWindow() {
    if (window_ != nullptr) {
        ::KillTimer(window_, kRefreshTimer);
    }
    SetUserMessageSink(nullptr);
    SetDispatchSink(nullptr);
    // The invitation thread reads the list; it must be gone before the list is.
    GetUpdateConfigManager().StopUpgradePolling();
    table_.SetList(nullptr);
    apLogic_.reset();
    netLogic_.reset();
    moduleLogic_.reset();
    updateLogic_.reset();
    debugLogic_.reset();
    systemLogic_.reset();
    pages_.clear();
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, DWLP_USER, 0);
        ::DestroyWindow(window_);
    }
}

void Win32MainWindow::BuildPages(HostedNetwork* hostedNetwork) {
    // created in this order, as children of the window (beside the tab control, above it)
    const std::pair<int, int> templates[] = {
        {kTabAccessPoint, IDD_AP_PAGE}, {kTabNetwork, IDD_NET_PAGE}, {kTabModule, IDD_MODULE_PAGE},
        {kTabUpgrade, IDD_UPDATE_PAGE}, {kTabDebug, IDD_DEBUG_PAGE}, {kTabSystem, IDD_SYSTEM_PAGE}};
    for (const auto& [tab, id] : templates) {
        pages_[tab] = std::make_unique<Win32Page>(window_, id);
    }

    Win32Page& ap = *pages_[kTabAccessPoint];
    apLogic_ = hostedNetwork != nullptr
                   ? std::make_unique<CAPConfigDlg>(ap.Form(), dialogs_, *hostedNetwork,
                                                    [](int index) { return LanguageText(index); })
                   : std::make_unique<CAPConfigDlg>(ap.Form(), dialogs_);
    {
        using namespace APPageId;
        CAPConfigDlg* page = apLogic_.get();
        ap.OnClick(kShowPassword, [page] { page->OnShowPassword(); });
        ap.OnClick(kStart, [page] { page->OnStart(); });
        ap.OnClick(kSave, [page] { page->OnSave(); });
        ap.OnClick(kLoad, [page] { page->OnLoad(); });
    }

    Win32Page& net = *pages_[kTabNetwork];
    netLogic_ = std::make_unique<CNetConfigDlg>(net.Form(), dialogs_);
    {
        using namespace NetPageId;
        CNetConfigDlg* page = netLogic_.get();
        net.OnClick(kShowPassword, [page] { page->OnShowPassword(); });
        net.OnClick(kModify, [page] { page->OnModify(); });
        net.OnClick(kSave, [page] { page->OnSave(); });
        net.OnClick(kLoad, [page] { page->OnLoad(); });
        net.OnClick(kAddressOnly, [page] { page->OnToggleAddressOnly(); });
    }

    Win32Page& module = *pages_[kTabModule];
    moduleLogic_ = std::make_unique<CModuleConfigDlg>(module.Form(), dialogs_);
    {
        using namespace ModulePageId;
        CModuleConfigDlg* page = moduleLogic_.get();
        module.OnClick(kFilterEcg, [page] { page->OnFilterEcg(); });
        module.OnClick(kFilterEcgSpo2, [page] { page->OnFilterEcgSpo2(); });
        module.OnClick(kFilterAll, [page] { page->OnFilterAll(); });
        for (int id :
             {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp, kModuleEcgSpo2Resp}) {
            module.OnClick(id, [page, id] { page->OnModuleButton(id); });
        }
        module.OnClick(kModify, [page] { page->OnModify(); });
    }

    Win32Page& update = *pages_[kTabUpgrade];
    updateLogic_ = std::make_unique<CUpdateConfigDlg>(update.Form(), dialogs_);
    {
        CUpdateConfigDlg* page = updateLogic_.get();
        update.OnClick(UpdatePageId::kBrowse, [page] { page->OnBrowse(); });
        update.OnClick(UpdatePageId::kStart, [page] { page->OnStart(); });
    }

    Win32Page& debug = *pages_[kTabDebug];
    display_ = std::make_unique<Display>(debug.Form(), DebugPageId::kDisplay);
    ::SendMessageW(debug.Form().Control(DebugPageId::kDisplay), EM_SETLIMITTEXT, 0, 0);
    debugLogic_ = std::make_unique<CDebugConfigDlg>(debug.Form(), dialogs_, *display_);
    {
        using namespace DebugPageId;
        CDebugConfigDlg* page = debugLogic_.get();
        debug.OnClick(kSend, [page] { page->OnSend(); });
        debug.OnClick(kConfirmFilter, [page] { page->OnConfirmFilter(); });
        debug.OnClick(kClear, [page] { page->OnClear(); });
        debug.OnClick(kPause, [page] { page->OnPause(); });
        debug.OnClick(kSaveFile, [page] { page->OnSaveFile(); });
        debug.FilterKeys({kFrameText, kFilterText},
                         [page](int field, int key) { return page->OnKeyDown(field, key); });
    }

    Win32Page& system = *pages_[kTabSystem];
    systemLogic_ = std::make_unique<CSystemConfigDlg>(system.Form(), dialogs_);
    {
        CSystemConfigDlg* page = systemLogic_.get();
        system.OnClick(SystemPageId::kLanguageButton, [page] { page->OnLanguageButton(); });
        system.OnClick(SystemPageId::kExportInventory, [page] { page->OnExportInventory(); });
    }

    apLogic_->InitForm();
    updateLogic_->FillTexts();
    netLogic_->InitForm();
    moduleLogic_->RefreshCaptions();
    debugLogic_->FillTexts();
    systemLogic_->FillTexts();
}

void Win32MainWindow::SetIcons() {
    // the title bar's small icon and the taskbar's (Alt+Tab) big one, each in its system size
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (const auto& [which, metricX, metricY] : {std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON},
                                                  std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}}) {
        const HANDLE icon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZR40TOOL), IMAGE_ICON,
                                         ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY),
                                         LR_DEFAULTCOLOR | LR_SHARED);
        if (icon != nullptr) {
            ::SendMessageW(window_, WM_SETICON, static_cast<WPARAM>(which),
                           reinterpret_cast<LPARAM>(icon));
        }
    }
}

void Win32MainWindow::PlacePages() {
    // the tab's display area, in the window's client coordinates
    RECT area = {};
    ::GetWindowRect(tabs_, &area);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(tabs_, FALSE, &area);
    for (auto& entry : pages_) {
        ::SetWindowPos(entry.second->Handle(), HWND_TOP, area.left, area.top,
                       area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
    }
}

Win32Page* Win32MainWindow::PageOfTab(int tab) const {
    auto it = pages_.find(tab);
    return it == pages_.end() ? nullptr : it->second.get();
}

void Win32MainWindow::Run() {
    if (window_ == nullptr) {
        return;
    }
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
    MSG message;
    while (::IsWindow(window_) && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!PreTranslate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

bool Win32MainWindow::PreTranslate(MSG& message) {
    const Win32Page* debug = PageOfTab(kTabDebug);
    if (debug != nullptr && debug->PreTranslate(message)) {
        return true;  // swallowed: the character never reaches the field
    }
    return window_ != nullptr && ::IsDialogMessageW(window_, &message) != FALSE;
}

void Win32MainWindow::RequestClose() {
    if (logic_.MayClose()) {
        ::DestroyWindow(window_);
    }
}

INT_PTR CALLBACK Win32MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr || self->window_ == nullptr) {
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

INT_PTR Win32MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                logic_.OnTimer();
            }
            return TRUE;
        case WM_NOTIFY: {
            const LRESULT result = OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
            ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_COMMAND:
            // Enter (IDOK) confirms the field it was typed in and Escape (IDCANCEL) leaves it:
            // neither closes the window, cuts the monitors off or presses a button the user
            // did not aim at. Only the close box and Alt+F4 close it, through WM_CLOSE.
            return TRUE;
        case WM_CLOSE:
            RequestClose();
            return TRUE;
        case WM_DESTROY:
            window_ = nullptr;
            return TRUE;
        default:
            if (message == kReportAdapter) {
                logic_.ReportWirelessAdapter(wireless_);
                return TRUE;
            }
            return FALSE;
    }
}

LRESULT Win32MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        logic_.OnTabChanged();
        return 0;
    }
    if (header.hwndFrom == list_.Handle()) {
        if (header.code == LVN_ITEMCHANGED) {
            const int row = list_.OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
            if (row >= 0) {
                logic_.OnItemChanged(row);
            }
            return 0;
        }
        if (header.code == LVN_GETINFOTIPW) {
            list_.OnGetInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header)));
            return 0;
        }
        if (header.code == NM_CUSTOMDRAW) {
            return list_.OnCustomDraw(
                *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
        }
    }
    return 0;
}

void Win32MainWindow::RebuildTabs(const std::array<std::string, kMainTabCount>& captions) {
    TabCtrl_DeleteAllItems(tabs_);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        std::wstring text = win32ui::Wide(captions[i]);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        ::SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

int Win32MainWindow::CurrentTab() const {
    return TabCtrl_GetCurSel(tabs_);
}

void Win32MainWindow::SelectTab(int index) {
    TabCtrl_SetCurSel(tabs_, index);
}

void Win32MainWindow::ShowOnlyPage(int page) {
    for (auto& entry : pages_) {
        ::ShowWindow(entry.second->Handle(), entry.first == page ? SW_SHOWNA : SW_HIDE);
    }
}

void Win32MainWindow::RefreshPageCaptions() {
    apLogic_->RefreshCaptions();
    netLogic_->RefreshCaptions();
    moduleLogic_->RefreshCaptions();
    updateLogic_->RefreshCaptions();
    debugLogic_->RefreshCaptions();
    systemLogic_->RefreshCaptions();
}

void Win32MainWindow::RefreshNetworkPage() {
    netLogic_->OnListItemChanged();
}

void Win32MainWindow::DebugPageReceived(MonitorObject* monitor,
                                        const std::vector<std::uint8_t>& frame) {
    debugLogic_->OnReceivedFrame(monitor, frame);
}

void Win32MainWindow::UpdateList() {
    list_.SetProgressColumnActive(table_.GetPage() == CMonitorTable::kPageUpgrade);
    list_.Mirror();
}

void Win32MainWindow::ShowMessage(const std::string& text) {
    dialogs_.MessageBox(text);
}

bool Win32MainWindow::AskYesNo(const std::string& text) {
    return dialogs_.AskYesNo(text);
}

void Win32MainWindow::EnableAccessPointStart(bool enabled) {
    pages_[kTabAccessPoint]->Form().Enable(APPageId::kStart, enabled);
}
