// The Win32 main window over the real page logic: tabs from the language texts, the start-up
// checks, Enter and Escape, and the language switch at run time.
#include <gtest/gtest.h>

#include "win32/Win32Api.h"

#include <memory>
#include <string>

#include "FakeForm.h"
#include "FakeHostedNetwork.h"
#include "LanguageFolder.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "pages/ControlIds.h"
#include "pages/LanguageTexts.h"
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
        NMHDR header = {window->Tabs(), 1005, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageW(window->Handle(), WM_NOTIFY, 1005, reinterpret_cast<LPARAM>(&header));
    }
    int VisiblePage() {
        int shown = -1;
        for (int tab = 0; tab < kMainTabCount; ++tab) {
            if (::IsWindowVisible(window->PageOfTab(tab)->Handle())) {
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
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{LanguageText(76)});
    EXPECT_FALSE(window->PageOfTab(kTabAccessPoint)->Form().IsEnabled(APPageId::kStart));
    ChooseTab(kTabDebug);  // switched off: no page
    EXPECT_EQ(VisiblePage(), -1);
    ChooseTab(kTabNetwork);
    EXPECT_EQ(VisiblePage(), kTabNetwork);
    EXPECT_EQ(GetMonitorTable().GetPage(), kTabNetwork);
}

TEST_F(MainWindow, EnterKeepsTheWindowEscapeClosesIt) {
    Open(1, 1);
    ::SendMessageW(window->Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(::IsWindow(window->Handle()));
    ::SendMessageW(window->Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(window->Handle(), nullptr);
}

TEST_F(MainWindow, LanguageSwitchRecaptionsAndSelectsTheSystemTab) {
    Open(1, 1);
    ChooseTab(kTabSystem);  // where the language is chosen
    GetLanguageTexts().SetLanguage(kLanguageChinese);
    ASSERT_TRUE(PumpUntil([&] { return TabText(0) == "接入点"; }));
    EXPECT_EQ(TabText(5), "系统");
    EXPECT_EQ(window->PageOfTab(kTabNetwork)->Form().GetText(NetPageId::kModify), "修改");
    EXPECT_EQ(window->PageOfTab(kTabDebug)->Form().GetText(DebugPageId::kFilterLabel),
              "筛选命令字：");
    EXPECT_EQ(TabCtrl_GetCurSel(window->Tabs()), kTabSystem);
    EXPECT_EQ(VisiblePage(), kTabSystem);
    GetLanguageTexts().SetLanguage(kLanguageEnglish);
    ASSERT_TRUE(PumpUntil([&] { return TabText(0) == "Access Point"; }));
}

}  // namespace
