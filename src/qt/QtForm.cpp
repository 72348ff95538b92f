#include "qt/QtForm.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}

const char kSortedProperty[] = "zr40Sorted";

// Editable lists: text the user typed that is not the chosen item's text chooses nothing.
int ChosenIndex(const QComboBox* combo) {
    const int index = combo->currentIndex();
    if (index < 0) {
        return -1;
    }
    if (combo->isEditable() && combo->currentText() != combo->itemText(index)) {
        return -1;
    }
    return index;
}

int SortedPosition(const QComboBox* combo, const QString& item) {
    int pos = 0;
    while (pos < combo->count() &&
           QString::compare(combo->itemText(pos), item, Qt::CaseInsensitive) <= 0) {
        ++pos;
    }
    return pos;
}

// A language file's text can be longer than the label the layout gives it: the font shrinks,
// never below 6 points, until the whole text fits on its one line.
void FitLabel(QLabel* label) {
    const QString text = label->text();
    if (label->wordWrap() || text.contains(QLatin1Char('\n'))) {
        return;
    }
    QFont font = label->parentWidget() != nullptr ? label->parentWidget()->font() : label->font();
    if (font.pointSizeF() <= 0) {
        return;
    }
    while (font.pointSizeF() > 6.0 && QFontMetrics(font).horizontalAdvance(text) > label->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label->setFont(font);
}

}  // namespace

QRect QtForm::Du(int x, int y, int w, int h) {
    return QRect(static_cast<int>(std::lround(x * kDuX)), static_cast<int>(std::lround(y * kDuY)),
                 static_cast<int>(std::lround(w * kDuX)), static_cast<int>(std::lround(h * kDuY)));
}

QtForm::QtForm(QWidget* parent) : QWidget(parent) {}

void QtForm::Register(int id, QWidget* widget) {
    if (id != 0) {
        widget->setObjectName(QString::number(id));
        controls_[id] = widget;
    }
}

QWidget* QtForm::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QLabel* QtForm::AddLabel(int id, const QString& caption, int x, int y, int w, int h) {
    auto* label = new QLabel(caption, this);
    label->setGeometry(Du(x, y, w, h));
    FitLabel(label);
    Register(id, label);
    return label;
}

QLineEdit* QtForm::AddEdit(int id, int x, int y, int w, int h, bool password) {
    auto* edit = new QLineEdit(this);
    edit->setGeometry(Du(x, y, w, h));
    if (password) {
        // the mask character is '*', as the pages expect
        edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
        edit->setEchoMode(QLineEdit::Password);
    }
    Register(id, edit);
    return edit;
}

QLineEdit* QtForm::AddAddress(int id, int x, int y, int w, int h) {
    QLineEdit* edit = AddEdit(id, x, y, w, h);
    // Up to three digits a number, none of them dropped: a number above 255 stays as typed,
    // and the page refuses the address with its message rather than send another one.
    static const QRegularExpression kPattern(QStringLiteral(R"(^(\d{0,3}\.){0,3}\d{0,3}$)"));
    edit->setValidator(new QRegularExpressionValidator(kPattern, edit));
    edit->setAlignment(Qt::AlignCenter);
    edit->setProperty("zr40Address", true);
    return edit;
}

QPushButton* QtForm::AddButton(int id, const QString& caption, int x, int y, int w, int h) {
    auto* button = new QPushButton(caption, this);
    button->setGeometry(Du(x, y, w, h));
    // Enter closes the main window; no button takes it over
    button->setAutoDefault(false);
    button->setDefault(false);
    Register(id, button);
    return button;
}

QCheckBox* QtForm::AddCheck(int id, const QString& caption, int x, int y, int w, int h) {
    auto* box = new QCheckBox(caption, this);
    box->setGeometry(Du(x, y, w, h));
    Register(id, box);
    return box;
}

QRadioButton* QtForm::AddRadio(int id, const QString& caption, QButtonGroup* group, int x, int y,
                               int w, int h) {
    auto* radio = new QRadioButton(caption, this);
    radio->setGeometry(Du(x, y, w, h));
    if (group != nullptr) {
        group->addButton(radio, id);
    }
    Register(id, radio);
    return radio;
}

QComboBox* QtForm::AddCombo(int id, bool editable, int x, int y, int w, int h, bool sorted) {
    auto* combo = new QComboBox(this);
    combo->setGeometry(Du(x, y, w, h));
    combo->setEditable(editable);
    if (editable) {
        // typing never adds items; it only leaves the list without a choice
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    combo->setProperty(kSortedProperty, sorted);
    combo->setMaxVisibleItems(14);
    Register(id, combo);
    return combo;
}

QPlainTextEdit* QtForm::AddDisplay(int id, int x, int y, int w, int h) {
    auto* display = new QPlainTextEdit(this);
    display->setGeometry(Du(x, y, w, h));
    display->setReadOnly(true);
    display->setLineWrapMode(QPlainTextEdit::NoWrap);
    display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Register(id, display);
    return display;
}

QGroupBox* QtForm::AddGroup(int id, const QString& caption, int x, int y, int w, int h) {
    auto* group = new QGroupBox(caption, this);
    group->setGeometry(Du(x, y, w, h));
    group->lower();  // a frame behind the controls it surrounds
    Register(id, group);
    return group;
}

QButtonGroup* QtForm::NewRadioGroup() {
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    return group;
}

std::string QtForm::GetText(int id) const {
    QWidget* w = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        return S(edit->text());
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return S(label->text());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        return S(button->text());
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        return S(combo->currentText());
    }
    if (auto* display = qobject_cast<QPlainTextEdit*>(w)) {
        return S(display->toPlainText());
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        return S(group->title());
    }
    return {};
}

