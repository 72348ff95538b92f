#pragma once
// A page's form as the real controls of a dialog made from the page's template: each IForm
// operation finds the control by its id (GetDlgItem) and acts on it according to the kind the
// page's description gives (pages/PageLayout.h); one its control cannot do is reported
// (pages/FormMisuse.h). Texts are UTF-8 here and UTF-16 at the API. The form does not own the
// dialog; use it on the dialog's thread only.

#include "win32/Win32Api.h"

#include <string>

#include "pages/FormMisuse.h"
#include "pages/IForm.h"
#include "pages/PageLayout.h"

class Win32Form : public IForm {
  public:
    Win32Form(HWND dialog, const PageLayout& layout) : dialog_(dialog), layout_(layout) {}
    HWND Handle() const { return dialog_; }
    const PageLayout& Layout() const { return layout_; }
    // The control of `id`, or null.
    HWND Control(int id) const;

    // IForm
    std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    int GetCurSel(int id) const override;
    void SetCurSel(int id, int index) override;
    int GetCount(int id) const override;
    void ResetContent(int id) override;
    void AddString(int id, const std::string& item) override;
    void InsertString(int id, int index, const std::string& item) override;
    bool GetCheck(int id) const override;
    void SetCheck(int id, bool checked) override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void Show(int id, bool visible) override;
    void SetPasswordMask(int id, bool masked) override;
    std::string GetAddressText(int id) const override;
    void SetAddressText(int id, const std::string& dotted) override;
    void AppendText(int id, const std::string& text) override;
    int GetLineCount(int id) const override;
    void RemoveFirstLine(int id) override;

  private:
    // The control of `id` when its kind can do `operation` (`kind` gets the kind), else null.
    HWND Checked(int id, FormOperation operation, const char* name,
                 ControlKind* kind = nullptr) const;
    void UncheckGroupSiblings(int id);

    HWND dialog_;
    const PageLayout& layout_;
};
