#pragma once
// Tab 1: the network settings page's form.
#include <memory>

#include "qt/QtPage.h"

class CNetConfigDlg;

class QtNetPage : public QtPage {
    Q_OBJECT
  public:
    QtNetPage(IDialogs& dialogs, QWidget* parent);
    ~QtNetPage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    // Shows the settings the first checked monitor last reported.
    void RefreshFromMonitor();
    CNetConfigDlg& Logic() { return *logic_; }

  private:
    std::unique_ptr<CNetConfigDlg> logic_;
};
