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
#include "FormMisuseCheck.h"
#include "pages/MainWindowLayout.h"
#include "registry/MonitorListModel.h"
#include "win32/Win32Form.h"
#include "win32/Win32MonitorList.h"
#include "win32/Win32Page.h"
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
        FailTestsOnFormMisuse();
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
        : net_(host_.Handle(), kNetPageLayout),
          ap_(host_.Handle(), kAPPageLayout),
          module_(host_.Handle(), kModulePageLayout),
          system_(host_.Handle(), kSystemPageLayout) {
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

// The dialog templates are made from the pages' descriptions by the resource compiler: each
// control is there with the class, styles, place and size its row gives.
TEST(Win32PageTemplates, HoldEveryControlAsItsPageDescribesIt) {
    Host host;
    for (const PageLayout* layout : kPageLayouts) {
        Win32Page page(host.Handle(), *layout);
        ASSERT_NE(page.Handle(), nullptr) << layout->name;
        for (const ControlRow& row : layout->controls) {
            if (row.id < 0) {
                continue;
            }
            SCOPED_TRACE(std::string(layout->name) + " " + row.name);
            HWND control = page.Form().Control(row.id);
            ASSERT_NE(control, nullptr);
            wchar_t className[32] = {};
            ::GetClassNameW(control, className, 32);
            const LONG style = ::GetWindowLongW(control, GWL_STYLE);
            const LONG button = style & BS_TYPEMASK;
            switch (row.kind) {
                case ControlKind::kLabel:
                    EXPECT_STREQ(className, L"Static");
                    break;
                case ControlKind::kEdit:
                case ControlKind::kPassword:
                case ControlKind::kDisplay:
                    EXPECT_STREQ(className, L"Edit");
                    EXPECT_EQ((style & ES_PASSWORD) != 0, row.kind == ControlKind::kPassword);
                    EXPECT_EQ((style & ES_MULTILINE) != 0, row.kind == ControlKind::kDisplay);
                    break;
                case ControlKind::kAddress:
                    EXPECT_STREQ(className, WC_IPADDRESSW);
                    break;
                case ControlKind::kList:
                case ControlKind::kSortedList:
                case ControlKind::kDropList:
                    EXPECT_STREQ(className, L"ComboBox");
                    EXPECT_EQ((style & 3) == CBS_DROPDOWNLIST, row.kind == ControlKind::kDropList);
                    EXPECT_EQ((style & CBS_SORT) != 0, row.kind == ControlKind::kSortedList);
                    break;
                default: {
                    EXPECT_STREQ(className, L"Button");
                    const LONG expected[] = {BS_GROUPBOX,
                                             0,
                                             0,
                                             0,
                                             0,
                                             BS_PUSHBUTTON,
                                             BS_DEFPUSHBUTTON,
                                             BS_AUTOCHECKBOX,
                                             BS_AUTORADIOBUTTON};
                    EXPECT_EQ(button, expected[static_cast<int>(row.kind)]);
                }
            }
            EXPECT_EQ((style & WS_VISIBLE) == 0, row.flag == ControlFlag::kHidden);
            if (IsButton(row.kind) || row.kind == ControlKind::kGroup) {
                EXPECT_EQ((style & WS_GROUP) != 0, row.flag == ControlFlag::kStartsGroup);
            }
            // place and size, each turned into pixels on its own, as the dialog does
            RECT du = {row.rect.x, row.rect.y, row.rect.width, row.rect.height};
            ::MapDialogRect(page.Handle(), &du);
            RECT placed = {};
            ::GetWindowRect(control, &placed);
            ::MapWindowPoints(nullptr, page.Handle(), reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_EQ(placed.left, du.left);
            EXPECT_EQ(placed.top, du.top);
            EXPECT_EQ(placed.right - placed.left, du.right);
            if (!IsList(row.kind)) {  // a list's height is its dropped height
                EXPECT_EQ(placed.bottom - placed.top, du.bottom);
            }
        }
    }
}

TEST(Win32Page, ClicksReachTheirActionAndKeysPassTheFilter) {
    Host host;
    Win32Page page(host.Handle(), kDebugPageLayout);
    ::ShowWindow(page.Handle(), SW_SHOW);
    int sends = 0;
    std::vector<int> seen;
    CapturedFormMisuse misuse;
    page.Bind({OnClicked(DebugPageId::kSend, [&sends] { ++sends; }),
               OnKeyDown(DebugPageId::kFrameText,
                         [&seen](int key) {
                             seen.push_back(key);
                             return key != 'G';
                         }),
               // neither can raise its event: both are reported and left out
               OnClicked(DebugPageId::kFrameText, [] { ADD_FAILURE(); }),
               OnKeyDown(DebugPageId::kSend, [](int) { return false; })});
    EXPECT_EQ(misuse.reports.size(), 2u);
    ::SendMessageW(page.Form().Control(DebugPageId::kSend), BM_CLICK, 0, 0);
    ::SendMessageW(page.Form().Control(DebugPageId::kClear), BM_CLICK, 0, 0);  // no action
    EXPECT_EQ(sends, 1);

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
    Win32Page page(host.Handle(), kDebugPageLayout);
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
