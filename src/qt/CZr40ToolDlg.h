#pragma once
// The main window: the tab control with the six pages above the monitor list, the 10 ms list
// refresh and the three user messages. Its own decisions live in MainWindowLogic. It opens at
// the template's size, which is also its smallest; the list grows with it.
#include <QDialog>
#include <array>
#include <map>
#include <memory>
#include <string>

#include "app/MainWindowLogic.h"
#include "qt/QtDialogs.h"
#include "registry/MonitorListModel.h"

class CMonitorTable;
class HostedNetwork;
class IDialogs;
class MonitorListView;
class QFrame;
class QTabBar;
class QTimer;
class QtAPPage;
class QtDebugPage;
class QtModulePage;
class QtNetPage;
class QtPage;
class QtSystemPage;
class QtUpdatePage;

class CZr40ToolDlg : public QDialog, private IMainWindowView {
    Q_OBJECT
  public:
    static constexpr int kWidthDu = 512;
    static constexpr int kHeightDu = 284;

    explicit CZr40ToolDlg(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~CZr40ToolDlg() override;

    QTabBar* TabBar() const { return tabs_; }
    MonitorListView* List() const { return list_; }
    MonitorListModel& Model() { return model_; }
    MainWindowLogic& Logic() { return logic_; }
    // The page widget of a tab index (0..5).
    QtPage* PageOfTab(int tab) const;
    QtAPPage* APPage() const { return apPage_; }
    QtNetPage* NetPage() const { return netPage_; }
    QtModulePage* ModulePage() const { return modulePage_; }
    QtUpdatePage* UpdatePage() const { return updatePage_; }
    QtDebugPage* DebugPage() const { return debugPage_; }
    QtSystemPage* SystemPage() const { return systemPage_; }
    // One refresh tick, as the timer runs it.
    void RefreshNow() { logic_.OnTimer(); }

    // Every way of closing (close box, Alt+F4) comes here; asks first while an upgrade runs
    // or an order waits for its acknowledgement. Escape never comes here.
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
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

    void BuildPages(HostedNetwork* hostedNetwork);
    // Places the tab control, the pages and the list on the window's current size.
    void LayOut();

    CMonitorTable& table_;
    QtDialogs ownDialogs_;
    IDialogs& dialogs_;
    MonitorListModel model_;
    MainWindowLogic logic_;

    QWidget* tabControl_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QFrame* pane_ = nullptr;
    QtAPPage* apPage_ = nullptr;
    QtNetPage* netPage_ = nullptr;
    QtModulePage* modulePage_ = nullptr;
    QtUpdatePage* updatePage_ = nullptr;
    QtDebugPage* debugPage_ = nullptr;
    QtSystemPage* systemPage_ = nullptr;
    std::map<int, QtPage*> pageMap_;
    MonitorListView* list_ = nullptr;
    QTimer* timer_ = nullptr;
};
