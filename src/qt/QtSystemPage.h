#pragma once
// Tab 5: the system page's form.
#include <memory>

#include "qt/QtPage.h"

class CSystemConfigDlg;

class QtSystemPage : public QtPage {
    Q_OBJECT
  public:
    QtSystemPage(IDialogs& dialogs, QWidget* parent);
    ~QtSystemPage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    CSystemConfigDlg& Logic() { return *logic_; }

  private:
    std::unique_ptr<CSystemConfigDlg> logic_;
};
