#pragma once
// The main window as both front ends have it, apart from its controls: the monitor list's model
// and headings, the six pages' logic on their forms with their bindings, the window's own logic
// (MainWindowLogic), the sinks it takes for user messages and received frames, and the order
// in which all that is taken down. A front end builds its controls (its list over Model()),
// then calls Assemble(); it keeps only the drawing and the routing of its controls.
#include <memory>
#include <vector>

#include "app/IWindowControls.h"
#include "app/MainWindowLogic.h"
#include "pages/FormDisplay.h"
#include "pages/PageBinding.h"
#include "registry/MonitorListModel.h"

class CAPConfigDlg;
class CDebugConfigDlg;
class CModuleConfigDlg;
class CMonitorTable;
class CNetConfigDlg;
class CSystemConfigDlg;
class CUpdateConfigDlg;
class IDialogs;
class IPage;

class MainWindow : private IMainWindowView {
  public:
    MainWindow(IWindowControls& controls, IDialogs& dialogs, MainWindowOptions options);
    // Gives the sinks back, stops the upgrade invitations (their thread reads the list), takes
    // the list from the monitor table, then ends the pages.
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Once the front end's controls exist: the pages' logic on their forms, bound and filled;
    // the list headings; the list handed to the monitor table; tabs, the first page and the
    // debug-page switch; the sinks.
    void Assemble();
    // Tells the wireless adapter check's outcome; the front end calls it once the window is on
    // screen, so that the message stands in front of what it is about.
    void ReportWirelessAdapter() { logic_.ReportWirelessAdapter(wireless_); }

    MonitorListModel& Model() { return model_; }
    MainWindowLogic& Logic() { return logic_; }
    // The page logic of a tab (0..5), and its form.
    IPage& Page(int tab);
    IForm& Form(int tab) { return controls_.PageForm(tab); }
    CAPConfigDlg& AccessPoint() { return *accessPoint_; }
    CNetConfigDlg& Network() { return *network_; }
    CModuleConfigDlg& Module() { return *module_; }
    CUpdateConfigDlg& Upgrade() { return *upgrade_; }
    CDebugConfigDlg& Debug() { return *debug_; }
    CSystemConfigDlg& System() { return *system_; }

  private:
    void BuildPages();

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

    IWindowControls& controls_;
    IDialogs& dialogs_;
    MainWindowOptions options_;
    CMonitorTable& table_;
    MonitorListModel model_;
    MainWindowLogic logic_;
    bool wireless_ = true;
    bool assembled_ = false;
    std::unique_ptr<FormDisplay> display_;
    std::unique_ptr<CAPConfigDlg> accessPoint_;
    std::unique_ptr<CNetConfigDlg> network_;
    std::unique_ptr<CModuleConfigDlg> module_;
    std::unique_ptr<CUpdateConfigDlg> upgrade_;
    std::unique_ptr<CDebugConfigDlg> debug_;
    std::unique_ptr<CSystemConfigDlg> system_;
};
