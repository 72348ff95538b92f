#pragma once
// Tab 4: the debug console's form.
#include <cstdint>
#include <vector>

#include "qt/QtPage.h"

class MonitorObject;

class QtDebugPage : public QtPage {
    Q_OBJECT
  public:
    QtDebugPage(IDialogs& dialogs, QWidget* parent);
    ~QtDebugPage() override;
    // A frame the device sent, while the debug tab is current.
    void OnReceivedFrame(MonitorObject* monitor, const std::vector<std::uint8_t>& frame);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
