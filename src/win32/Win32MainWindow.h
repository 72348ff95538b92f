#pragma once
// The main window on Windows: the tab control with the six pages above the monitor list, the
// 10 ms list refresh and the three user messages. Its own decisions live in MainWindowLogic;
// the pages' in their logic classes; this class only wires controls to them.

#include "win32/Win32Api.h"

#include <array>
#include <map>
#include <memory>
#include <string>

#include "app/MainWindowLogic.h"
#include "pages/IDebugDisplay.h"
#include "registry/MonitorListModel.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32MonitorList.h"
#include "win32/Win32Page.h"

class CAPConfigDlg;
class CDebugConfigDlg;
class CModuleConfigDlg;
class CMonitorTable;
class CNetConfigDlg;
class CSystemConfigDlg;
class CUpdateConfigDlg;
class HostedNetwork;
class IDialogs;

class Win32MainWindow : private IMainWindowView {
  public:
    explicit Win32MainWindow(MainWindowOptions options = {});
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Shows the window and runs its message loop until it closes.
    void Run();
    // For loops of one's own: the debug page's key filter, then the dialog's keyboard.
    bool PreTranslate(MSG& message);

    HWND Handle() const { return window_; }
    HWND Tabs() const { return tabs_; }
    Win32MonitorList& List() { return list_; }
    MonitorListModel& Model() { return model_; }
    MainWindowLogic& Logic() { return logic_; }
    // The page of a tab index (0..5).
    Win32Page* PageOfTab(int tab) const;
    // One refresh tick, as the timer runs it.
    void RefreshNow() { logic_.OnTimer(); }
    // The user asked to close (close box, Alt+F4): closes unless refused.
    void RequestClose();

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    void BuildPages(HostedNetwork* hostedNetwork);
    void PlacePages();
    void SetIcons();

    // IMainWindowView
    void RebuildTabs(const std::array<std::string, kMainTabCount>& captions) override;
    int CurrentTab() const override;
    void SelectTab(int index) override;
    void ShowOnlyPage(int page) override;
    void RefreshPageCaptions() override;
    void RefreshNetworkPage() override;
    void DebugPageReceived(MonitorObject* monitor, const std::vector<std::uint8_t>& frame) override;
    void UpdateList() override;
    void ShowMessage(const std::string& text) override;
    void EnableAccessPointStart(bool enabled) override;
    bool AskYesNo(const std::string& text) override;

    // The traffic display 1024 as the debug page's logic sees it.
    class Display : public IDebugDisplay {
      public:
        Display(Win32Form& form, int id) : form_(form), id_(id) {}
        void AppendText(const std::string& text) override { form_.AppendText(id_, text); }
        int GetLineCount() const override { return form_.GetLineCount(id_); }
        void RemoveFirstLine() override { form_.RemoveFirstLine(id_); }
        void Clear() override { form_.SetText(id_, std::string()); }

      private:
        Win32Form& form_;
        int id_;
    };

    CMonitorTable& table_;
    Win32Dialogs ownDialogs_;
    IDialogs& dialogs_;
    MonitorListModel model_;
    MainWindowLogic logic_;
    Win32MonitorList list_;
    MainWindowOptions options_;
    bool wireless_ = true;

    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    std::map<int, std::unique_ptr<Win32Page>> pages_;
    std::unique_ptr<Display> display_;
    std::unique_ptr<CAPConfigDlg> apLogic_;
    std::unique_ptr<CNetConfigDlg> netLogic_;
    std::unique_ptr<CModuleConfigDlg> moduleLogic_;
    std::unique_ptr<CUpdateConfigDlg> updateLogic_;
    std::unique_ptr<CDebugConfigDlg> debugLogic_;
    std::unique_ptr<CSystemConfigDlg> systemLogic_;
};
