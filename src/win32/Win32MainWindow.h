#pragma once
// The main window on Windows: the dialog with the tab control over the six pages and the
// monitor list, the 10 ms refresh timer, the keys and the close box. What the window does
// lives in MainWindow (app/), which this class supplies with its controls.

#include "win32/Win32Api.h"

#include <array>
#include <memory>
#include <string>

#include "app/IWindowControls.h"
#include "app/MainWindow.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32MonitorList.h"
#include "win32/Win32Page.h"

class Win32MainWindow : private IWindowControls {
  public:
    explicit Win32MainWindow(MainWindowOptions options = {});
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Shows the window and runs its message loop until it closes.
    void Run();
    // For loops of one's own: the pages' key filters, then the dialog's keyboard.
    bool PreTranslate(MSG& message);

    HWND Handle() const { return window_; }
    HWND Tabs() const { return tabs_; }
    Win32MonitorList& List() { return *list_; }
    MainWindow& Core() { return *core_; }
    MonitorListModel& Model() { return core_->Model(); }
    MainWindowLogic& Logic() { return core_->Logic(); }
    // The page of a tab index (0..5); null before the window exists.
    Win32Page* Page(int tab) const { return pages_[static_cast<std::size_t>(tab)].get(); }
    // One refresh tick, as the timer runs it.
    void RefreshNow() { core_->Logic().OnTimer(); }
    // The user asked to close (close box, Alt+F4): closes unless refused.
    void RequestClose();

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    void PlacePages();
    void SetIcons();

    // IWindowControls
    IForm& PageForm(int tab) override;
    void Bind(int tab, const std::vector<PageBinding>& bindings) override;
    void RebuildTabs(const std::array<std::string, kMainTabCount>& captions) override;
    int CurrentTab() const override;
    void SelectTab(int index) override;
    void ShowOnlyPage(int page) override;
    void MirrorList(bool progressColumnActive) override;

    Win32Dialogs ownDialogs_;
    MainWindowOptions options_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    std::array<std::unique_ptr<Win32Page>, kMainTabCount> pages_;
    // ended before the pages' dialogs: the pages' logic works on them to the last
    std::unique_ptr<MainWindow> core_;
    std::unique_ptr<Win32MonitorList> list_;
};
