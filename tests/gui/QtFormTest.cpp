// The generic form: each IForm operation on each widget kind, addressed by control id.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "GuiTestSupport.h"
#include "qt/QtDialogs.h"
#include "qt/QtForm.h"

namespace {

struct Form : ::testing::Test {
    QtForm form;
    void SetUp() override {
        form.AddLabel(1, "label", 0, 0, 40, 10);
        form.AddEdit(2, 0, 0, 40, 10);
        form.AddEdit(3, 0, 0, 40, 10, true);
        form.AddAddress(4, 0, 0, 60, 12);
        form.AddCombo(5, true, 0, 0, 60, 12);
        form.AddCombo(6, false, 0, 0, 60, 12);
        form.AddCombo(7, true, 0, 0, 60, 12, true);
        QButtonGroup* a = form.NewRadioGroup();
        form.AddRadio(10, "a1", a, 0, 0, 40, 10);
        form.AddRadio(11, "a2", a, 0, 0, 40, 10);
        QButtonGroup* b = form.NewRadioGroup();
        form.AddRadio(20, "b1", b, 0, 0, 40, 10);
        form.AddCheck(30, "check", 0, 0, 40, 10);
        form.AddButton(31, "button", 0, 0, 40, 14);
        form.AddDisplay(40, 0, 0, 100, 50);
        form.AddGroup(50, "group", 0, 0, 100, 50);
    }
};

TEST_F(Form, ControlsAreFoundByTheirIdAsObjectName) {
    for (int id : {1, 2, 3, 4, 5, 6, 7, 10, 11, 20, 30, 31, 40, 50}) {
        QWidget* byName = form.findChild<QWidget*>(QString::number(id));
        ASSERT_NE(byName, nullptr) << id;
        EXPECT_EQ(byName, form.Control(id));
    }
    EXPECT_EQ(form.Control(999), nullptr);
    // unknown ids are harmless
    form.SetText(999, "x");
    EXPECT_EQ(form.GetText(999), "");
    EXPECT_EQ(form.GetCurSel(999), -1);
    EXPECT_FALSE(form.IsEnabled(999));
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