void QtForm::SetText(int id, const std::string& text) {
    QWidget* w = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(Q(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(Q(text));
        FitLabel(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(Q(text));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable()) {
            combo->setEditText(Q(text));
        } else {
            combo->setCurrentIndex(combo->findText(Q(text)));
        }
    } else if (auto* display = qobject_cast<QPlainTextEdit*>(w)) {
        display->setPlainText(Q(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(Q(text));
    }
}

int QtForm::GetCurSel(int id) const {
    auto* combo = As<QComboBox>(id);
    return combo == nullptr ? -1 : ChosenIndex(combo);
}

void QtForm::SetCurSel(int id, int index) {
    auto* combo = As<QComboBox>(id);
    if (combo == nullptr) {
        return;
    }
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable()) {
            combo->setEditText(QString());
        }
        return;
    }
    combo->setCurrentIndex(index);
    if (combo->isEditable()) {
        combo->setEditText(combo->itemText(index));
    }
}

int QtForm::GetCount(int id) const {
    auto* combo = As<QComboBox>(id);
    return combo == nullptr ? 0 : combo->count();
}

void QtForm::ResetContent(int id) {
    if (auto* combo = As<QComboBox>(id)) {
        combo->clear();
        if (combo->isEditable()) {
            combo->setEditText(QString());
        }
    }
}

void QtForm::AddString(int id, const std::string& item) {
    auto* combo = As<QComboBox>(id);
    if (combo == nullptr) {
        return;
    }
    const QString text = Q(item);
    const int pos =
        combo->property(kSortedProperty).toBool() ? SortedPosition(combo, text) : combo->count();
    InsertString(id, pos, item);
}

void QtForm::InsertString(int id, int index, const std::string& item) {
    auto* combo = As<QComboBox>(id);
    if (combo == nullptr) {
        return;
    }
    const QString edit = combo->currentText();
    const bool wasEmpty = combo->count() == 0;
    const int pos = (index < 0 || index > combo->count()) ? combo->count() : index;
    combo->insertItem(pos, Q(item));
    // adding to an empty list chooses nothing; Qt would choose the first item
    if (wasEmpty) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable()) {
            combo->setEditText(edit);
        }
    }
}

bool QtForm::GetCheck(int id) const {
    auto* button = As<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void QtForm::SetCheck(int id, bool checked) {
    auto* button = As<QAbstractButton>(id);
    if (button == nullptr) {
        return;
    }
    QButtonGroup* group = button->group();
    if (!checked && group != nullptr && group->exclusive()) {
        // an exclusive group refuses to clear its chosen button; clearing it is allowed here
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

void QtForm::Enable(int id, bool enabled) {
    if (QWidget* w = Control(id)) {
        w->setEnabled(enabled);
    }
}

bool QtForm::IsEnabled(int id) const {
    QWidget* w = Control(id);
    return w != nullptr && w->isEnabledTo(const_cast<QtForm*>(this));
}

void QtForm::Show(int id, bool visible) {
    if (QWidget* w = Control(id)) {
        w->setVisible(visible);
    }
}

void QtForm::SetPasswordMask(int id, bool masked) {
    if (auto* edit = As<QLineEdit>(id)) {
        edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    }
}

std::string QtForm::GetAddressText(int id) const {
    auto* edit = As<QLineEdit>(id);
    return edit == nullptr ? std::string() : NormaliseAddressText(S(edit->text()));
}

void QtForm::SetAddressText(int id, const std::string& dotted) {
    if (auto* edit = As<QLineEdit>(id)) {
        edit->setText(Q(dotted));
    }
}

void QtForm::AppendText(int id, const std::string& text) {
    auto* display = As<QPlainTextEdit>(id);
    if (display == nullptr || text.empty()) {
        return;
    }
    // a text cursor breaks lines at '\r' as well, so a "\r\n" pair becomes one break
    QString added = Q(text);
    added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(display->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(added);
    display->verticalScrollBar()->setValue(display->verticalScrollBar()->maximum());
}

int QtForm::GetLineCount(int id) const {
    auto* display = As<QPlainTextEdit>(id);
    if (display == nullptr || display->document()->isEmpty()) {
        return 0;
    }
    // ended lines, plus the text after the last break when there is any
    const QTextDocument* document = display->document();
    const int blocks = document->blockCount();
    return document->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

void QtForm::RemoveFirstLine(int id) {
    auto* display = As<QPlainTextEdit>(id);
    if (display == nullptr) {
        return;
    }
    QTextCursor cursor(display->document()->firstBlock());
    if (!cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor)) {
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

std::string NormaliseAddressText(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    std::string parts[4];
    int part = 0;
    for (char c : text) {
        if (c == '.') {
            if (++part >= 4) {
                break;
            }
        } else if (c >= '0' && c <= '9' && parts[part].size() < 3) {
            parts[part] += c;
        }
    }
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            out += '.';
        }
        out += parts[i].empty() ? std::string("0") : std::to_string(std::stoi(parts[i]));
    }
    return out;
}
