#pragma once
// A page of the main window's tab control: its form built from the page's description, and the
// routing of its bindings: clicks from its buttons, key presses in its text fields (as Windows
// virtual-key codes) before the field sees them.
#include <map>
#include <vector>

#include "pages/PageBinding.h"
#include "qt/QtForm.h"

class QtPage : public QtForm {
    Q_OBJECT
  public:
    QtPage(const PageLayout& layout, QWidget* parent);

    // A binding on a control that cannot raise its event is reported and left out.
    void Bind(const std::vector<PageBinding>& bindings);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::map<QObject*, std::function<bool(int)>> keyFilters_;
};
