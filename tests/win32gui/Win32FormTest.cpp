// The Win32 front end against real controls made from the program's own dialog templates, under
// Wine on a virtual display: the shared form cases, the templates' control ids, the traffic
// display, clicks reaching the page logic, the UI thread's order and the monitor list mirror.
#include <gtest/gtest.h>

#include "win32/Win32Api.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "FormBehaviourCases.h"
#include "pages/ControlIds.h"
#include "registry/MonitorListModel.h"
#include "win32/Win32Form.h"
#include "win32/Win32MonitorList.h"
#include "win32/Win32Page.h"
#include "win32/Win32ResourceIds.h"
#include "win32/Win32UiThread.h"

namespace {

void InitControls() {
    INITCOMMONCONTROLSEX controls = {
        sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

// A plain top-level window that holds pages, shown so that controls behave as on screen.
class Host {
  public:
    Host() {
        InitControls();
        window_ = ::CreateWindowExW(0, L"STATIC", L"Zr40Tool", WS_POPUP | WS_VISIBLE, 0, 0, 900,
                                    600, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    ~Host() { ::DestroyWindow(window_); }
    HWND Handle() const { return window_; }

  private:
    HWND window_ = nullptr;
};

void PumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs = 5000) {
    const ULONGLONG start = ::GetTickCount64();
    while (!done()) {
        if (::GetTickCount64() - start > timeoutMs) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

// The shared roles on the real page templates.
class Win32FormTraits {
  public:
    Win32FormTraits()
        : net_(host_.Handle(), IDD_NET_PAGE),
          ap_(host_.Handle(), IDD_AP_PAGE),
          module_(host_.Handle(), IDD_MODULE_PAGE),
          system_(host_.Handle(), IDD_SYSTEM_PAGE) {
        for (Win32Page* page : {&net_, &ap_, &module_, &system_}) {
            ::ShowWindow(page->Handle(), SW_SHOW);
        }
    }
    IForm& Form(FormRole role) { return PageOf(role).Form(); }
    int Id(FormRole role) const {
        switch (role) {
            case FormRole::kLabel:
                return NetPageId::kAuthenLabel;
            case FormRole::kEdit:
                return NetPageId::kSsid;
            case FormRole::kPassword:
                return NetPageId::kPassword;
            case FormRole::kAddress:
                return NetPageId::kDeviceIp;
            case FormRole::kEditableList:
                return NetPageId::kAuthen;
            case FormRole::kDropList:
                return SystemPageId::kLanguageSelector;
            case FormRole::kSortedList:
                return APPageId::kAuthen;
            case FormRole::kRadioA1:
                return ModulePageId::kFilterEcg;
            case FormRole::kRadioA2:
                return ModulePageId::kFilterAll;
            case FormRole::kRadioB1:
                return ModulePageId::kModuleSpo2;
            case FormRole::kCheck:
                return NetPageId::kShowPassword;
            case FormRole::kButton:
                return NetPageId::kModify;
        }
        return 0;
    }
    bool IsShown(FormRole role) {
        return (::GetWindowLongW(Control(role), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool IsMasked(FormRole role) {
        return ::SendMessageW(Control(role), EM_GETPASSWORDCHAR, 0, 0) == L'*';
    }

  private:
    HWND Control(FormRole role) { return PageOf(role).Form().Control(Id(role)); }
    Win32Page& PageOf(FormRole role) {
        switch (role) {
            case FormRole::kDropList:
                return system_;
            case FormRole::kSortedList:
                return ap_;
            case FormRole::kRadioA1:
            case FormRole::kRadioA2:
            case FormRole::kRadioB1:
                return module_;
            default:
                return net_;
        }
    }

    Host host_;
    Win32Page net_;
    Win32Page ap_;
    Win32Page module_;
    Win32Page system_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormBehaviour, Win32FormTraits);

TEST(Win32PageTemplates, HoldEveryControlIdOfTheirPage) {
    Host host;
    struct Case {
        int page;
        std::vector<int> ids;
    } cases[] = {
        {IDD_NET_PAGE,
         {1040, 1026, 1041, 1052, 1029, 1027, 1028, 1034, 1032, 1033, 1031, 1030, 1025, 1004, 1020,
          1021, 1022, 1059, 1060, 1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069, 1070}},
        {IDD_MODULE_PAGE, {1071, 1039, 1040, 1047, 1072, 1034, 1035, 1036, 1037, 1038, 1001}},
        {IDD_UPDATE_PAGE, {1073, 1037, 1074, 1036, 1035, 1003, 1075, 1048, 1049}},
        {IDD_DEBUG_PAGE, {1039, 1002, 1044, 1045, 1024, 1003, 1042, 1050}},
        {IDD_AP_PAGE,
         {1053, 1012, 1054, 1015, 1055, 1013, 1051, 1056, 1014, 1008, 1010, 1009, 1057, 1017, 1058,
          1018}},
        {IDD_SYSTEM_PAGE, {1038, 1007, 1076, 1079}},
    };
    for (const Case& c : cases) {
        Win32Page page(host.Handle(), c.page);
        ASSERT_NE(page.Handle(), nullptr) << c.page;
        for (int id : c.ids) {
            EXPECT_NE(page.Form().Control(id), nullptr) << c.page << " lacks " << id;
        }
    }
    // the pages' logic keeps these two hidden until an access point is started
    Win32Page ap(host.Handle(), IDD_AP_PAGE);
    EXPECT_EQ(::GetWindowLongW(ap.Form().Control(APPageId::kStartedSsid), GWL_STYLE) & WS_VISIBLE,
              0);
}

TEST(Win32Page, ClicksReachTheirActionAndKeysPassTheFilter) {
    Host host;
    Win32Page page(host.Handle(), IDD_DEBUG_PAGE);
    ::ShowWindow(page.Handle(), SW_SHOW);
    int sends = 0;
    page.OnClick(DebugPageId::kSend, [&sends] { ++sends; });
    ::SendMessageW(page.Form().Control(DebugPageId::kSend), BM_CLICK, 0, 0);
    ::SendMessageW(page.Form().Control(DebugPageId::kClear), BM_CLICK, 0, 0);  // no action
    EXPECT_EQ(sends, 1);

    std::vector<int> seen;
    page.FilterKeys({DebugPageId::kFrameText}, [&seen](int field, int key) {
        EXPECT_EQ(field, DebugPageId::kFrameText);
        seen.push_back(key);
        return key != 'G';
    });
    MSG key = {};
    key.message = WM_KEYDOWN;
    key.hwnd = page.Form().Control(DebugPageId::kFrameText);
    key.wParam = 'G';
    EXPECT_TRUE(page.PreTranslate(key));  // swallowed
    key.wParam = 'A';
    EXPECT_FALSE(page.PreTranslate(key));
    key.hwnd = page.Form().Control(DebugPageId::kFilterText);  // not filtered
    key.wParam = 'G';
    EXPECT_FALSE(page.PreTranslate(key));
    EXPECT_EQ(seen, (std::vector<int>{'G', 'A'}));
}

TEST(Win32Form, TrafficDisplayAppendsCountsAndDropsFirstLine) {
    Host host;
    Win32Page page(host.Handle(), IDD_DEBUG_PAGE);
    Win32Form& form = page.Form();
    const int id = DebugPageId::kDisplay;
    EXPECT_EQ(form.GetLineCount(id), 0);
    form.AppendText(id, "one\r\n");
    EXPECT_EQ(form.GetLineCount(id), 1);
    form.AppendText(id, "tw");
    EXPECT_EQ(form.GetLineCount(id), 2);  // text after the last break is a line
    form.AppendText(id, "o\nthree\r\n");  // a lone "\n" breaks as well
    EXPECT_EQ(form.GetLineCount(id), 3);
    EXPECT_EQ(form.GetText(id), "one\r\ntwo\r\nthree\r\n");
    form.RemoveFirstLine(id);
    EXPECT_EQ(form.GetText(id), "two\r\nthree\r\n");
    form.SetText(id, "last");
    form.RemoveFirstLine(id);  // no break left: everything goes
    EXPECT_EQ(form.GetText(id), "");
    EXPECT_EQ(form.GetLineCount(id), 0);
}

TEST(Win32UiThread, RunsTasksFromOtherThreadsInPostingOrderAndDropsLateOnes) {
    auto ui = std::make_unique<Win32UiThread>();
    const DWORD uiThread = ::GetCurrentThreadId();
    std::vector<int> order;
    std::atomic<bool> offThread{false};
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i) {
            ui->Post([&order, &offThread, uiThread, i] {
                if (::GetCurrentThreadId() != uiThread) {
                    offThread = true;
                }
                order.push_back(i);
            });
        }
    });
    poster.join();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
    }
    EXPECT_FALSE(offThread);
    bool late = false;
    ui->Post([&late] { late = true; });
    ui.reset();  // the window and its queued task go
    PumpPending();
    EXPECT_FALSE(late);
}

TEST(Win32MonitorList, MirrorsTheModelAndHandsUserChecksBack) {
    Host host;
    HWND listWindow = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 800, 200,
                                        host.Handle(), nullptr, nullptr, nullptr);
    MonitorListModel model;
    Win32MonitorList list(model);
    list.Attach(listWindow);
    model.SetHeader(0, "设备名称");
    model.AppendRow("Zr40-001");
    model.AppendRow("Zr40-002");
    model.SetText(1, 4, "42%");
    model.SetCheck(1, true);
    model.SetVisible(true);
    list.Mirror();
    ASSERT_EQ(ListView_GetItemCount(listWindow), 2);
    wchar_t text[64] = {};
    ListView_GetItemText(listWindow, 1, 4, text, 64);
    EXPECT_STREQ(text, L"42%");
    EXPECT_FALSE(ListView_GetCheckState(listWindow, 0));
    EXPECT_TRUE(ListView_GetCheckState(listWindow, 1));
    EXPECT_TRUE(::IsWindowVisible(listWindow));
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 64;
    ListView_GetColumn(listWindow, 0, &column);
    EXPECT_STREQ(text, L"设备名称");
    // hovering a row shows its whole state text, cut to the tip's buffer
    for (auto [size, expected] : {std::pair{64, L"42%"}, std::pair{3, L"42"}}) {
        wchar_t tipText[64] = L"";
        NMLVGETINFOTIPW tip = {};
        tip.pszText = tipText;
        tip.cchTextMax = size;
        tip.iItem = 1;
        list.OnGetInfoTip(tip);
        EXPECT_STREQ(tipText, expected);
    }

    // the user's click, as the list reports it
    NMLISTVIEW change = {};
    change.iItem = 0;
    change.uChanged = LVIF_STATE;
    change.uOldState = INDEXTOSTATEIMAGEMASK(1);
    change.uNewState = INDEXTOSTATEIMAGEMASK(2);
    EXPECT_EQ(list.OnItemChanged(change), 0);
    EXPECT_TRUE(model.GetCheck(0));
    EXPECT_EQ(list.OnItemChanged(change), -1);  // no change the second time
    change.uOldState = 0;                       // the list's own first state image
    change.iItem = 1;
    EXPECT_EQ(list.OnItemChanged(change), -1);

    model.DeleteRow(0);
    list.Mirror();
    EXPECT_EQ(ListView_GetItemCount(listWindow), 1);
    ListView_GetItemText(listWindow, 0, 0, text, 64);
    EXPECT_STREQ(text, L"Zr40-002");
}
