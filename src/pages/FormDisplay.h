#pragma once
// The traffic display of a form (a control of kind Display) as the debug page's logic sees it.
#include "pages/IDebugDisplay.h"
#include "pages/IForm.h"

class FormDisplay : public IDebugDisplay {
  public:
    FormDisplay(IForm& form, int id) : form_(form), id_(id) {}
    void AppendText(const std::string& text) override { form_.AppendText(id_, text); }
    int GetLineCount() const override { return form_.GetLineCount(id_); }
    void RemoveFirstLine() override { form_.RemoveFirstLine(id_); }
    void Clear() override { form_.SetText(id_, std::string()); }

  private:
    IForm& form_;
    int id_;
};
