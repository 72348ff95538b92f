#include "win32/Win32MainWindow.h"

#include <tuple>

#include "pages/MainWindowLayout.h"
#include "win32/Win32ResourceIds.h"
#include "win32/Win32Text.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// handled once the message loop runs and the window is on screen, so the message stands in front
// of what it is about
constexpr UINT kReportAdapter = WM_APP + 0x41;

}  // namespace

Win32MainWindow::Win32MainWindow(MainWindowOptions options) : options_(std::move(options)) {
    IDialogs& dialogs = options_.dialogs != nullptr ? *options_.dialogs : ownDialogs_;
    core_ = std::make_unique<MainWindow>(static_cast<IWindowControls&>(*this), dialogs, options_);
    list_ = std::make_unique<Win32MonitorList>(core_->Model());
    window_ =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ZR40TOOL_DIALOG),
                             nullptr, &Win32MainWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) {
        return;
    }
    ownDialogs_.SetOwner(window_);
    SetIcons();
    tabs_ = ::GetDlgItem(window_, IDC_MAIN_TAB);
    list_->Attach(::GetDlgItem(window_, IDC_MONITOR_LIST));
    // created in this order, as children of the window (beside the tab control, above it)
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        pages_[static_cast<std::size_t>(tab)] =
            std::make_unique<Win32Page>(window_, *kPageLayouts[static_cast<std::size_t>(tab)]);
    }
    core_->Assemble();
    // the tab row exists now; the pages go under it
    PlacePages();
    if (options_.refreshMs > 0) {
        ::SetTimer(window_, kRefreshTimer, static_cast<UINT>(options_.refreshMs), nullptr);
    }
    ::PostMessageW(window_, kReportAdapter, 0, 0);
}

Win32MainWindow::~Win32MainWindow() {
    if (window_ != nullptr) {
        ::KillTimer(window_, kRefreshTimer);
    }
    core_.reset();
    for (auto& page : pages_) {
        page.reset();
    }
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, DWLP_USER, 0);
        ::DestroyWindow(window_);
    }
}

IForm& Win32MainWindow::PageForm(int tab) {
    return Page(tab)->Form();
}

void Win32MainWindow::Bind(int tab, const std::vector<PageBinding>& bindings) {
    Page(tab)->Bind(bindings);
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
    for (auto& page : pages_) {
        ::SetWindowPos(page->Handle(), HWND_TOP, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
    }
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
    for (const auto& page : pages_) {
        if (page != nullptr && page->PreTranslate(message)) {
            return true;  // swallowed: the character never reaches the field
        }
    }
    return window_ != nullptr && ::IsDialogMessageW(window_, &message) != FALSE;
}

void Win32MainWindow::RequestClose() {
    if (core_->Logic().MayClose()) {
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
    // nothing reaches the window's logic once it has gone (its pages are being destroyed)
    if (self == nullptr || self->window_ == nullptr || self->core_ == nullptr) {
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

INT_PTR Win32MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                core_->Logic().OnTimer();
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
                core_->ReportWirelessAdapter();
                return TRUE;
            }
            return FALSE;
    }
}

LRESULT Win32MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        core_->Logic().OnTabChanged();
        return 0;
    }
    if (header.hwndFrom == list_->Handle()) {
        if (header.code == LVN_ITEMCHANGED) {
            const int row = list_->OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
            if (row >= 0) {
                core_->Logic().OnItemChanged(row);
            }
            return 0;
        }
        if (header.code == LVN_GETINFOTIPW) {
            list_->OnGetInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header)));
            return 0;
        }
        if (header.code == NM_CUSTOMDRAW) {
            return list_->OnCustomDraw(
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
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        ::ShowWindow(Page(tab)->Handle(), tab == page ? SW_SHOWNA : SW_HIDE);
    }
}

void Win32MainWindow::MirrorList(bool progressColumnActive) {
    list_->SetProgressColumnActive(progressColumnActive);
    list_->Mirror();
}
