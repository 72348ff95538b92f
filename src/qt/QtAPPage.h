#pragma once
// Tab 0: the access point page's form.
#include <memory>

#include "qt/QtPage.h"

class CAPConfigDlg;
class HostedNetwork;

class QtAPPage : public QtPage {
    Q_OBJECT
  public:
    static constexpr int kStartButton = 1008;

    // `network` null: the process-wide hosted network.
    QtAPPage(IDialogs& dialogs, HostedNetwork* network, QWidget* parent);
    ~QtAPPage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    CAPConfigDlg& Logic() { return *logic_; }

  private:
    std::unique_ptr<CAPConfigDlg> logic_;
};
