#pragma once
// A page's form as the real controls of a dialog: each IForm operation finds the control by its
// id (GetDlgItem) and acts on it according to its window class: Edit, ComboBox, Button (push,
// check box, radio button, group box), Static, SysIPAddress32. Texts are UTF-8 here and UTF-16
// at the API. The form does not own the dialog; use it on the dialog's thread only.

#include "win32/Win32Api.h"

#include <string>

#include "pages/IForm.h"

class Win32Form : public IForm {
  public:
    explicit Win32Form(HWND dialog = nullptr) : dialog_(dialog) {}
    void Attach(HWND dialog) { dialog_ = dialog; }
    HWND Handle() const { return dialog_; }
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

    // The traffic display (a multi-line edit): text added at the end, a lone "\n" becoming a
    // break; lines are the ended lines plus the text after the last break.
    void AppendText(int id, const std::string& text);
    int GetLineCount(int id) const;
    void RemoveFirstLine(int id);

  private:
    HWND dialog_;
};
