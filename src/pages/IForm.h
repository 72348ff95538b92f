#pragma once
// What a page's logic needs of its form, addressed by control id. Each front end implements it
// with real controls built from the page's description (pages/PageLayout.h); tests implement it
// in memory. A call that the control's kind cannot do, or on an id the page lacks, does nothing
// and is reported (pages/FormMisuse.h). Texts are UTF-8.
#include <cstdint>
#include <string>

class IForm {
  public:
    virtual ~IForm() = default;

    // Text of an edit field, label, button or check box (a combo box: its edit text).
    virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;

    // Lists (combo boxes): chosen index, -1 for none (also when the user typed free text).
    virtual int GetCurSel(int id) const = 0;
    virtual void SetCurSel(int id, int index) = 0;  // out of range: no choice
    virtual int GetCount(int id) const = 0;
    virtual void ResetContent(int id) = 0;
    virtual void AddString(int id, const std::string& item) = 0;
    virtual void InsertString(int id, int index, const std::string& item) = 0;

    // Check boxes and radio buttons.
    virtual bool GetCheck(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;

    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Show(int id, bool visible) = 0;

    // Edit fields with password style: masked with '*' or plain.
    virtual void SetPasswordMask(int id, bool masked) = 0;

    // IPv4 address fields, as dotted text ("" when blank).
    virtual std::string GetAddressText(int id) const = 0;
    virtual void SetAddressText(int id, const std::string& dotted) = 0;

    // The traffic display (a multi-line field): text added at the end ("\r\n" or a lone "\n"
    // is one break); lines are the ended lines plus the text after the last break.
    virtual void AppendText(int id, const std::string& text) = 0;
    virtual int GetLineCount(int id) const = 0;
    virtual void RemoveFirstLine(int id) = 0;
};
