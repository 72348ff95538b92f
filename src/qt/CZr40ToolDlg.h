#pragma once
// The main window: the tab control with the six pages above the monitor list, the 10 ms list
// refresh and the keys and close box. What the window does lives in MainWindow (app/), which
// this class supplies with its controls. It opens at the template's size, which is also its
// smallest; the list grows with it.
#include <QDialog>
#include <array>
#include <string>

#include "app/IWindowControls.h"
#include "app/MainWindow.h"
#include "qt/QtDialogs.h"

class MonitorListView;
class QFrame;
class QTabBar;
class QTimer;
class QtPage;

class CZr40ToolDlg : public QDialog, private IWindowControls {
    Q_OBJECT
  public:
    explicit CZr40ToolDlg(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~CZr40ToolDlg() override;

    QTabBar* TabBar() const { return tabs_; }
    MonitorListView* List() const { return list_; }
    MainWindow& Core() { return core_; }
    MonitorListModel& Model() { return core_.Model(); }
    MainWindowLogic& Logic() { return core_.Logic(); }
    // The page of a tab index (0..5).
    QtPage* Page(int tab) const { return pages_[static_cast<std::size_t>(tab)]; }
    // One refresh tick, as the timer runs it.
    void RefreshNow() { core_.Logic().OnTimer(); }

    // Every way of closing (close box, Alt+F4) comes here; asks first while an upgrade runs
    // or an order waits for its acknowledgement. Escape never comes here.
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // IWindowControls
    IForm& PageForm(int tab) override;
    void Bind(int tab, const std::vector<PageBinding>& bindings) override;
    void RebuildTabs(const std::array<std::string, kMainTabCount>& captions) override;
    int CurrentTab() const override;
    void SelectTab(int index) override;
    void ShowOnlyPage(int page) override;
    void MirrorList(bool progressColumnActive) override;

    // Places the tab control, the pages and the list on the window's current size.
    void LayOut();

    QtDialogs ownDialogs_;
    IDialogs& dialogs_;
    MainWindow core_;

    QWidget* tabControl_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QFrame* pane_ = nullptr;
    std::array<QtPage*, kMainTabCount> pages_{};
    MonitorListView* list_ = nullptr;
    QTimer* timer_ = nullptr;
};
