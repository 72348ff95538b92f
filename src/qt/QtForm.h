#pragma once
// A page's form as real widgets: every control is registered under its control id (which also
// becomes its objectName, so tests find it) and the IForm operations dispatch on the widget's
// kind. Geometry is given in dialog units, as the page templates are drawn.
#include <QWidget>
#include <map>
#include <string>

#include "pages/IForm.h"

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

    explicit QtForm(QWidget* parent = nullptr);

    QWidget* Control(int id) const;
    template <class W>
    W* As(int id) const {
        return qobject_cast<W*>(Control(id));
    }

    // Builders; id 0 creates a control that has no id (a fixed label or frame).
    QLabel* AddLabel(int id, const QString& caption, int x, int y, int w, int h);
    QLineEdit* AddEdit(int id, int x, int y, int w, int h, bool password = false);
    QLineEdit* AddAddress(int id, int x, int y, int w, int h);
    QPushButton* AddButton(int id, const QString& caption, int x, int y, int w, int h);
    QCheckBox* AddCheck(int id, const QString& caption, int x, int y, int w, int h);
    QRadioButton* AddRadio(int id, const QString& caption, QButtonGroup* group, int x, int y, int w,
                           int h);
    QComboBox* AddCombo(int id, bool editable, int x, int y, int w, int h, bool sorted = false);
    QPlainTextEdit* AddDisplay(int id, int x, int y, int w, int h);
    QGroupBox* AddGroup(int id, const QString& caption, int x, int y, int w, int h);
    // A new exclusive group for radio buttons (one per set of mutually exclusive buttons).
    QButtonGroup* NewRadioGroup();

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
    void Register(int id, QWidget* widget);

    std::map<int, QWidget*> controls_;  // children of this form
};

// "192.168.1" style partial text to full dotted form (blank parts are 0); "" stays "".
std::string NormaliseAddressText(const std::string& text);
