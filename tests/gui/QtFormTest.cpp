// The generic form: each IForm operation on each widget kind, addressed by control id.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "TestFormLayout.h"
#include "pages/MainWindowLayout.h"
#include "qt/QtDialogs.h"
#include "qt/QtForm.h"
#include "qt/QtVirtualKeys.h"

namespace {

struct Form : ::testing::Test {
    QtForm form{kTestFormLayout};
};

TEST_F(Form, ControlsAreFoundByTheirIdAsObjectName) {
    for (int id : {1, 2, 3, 4, 5, 6, 7, 10, 11, 20, 30, 31, 40, 50}) {
        QWidget* byName = form.findChild<QWidget*>(QString::number(id));
        ASSERT_NE(byName, nullptr) << id;
        EXPECT_EQ(byName, form.Control(id));
    }
    EXPECT_EQ(form.Control(999), nullptr);
}

// Every page is built from its description: each control in its place, hidden where the row
// says, each group of radio buttons exclusive on its own.
TEST(QtPages, HoldEveryControlAsItsPageDescribesIt) {
    for (const PageLayout* layout : kPageLayouts) {
        QtForm page(*layout);
        QButtonGroup* group = nullptr;
        for (const ControlRow& row : layout->controls) {
            if (row.id < 0) {
                continue;
            }
            SCOPED_TRACE(std::string(layout->name) + " " + row.name);
            QWidget* control = page.Control(row.id);
            ASSERT_NE(control, nullptr);
            const QRect expected =
                QtForm::Du(row.rect.x, row.rect.y, row.rect.width,
                           IsList(row.kind) ? QtForm::kListFieldHeight : row.rect.height);
            EXPECT_EQ(control->geometry(), expected);
            EXPECT_EQ(control->isHidden(), row.flag == ControlFlag::kHidden);
            if (row.kind == ControlKind::kRadio) {
                auto* radio = static_cast<QRadioButton*>(control);
                if (row.flag == ControlFlag::kStartsGroup) {
                    EXPECT_NE(radio->group(), group);
                }
                group = radio->group();
                ASSERT_NE(group, nullptr);
                EXPECT_TRUE(group->exclusive());
            }
        }
    }
}

// The kinds the shared form cases leave out.
TEST_F(Form, TextsRoundTripOnTheOtherKinds) {
    for (int id : {3, 40, 50}) {
        form.SetText(id, "Zr40 床号 %s");
        EXPECT_EQ(form.GetText(id), "Zr40 床号 %s") << id;
    }
}

// Typing into the list's field, as the user does.
TEST_F(Form, EditableListChoosesNothingForTypedText) {
    form.AddString(5, "OPEN");
    form.AddString(5, "WEP");
    form.SetCurSel(5, 1);
    auto* combo = ControlById<QComboBox>(&form, 5);
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "WPA3");
    EXPECT_EQ(form.GetText(5), "WPA3");
    EXPECT_EQ(form.GetCurSel(5), -1);
    EXPECT_EQ(form.GetCount(5), 2);  // typing adds no item
}

// Lists, radio groups, enabling, showing, the password mask and whole addresses: the shared
// form cases (QtFormBehaviourTest).

TEST_F(Form, AddressFieldTakesPartialTextAndTyping) {
    struct Case {
        const char* typed;
        const char* read;
    } cases[] = {
        {"10.0.0", "10.0.0.0"},
        {"010.1.2.3", "10.1.2.3"},
        {"1..2.", "1.0.2.0"},
    };
    for (const Case& c : cases) {
        form.SetAddressText(4, c.typed);
        EXPECT_EQ(form.GetAddressText(4), c.read) << c.typed;
    }
    // typing keeps to four dotted numbers of three digits, and never alters a number: one
    // above 255 reaches the page as typed, which refuses it
    auto* edit = ControlById<QLineEdit>(&form, 4);
    for (const Case& c :
         {Case{"300.1a.2.3.4", "300.1.2.34"}, Case{"192.168.1.256", "192.168.1.256"},
          Case{"1.2.3.4567", "1.2.3.456"}}) {
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(edit->text().toStdString(), c.read) << c.typed;
        EXPECT_EQ(form.GetAddressText(4), c.read) << c.typed;
    }
    EXPECT_EQ(NormaliseAddressText("1.2.3.4.5"), "1.2.3.4");
    EXPECT_EQ(NormaliseAddressText("99999.1.1.1"), "999.1.1.1");
}

TEST_F(Form, TrafficDisplayAppendsCountsAndDropsFirstLine) {
    EXPECT_EQ(form.GetLineCount(40), 0);
    form.AppendText(40, "");
    EXPECT_EQ(form.GetText(40), "");
    form.AppendText(40, "one\r\n");
    EXPECT_EQ(form.GetLineCount(40), 1);
    form.AppendText(40, "tw");
    EXPECT_EQ(form.GetLineCount(40), 2);  // text after the last break is a line
    form.AppendText(40, "o\r\nthree\r\n");
    EXPECT_EQ(form.GetLineCount(40), 3);
    EXPECT_EQ(form.GetText(40), "one\ntwo\nthree\n");
    form.RemoveFirstLine(40);
    EXPECT_EQ(form.GetLineCount(40), 2);
    EXPECT_EQ(form.GetText(40), "two\nthree\n");
    form.SetText(40, "last");
    form.RemoveFirstLine(40);  // no break left: everything goes
    EXPECT_EQ(form.GetText(40), "");
    EXPECT_EQ(form.GetLineCount(40), 0);
    form.RemoveFirstLine(40);  // nothing to remove
    EXPECT_EQ(form.GetText(40), "");
}

TEST(QtDialogsFilter, PipeFormBecomesQtFilters) {
    struct Case {
        const char* pipes;
        const char* qt;
    } cases[] = {
        {"ConfigFile (.ini)|*.ini|All Files (*.*)|*.*||",
         "ConfigFile (.ini) (*.ini);;All Files (*.*) (*.*)"},
        {"Text|*.txt;*.log||", "Text (*.txt *.log)"},
        {"", ""},
        {"Odd|", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtDialogs::ConvertFilter(c.pipes).toStdString(), c.qt) << c.pipes;
    }
}

}  // namespace

TEST(QtVirtualKeys, QtKeysMapToVirtualKeys) {
    struct Case {
        int qt;
        bool keypad;
        int vk;
    } const cases[] = {
        {Qt::Key_0, false, 0x30},        {Qt::Key_9, false, 0x39},
        {Qt::Key_1, true, 0x61},         {Qt::Key_6, true, 0x66},
        {Qt::Key_7, true, 0x67},         {Qt::Key_A, false, 0x41},
        {Qt::Key_F, false, 0x46},        {Qt::Key_G, false, 0x47},
        {Qt::Key_Space, false, 0x20},    {Qt::Key_Backspace, false, 0x08},
        {Qt::Key_Shift, false, 0x10},    {Qt::Key_Control, false, 0x11},
        {Qt::Key_CapsLock, false, 0x14}, {Qt::Key_End, false, 0x23},
        {Qt::Key_Home, false, 0x24},     {Qt::Key_Insert, false, 0x2D},
        {Qt::Key_Delete, false, 0x2E},   {Qt::Key_NumLock, false, 0x90},
        {Qt::Key_Left, false, 0x25},     {Qt::Key_F1, false, 0},  // no counterpart
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VirtualKeyFromQtKey(c.qt, c.keypad), c.vk) << std::hex << c.qt;
    }
}
