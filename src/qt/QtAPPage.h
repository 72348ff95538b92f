#pragma once
// Tab 0: the access point page's form.
#include "qt/QtPage.h"

class QtAPPage : public QtPage {
    Q_OBJECT
  public:
    static constexpr int kStartButton = 1008;

    QtAPPage(IDialogs& dialogs, QWidget* parent);
    ~QtAPPage() override;
    void InitForm() override;
    void RefreshCaptions() override;
};
