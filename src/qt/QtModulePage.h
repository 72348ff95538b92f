#pragma once
// Tab 2: the module settings page's form.
#include <memory>

#include "qt/QtPage.h"

class CModuleConfigDlg;

class QtModulePage : public QtPage {
    Q_OBJECT
  public:
    QtModulePage(IDialogs& dialogs, QWidget* parent);
    ~QtModulePage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    CModuleConfigDlg& Logic() { return *logic_; }

  private:
    std::unique_ptr<CModuleConfigDlg> logic_;
};
