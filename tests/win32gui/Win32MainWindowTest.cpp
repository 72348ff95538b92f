// The Win32 main window over the real page logic: tabs from the language texts, the start-up
// checks, Enter and Escape, the Tab order, the language switch at run time; and the cases every
// main window shares, worked through real messages in the window's own loop.
#include <gtest/gtest.h>

#include "win32/Win32Api.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "FakeForm.h"
#include "FakeHostedNetwork.h"
#include "FormMisuseCheck.h"
#include "LanguageFolder.h"
#include "MainWindowCases.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "pages/LanguageTexts.h"
#include "pages/MainWindowLayout.h"
#include "registry/CMonitorTable.h"
#include "win32/Win32MainWindow.h"
#include "win32/Win32Text.h"
#include "win32/Win32UiThread.h"

namespace {

template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs = 5000) {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done()) {
            return true;
        }
        if (::GetTickCount64() - start > timeoutMs) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

struct MainWindow : ::testing::Test {
    ScopedLogDir logs;
    LanguageFolder folder;
    Win32UiThread ui;
    FakeDialogs dialogs;
    FakeHostedNetwork hostedNetwork;
    std::unique_ptr<Win32MainWindow> window;

    void SetUp() override {
        FailTestsOnFormMisuse();
        INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                         ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        ::InitCommonControlsEx(&controls);
        IniFile::WriteString(folder.file("LanguageConfig.ini"), "LanguageConfig", "LanguageID",
                             std::to_string(kLanguageEnglish));
        GetLanguageTexts().SetFolder(folder.path());
        GetLanguageTexts().SetUserConfigPath({});
        ASSERT_TRUE(GetLanguageTexts().LoadLanguage());
        GetMonitorTable().SetTextLookup([](int index) { return LanguageText(index); });
        SetUiThread(&ui);
    }
    void TearDown() override {
        window.reset();
        SetUiThread(nullptr);
        GetMonitorTable().SetPage(CMonitorTable::kPageNone);
    }
    void Open(int debugSwitch, int wireless) {
        MainWindowOptions options;
        options.dialogs = &dialogs;
        options.hostedNetwork = &hostedNetwork;
        options.debugPageSwitch = debugSwitch;
        options.wirelessAdapter = wireless;
        options.refreshMs = 0;
        window = std::make_unique<Win32MainWindow>(options);
        ASSERT_NE(window->Handle(), nullptr);
        // drawn before anything that checks drawing arrives
        ::ShowWindow(window->Handle(), SW_SHOW);
        ::UpdateWindow(window->Handle());
    }
    std::string TabText(int index) {
        wchar_t text[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        TabCtrl_GetItem(window->Tabs(), index, &item);
        return win32ui::Utf8(text);
    }
    // The user picks a tab.
    void ChooseTab(int index) {
        TabCtrl_SetCurSel(window->Tabs(), index);
        NMHDR header = {window->Tabs(), IDC_MAIN_TAB, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageW(window->Handle(), WM_NOTIFY, IDC_MAIN_TAB,
                       reinterpret_cast<LPARAM>(&header));
    }
    int VisiblePage() {
        int shown = -1;
        for (int tab = 0; tab < kMainTabCount; ++tab) {
            if (::IsWindowVisible(window->Page(tab)->Handle())) {
                EXPECT_EQ(shown, -1) << "two pages shown";
                shown = tab;
            }
        }
        return shown;
    }
};

TEST_F(MainWindow, SixTabsStartUpChecksAndTheDebugSwitch) {
    Open(0, 0);
    const char* const tabs[] = {
        "Access Point", "Network Settings", "Module Settings", "Upgrade", "Debug", "System"};
    ASSERT_EQ(TabCtrl_GetItemCount(window->Tabs()), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(TabText(i), tabs[i]);
    }
    EXPECT_EQ(VisiblePage(), kTabAccessPoint);
    // no wireless adapter: told once, and no access point can be started
    ASSERT_TRUE(PumpUntil([&] { return !dialogs.messages.empty(); }));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{LanguageText(TextId::kNoWirelessAdapter)});
    EXPECT_FALSE(window->Page(kTabAccessPoint)->Form().IsEnabled(APPageId::kStart));
    ChooseTab(kTabDebug);  // switched off: no page
    EXPECT_EQ(VisiblePage(), -1);
    ChooseTab(kTabNetwork);
    EXPECT_EQ(VisiblePage(), kTabNetwork);
    EXPECT_EQ(GetMonitorTable().GetPage(), kTabNetwork);
}

TEST_F(MainWindow, EnterAndEscapeKeepTheWindowTheCloseBoxClosesIt) {
    Open(1, 1);
    ::SendMessageW(window->Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(::IsWindow(window->Handle()));
    ::SendMessageW(window->Handle(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_NE(window->Handle(), nullptr);
    EXPECT_TRUE(::IsWindow(window->Handle()));
    EXPECT_TRUE(dialogs.questions.empty());
    // every Tab stop is a control that can show its focus: visible, enabled, not a label, and
    // not the monitor list while it is empty (the network page shows it)
    for (int tab : {kTabAccessPoint, kTabNetwork}) {
        ChooseTab(tab);
        HWND start = ::GetDlgItem(window->Handle(), IDC_MAIN_TAB);
        HWND stop = start;
        for (int i = 0; i < 64; ++i) {
            stop = ::GetNextDlgTabItem(window->Handle(), stop, FALSE);
            ASSERT_NE(stop, nullptr);
            if (stop == start) {
                break;
            }
            wchar_t name[32] = {};
            ::GetClassNameW(stop, name, 32);
            const std::string what =
                win32ui::Utf8(name) + " " + std::to_string(::GetDlgCtrlID(stop));
            EXPECT_TRUE(::IsWindowVisible(stop) && ::IsWindowEnabled(stop)) << what;
            EXPECT_NE(::lstrcmpiW(name, L"Static"), 0) << what;
            EXPECT_NE(::lstrcmpiW(name, L"#32770"), 0) << what;
            EXPECT_NE(stop, ::GetDlgItem(window->Handle(), IDC_MONITOR_LIST)) << "tab " << tab;
        }
        EXPECT_EQ(stop, start) << "the Tab order never comes back to the tab row, tab " << tab;
    }
    ::SendMessageW(window->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window->Handle(), nullptr);
}

TEST_F(MainWindow, LanguageSwitchRecaptionsAndSelectsTheSystemTab) {
    Open(1, 1);
    ChooseTab(kTabSystem);  // where the language is chosen
    GetLanguageTexts().SetLanguage(kLanguageChinese);
    ASSERT_TRUE(PumpUntil([&] { return TabText(0) == "接入点"; }));
    EXPECT_EQ(TabText(5), "系统");
    EXPECT_EQ(window->Page(kTabNetwork)->Form().GetText(NetPageId::kModify), "修改");
    EXPECT_EQ(window->Page(kTabDebug)->Form().GetText(DebugPageId::kFilterLabel), "筛选命令字：");
    EXPECT_EQ(TabCtrl_GetCurSel(window->Tabs()), kTabSystem);
    EXPECT_EQ(VisiblePage(), kTabSystem);
    GetLanguageTexts().SetLanguage(kLanguageEnglish);
    ASSERT_TRUE(PumpUntil([&] { return TabText(0) == "Access Point"; }));
}

// The Win32 window for the shared cases, worked through real messages in its own loop.
class Win32WindowDriver {
  public:
    Win32WindowDriver() {
        INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                         ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        ::InitCommonControlsEx(&controls);
        IniFile::WriteString(folder_.file("LanguageConfig.ini"), "LanguageConfig", "LanguageID",
                             std::to_string(kLanguageEnglish));
        GetLanguageTexts().SetFolder(folder_.path());
        GetLanguageTexts().SetUserConfigPath({});
        loaded_ = GetLanguageTexts().LoadLanguage();
        GetMonitorTable().SetTextLookup([](int index) { return LanguageText(index); });
        SetUiThread(&ui_);
    }
    ~Win32WindowDriver() {
        window_.reset();
        SetUiThread(nullptr);
        GetMonitorTable().SetPage(CMonitorTable::kPageNone);
    }
    void Open(const MainWindowOptions& options) {
        ASSERT_TRUE(loaded_);
        FailTestsOnFormMisuse();
        window_ = std::make_unique<Win32MainWindow>(options);
        ASSERT_NE(window_->Handle(), nullptr);
        ::ShowWindow(window_->Handle(), SW_SHOW);
        ::UpdateWindow(window_->Handle());
    }
    FakeDialogs& Dialogs() { return dialogs_; }
    bool IsOpen() const { return window_ && window_->Handle() != nullptr; }
    MonitorListModel& Model() { return window_->Model(); }
    // A click in the middle of the tab, as the mouse gives it.
    void ChooseTab(int tab) {
        HWND tabs = window_->Tabs();
        if (TabCtrl_GetCurSel(tabs) == tab) {
            return;  // a click on the tab shown changes nothing
        }
        RECT rect = {};
        TabCtrl_GetItemRect(tabs, tab, &rect);
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(tabs, WM_LBUTTONUP, 0, at);
        EXPECT_TRUE(Pump(
            [&] { return TabCtrl_GetCurSel(tabs) == tab && GetMonitorTable().GetPage() == tab; },
            5000))
            << tab;
    }
    IForm& Page(int tab) { return window_->Page(tab)->Form(); }
    void Click(int tab, int id) {
        ::SendMessageW(window_->Page(tab)->Form().Control(id), BM_CLICK, 0, 0);
    }
    // The key goes to the focused field through the window's own loop (PreTranslate: the
    // dialog keyboard), as a key from the keyboard does.
    void PressEscape(int tab, int id) { PressKey(tab, id, VK_ESCAPE); }
    void PressEnter(int tab, int id) { PressKey(tab, id, VK_RETURN); }
    void PressCloseBox() {
        ::PostMessageW(window_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpQueue();
    }
    bool RowChecked(int row) {
        return ListView_GetCheckState(window_->List().Handle(), static_cast<UINT>(row)) != FALSE;
    }
    // LVM_SETITEMSTATE through the control: it tells the window with LVN_ITEMCHANGED.
    void CheckRow(int row, bool on) {
        ListView_SetCheckState(window_->List().Handle(), static_cast<UINT>(row), on ? TRUE : FALSE);
        PumpQueue();
    }
    bool Pump(const std::function<bool()>& done, int timeoutMs) {
        const ULONGLONG start = ::GetTickCount64();
        for (;;) {
            PumpQueue();
            if (done()) {
                return true;
            }
            if (::GetTickCount64() - start > static_cast<ULONGLONG>(timeoutMs)) {
                return false;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

  private:
    void PressKey(int tab, int id, UINT key) {
        HWND field = window_->Page(tab)->Form().Control(id);
        ASSERT_NE(field, nullptr) << id;
        ::SetFocus(field);
        ASSERT_EQ(::GetFocus(), field) << id;
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        ::PostMessageW(field, WM_KEYDOWN, key, scan | 1);
        ::PostMessageW(field, WM_KEYUP, key, scan | 1 | (1LL << 30) | (1LL << 31));
        PumpQueue();
    }
    // Everything queued so far, through the loop Run() uses.
    void PumpQueue() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (window_ && window_->Handle() != nullptr && window_->PreTranslate(message)) {
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    LanguageFolder folder_;
    bool loaded_ = false;
    Win32UiThread ui_;
    FakeDialogs dialogs_;
    std::unique_ptr<Win32MainWindow> window_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MainWindowBehaviour, Win32WindowDriver);
