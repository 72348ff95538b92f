#pragma once
// Tab 4: the debug console's form. The two text fields pass every key press through the
// page's key filter, which may swallow it.
#include <cstdint>
#include <memory>
#include <vector>

#include "pages/IDebugDisplay.h"
#include "qt/QtPage.h"

class CDebugConfigDlg;
class MonitorObject;

class QtDebugPage : public QtPage {
    Q_OBJECT
  public:
    QtDebugPage(IDialogs& dialogs, QWidget* parent);
    ~QtDebugPage() override;
    void InitForm() override;
    void RefreshCaptions() override;
    // A frame the device sent, while the debug tab is current.
    void OnReceivedFrame(MonitorObject* monitor, const std::vector<std::uint8_t>& frame);
    CDebugConfigDlg& Logic() { return *logic_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The traffic display 1024 as the page's logic sees it.
    class Display : public IDebugDisplay {
      public:
        Display(QtForm& form, int id) : form_(form), id_(id) {}
        void AppendText(const std::string& text) override { form_.AppendText(id_, text); }
        int GetLineCount() const override { return form_.GetLineCount(id_); }
        void RemoveFirstLine() override { form_.RemoveFirstLine(id_); }
        void Clear() override { form_.SetText(id_, std::string()); }

      private:
        QtForm& form_;
        int id_;
    };

    Display display_;
    std::unique_ptr<CDebugConfigDlg> logic_;
};
