#pragma once
// A page of the main window's tab control: its form's widgets, and the forwarding of each user
// action to the page's logic object.
#include "qt/QtForm.h"

class IDialogs;

class QtPage : public QtForm {
    Q_OBJECT
  public:
    // Page templates are 316 x 182 dialog units.
    static constexpr int kTemplateWidth = 316;
    static constexpr int kTemplateHeight = 182;

    QtPage(IDialogs& dialogs, QWidget* parent) : QtForm(parent), dialogs_(dialogs) {}

    // Fills the controls once after the window built its pages (pages without such a step
    // do nothing).
    virtual void InitForm() {}
    // Re-reads the captions from the language table (after a language change).
    virtual void RefreshCaptions() {}

  protected:
    IDialogs& dialogs_;
};
