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

QtForm::QtForm(const PageLayout& layout, QWidget* parent) : QWidget(parent), layout_(layout) {
    QButtonGroup* radioGroup = nullptr;
    for (const ControlRow& row : layout_.controls) {
        QWidget* widget = Build(row, radioGroup);
        if (row.flag == ControlFlag::kHidden) {
            widget->hide();
        }
        if (row.id >= 0) {
            widget->setObjectName(QString::number(row.id));
            controls_[row.id] = widget;
        }
    }
}

QWidget* QtForm::Build(const ControlRow& row, QButtonGroup*& radioGroup) {
    const QString caption = QString::fromUtf8(row.caption);
    const QRect place = Du(row.rect);
    // a control that starts a group closes the radio group before it
    if (row.flag == ControlFlag::kStartsGroup) {
        radioGroup = nullptr;
    }
    switch (row.kind) {
        case ControlKind::kGroup: {
            auto* group = new QGroupBox(caption, this);
            group->setGeometry(place);
            group->lower();  // a frame behind the controls it surrounds
            return group;
        }
        case ControlKind::kLabel: {
            auto* label = new QLabel(caption, this);
            label->setGeometry(place);
            FitLabel(label);
            return label;
        }
        case ControlKind::kEdit:
        case ControlKind::kPassword:
        case ControlKind::kAddress: {
            auto* edit = new QLineEdit(this);
            edit->setGeometry(place);
            if (row.kind == ControlKind::kPassword) {
                // the mask character is '*', as the pages expect
                edit->setStyleSheet(
                    QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
                edit->setEchoMode(QLineEdit::Password);
            }
            if (row.kind == ControlKind::kAddress) {
                // Up to three digits a number, none of them dropped: a number above 255 stays as
                // typed, and the page refuses the address with its message rather than send
                // another one.
                static const QRegularExpression kPattern(
                    QStringLiteral(R"(^(\d{0,3}\.){0,3}\d{0,3}$)"));
                edit->setValidator(new QRegularExpressionValidator(kPattern, edit));
                edit->setAlignment(Qt::AlignCenter);
            }
            return edit;
        }
        case ControlKind::kButton:
        case ControlKind::kDefaultButton: {
            auto* button = new QPushButton(caption, this);
            button->setGeometry(place);
            // Enter closes the main window; no button takes it over
            button->setAutoDefault(false);
            button->setDefault(false);
            return button;
        }
        case ControlKind::kCheck: {
            auto* box = new QCheckBox(caption, this);
            box->setGeometry(place);
            return box;
        }
        case ControlKind::kRadio: {
            auto* radio = new QRadioButton(caption, this);
            radio->setGeometry(place);
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(this);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(radio, row.id);
            return radio;
        }
        case ControlKind::kList:
        case ControlKind::kSortedList:
        case ControlKind::kDropList: {
            auto* combo = new QComboBox(this);
            combo->setGeometry(Du(row.rect.x, row.rect.y, row.rect.width, kListFieldHeight));
            combo->setEditable(row.kind != ControlKind::kDropList);
            if (combo->isEditable()) {
                // typing never adds items; it only leaves the list without a choice
                combo->setInsertPolicy(QComboBox::NoInsert);
            }
            combo->setMaxVisibleItems(14);
            return combo;
        }
        case ControlKind::kDisplay: {
            auto* display = new QPlainTextEdit(this);
            display->setGeometry(place);
            display->setReadOnly(true);
            display->setLineWrapMode(QPlainTextEdit::NoWrap);
            display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            return display;
        }
    }
    return new QWidget(this);
}

QWidget* QtForm::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

template <class W>
W* QtForm::Checked(int id, FormOperation operation, const char* name, ControlKind* kind) const {
    const ControlRow* row = CheckedControl(layout_, id, operation, name);
    if (row == nullptr) {
        return nullptr;
    }
    if (kind != nullptr) {
        *kind = row->kind;
    }
    return static_cast<W*>(Control(id));
}

std::string QtForm::GetText(int id) const {
    ControlKind kind = ControlKind::kLabel;
    QWidget* w = Checked<QWidget>(id, FormOperation::kText, "GetText", &kind);
    if (w == nullptr) {
        return {};
    }
    switch (kind) {
        case ControlKind::kGroup:
            return S(static_cast<QGroupBox*>(w)->title());
        case ControlKind::kLabel:
            return S(static_cast<QLabel*>(w)->text());
        case ControlKind::kEdit:
        case ControlKind::kPassword:
            return S(static_cast<QLineEdit*>(w)->text());
        case ControlKind::kList:
        case ControlKind::kSortedList:
        case ControlKind::kDropList:
            return S(static_cast<QComboBox*>(w)->currentText());
        case ControlKind::kDisplay:
            return S(static_cast<QPlainTextEdit*>(w)->toPlainText());
        default:
            return S(static_cast<QAbstractButton*>(w)->text());
    }
}

void QtForm::SetText(int id, const std::string& text) {
    ControlKind kind = ControlKind::kLabel;
    QWidget* w = Checked<QWidget>(id, FormOperation::kText, "SetText", &kind);
    if (w == nullptr) {
        return;
    }
    switch (kind) {
        case ControlKind::kGroup:
            static_cast<QGroupBox*>(w)->setTitle(Q(text));
            break;
        case ControlKind::kLabel: {
            auto* label = static_cast<QLabel*>(w);
            label->setText(Q(text));
            FitLabel(label);
            break;
        }
        case ControlKind::kEdit:
        case ControlKind::kPassword:
            static_cast<QLineEdit*>(w)->setText(Q(text));
            break;
        case ControlKind::kList:
        case ControlKind::kSortedList:
            static_cast<QComboBox*>(w)->setEditText(Q(text));
            break;
        case ControlKind::kDropList: {
            // a drop-down list shows only its items: the text chooses the item that has it
            auto* combo = static_cast<QComboBox*>(w);
            combo->setCurrentIndex(combo->findText(Q(text)));
            break;
        }
        case ControlKind::kDisplay:
            static_cast<QPlainTextEdit*>(w)->setPlainText(Q(text));
            break;
        default:
            static_cast<QAbstractButton*>(w)->setText(Q(text));
            break;
    }
}

int QtForm::GetCurSel(int id) const {
    auto* combo = Checked<QComboBox>(id, FormOperation::kList, "GetCurSel");
    return combo == nullptr ? -1 : ChosenIndex(combo);
}

void QtForm::SetCurSel(int id, int index) {
    auto* combo = Checked<QComboBox>(id, FormOperation::kList, "SetCurSel");
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
    auto* combo = Checked<QComboBox>(id, FormOperation::kList, "GetCount");
    return combo == nullptr ? 0 : combo->count();
}

void QtForm::ResetContent(int id) {
    if (auto* combo = Checked<QComboBox>(id, FormOperation::kList, "ResetContent")) {
        combo->clear();
        if (combo->isEditable()) {
            combo->setEditText(QString());
        }
    }
}

void QtForm::AddString(int id, const std::string& item) {
    ControlKind kind = ControlKind::kList;
    auto* combo = Checked<QComboBox>(id, FormOperation::kList, "AddString", &kind);
    if (combo == nullptr) {
        return;
    }
    const QString text = Q(item);
    const bool sorted = kind == ControlKind::kSortedList;
    InsertString(id, sorted ? SortedPosition(combo, text) : combo->count(), item);
}

void QtForm::InsertString(int id, int index, const std::string& item) {
    auto* combo = Checked<QComboBox>(id, FormOperation::kList, "InsertString");
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
    auto* button = Checked<QAbstractButton>(id, FormOperation::kCheck, "GetCheck");
    return button != nullptr && button->isChecked();
}

void QtForm::SetCheck(int id, bool checked) {
    auto* button = Checked<QAbstractButton>(id, FormOperation::kCheck, "SetCheck");
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
    if (QWidget* w = Checked<QWidget>(id, FormOperation::kAny, "Enable")) {
        w->setEnabled(enabled);
    }
}

bool QtForm::IsEnabled(int id) const {
    QWidget* w = Checked<QWidget>(id, FormOperation::kAny, "IsEnabled");
    return w != nullptr && w->isEnabledTo(const_cast<QtForm*>(this));
}

void QtForm::Show(int id, bool visible) {
    if (QWidget* w = Checked<QWidget>(id, FormOperation::kAny, "Show")) {
        w->setVisible(visible);
    }
}

void QtForm::SetPasswordMask(int id, bool masked) {
    if (auto* edit = Checked<QLineEdit>(id, FormOperation::kPasswordMask, "SetPasswordMask")) {
        edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    }
}

std::string QtForm::GetAddressText(int id) const {
    auto* edit = Checked<QLineEdit>(id, FormOperation::kAddress, "GetAddressText");
    return edit == nullptr ? std::string() : NormaliseAddressText(S(edit->text()));
}

void QtForm::SetAddressText(int id, const std::string& dotted) {
    if (auto* edit = Checked<QLineEdit>(id, FormOperation::kAddress, "SetAddressText")) {
        edit->setText(Q(dotted));
    }
}

void QtForm::AppendText(int id, const std::string& text) {
    auto* display = Checked<QPlainTextEdit>(id, FormOperation::kDisplay, "AppendText");
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
    auto* display = Checked<QPlainTextEdit>(id, FormOperation::kDisplay, "GetLineCount");
    if (display == nullptr || display->document()->isEmpty()) {
        return 0;
    }
    // ended lines, plus the text after the last break when there is any
    const QTextDocument* document = display->document();
    const int blocks = document->blockCount();
    return document->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

void QtForm::RemoveFirstLine(int id) {
    auto* display = Checked<QPlainTextEdit>(id, FormOperation::kDisplay, "RemoveFirstLine");
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
