#pragma once
// A page's form as real widgets, built from the page's description (pages/PageLayout.h): every
// control is registered under its control id (which also becomes its objectName, so tests find
// it), placed by its dialog units, and each IForm operation acts on the kind the description
// gives; one its control cannot do is reported (pages/FormMisuse.h).
#include <QWidget>
#include <map>
#include <string>

#include "pages/FormMisuse.h"
#include "pages/IForm.h"
#include "pages/PageLayout.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class QtForm : public QWidget, public IForm {
    Q_OBJECT
  public:
    // Pixels per dialog unit at the default font.
    static constexpr double kDuX = 1.75;
    static constexpr double kDuY = 1.75;
    static QRect Du(int x, int y, int w, int h);

    static QRect Du(const DialogRect& rect) { return Du(rect.x, rect.y, rect.width, rect.height); }
    // A list shows one line of this height; its description's height is the dropped list's.
    static constexpr int kListFieldHeight = 12;

    explicit QtForm(const PageLayout& layout, QWidget* parent = nullptr);

    const PageLayout& Layout() const { return layout_; }
    QWidget* Control(int id) const;
    template <class W>
    W* As(int id) const {
        return qobject_cast<W*>(Control(id));
    }

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

    // The traffic display (a multi-line field): text added at the end ("\r\n" is one break);
    // lines are the ended lines plus the text after the last break; the first line goes with
    // its break.
    void AppendText(int id, const std::string& text);
    int GetLineCount(int id) const;
    void RemoveFirstLine(int id);

  private:
    QWidget* Build(const ControlRow& row, QButtonGroup*& radioGroup);
    // The widget of `id` when its kind can do `operation` (`kind` gets the kind), else null
    // (reported).
    template <class W>
    W* Checked(int id, FormOperation operation, const char* name,
               ControlKind* kind = nullptr) const;

    const PageLayout& layout_;
    std::map<int, QWidget*> controls_;  // children of this form
};

// "192.168.1" style partial text to full dotted form (blank parts are 0); "" stays "".
std::string NormaliseAddressText(const std::string& text);
