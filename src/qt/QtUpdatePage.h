#pragma once
// Tab 3: the upgrade page's form.
#include <memory>

#include "qt/QtPage.h"

class CUpdateConfigDlg;

class QtUpdatePage : public QtPage {
    Q_OBJECT
  public:
    QtUpdatePage(IDialogs& dialogs, QWidget* parent);
    ~QtUpdatePage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    CUpdateConfigDlg& Logic() { return *logic_; }

  private:
    std::unique_ptr<CUpdateConfigDlg> logic_;
};
