#pragma once
// The behaviour every front end's form owes the page logic, as one typed test suite over
// IForm. A front end instantiates it with a traits class that builds real controls in these
// roles:
//   IForm& Form(FormRole)   the form holding the control of that role
//   int Id(FormRole)        its control id
//   bool IsShown(FormRole)  the control is not hidden
//   bool IsMasked(FormRole) the edit field shows its text masked
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "FormMisuseCheck.h"
#include "pages/IForm.h"

enum class FormRole {
    kLabel,
    kEdit,
    kPassword,
    kAddress,
    kEditableList,
    kDropList,
    kSortedList,  // editable, sorted
    kRadioA1,     // group A
    kRadioA2,     // group A
    kRadioB1,     // group B
    kCheck,
    kButton,
};

template <class Traits>
class FormBehaviour : public ::testing::Test {
  protected:
    IForm& F(FormRole role) { return traits_.Form(role); }
    int Id(FormRole role) { return traits_.Id(role); }
    Traits traits_;
};

TYPED_TEST_SUITE_P(FormBehaviour);

TYPED_TEST_P(FormBehaviour, TextsRoundTripOnEveryKind) {
    for (FormRole role : {FormRole::kLabel, FormRole::kEdit, FormRole::kEditableList,
                          FormRole::kCheck, FormRole::kButton}) {
        this->F(role).SetText(this->Id(role), "Zr40 床号 %s");
        EXPECT_EQ(this->F(role).GetText(this->Id(role)), "Zr40 床号 %s") << static_cast<int>(role);
    }
}

// A call the control's kind cannot do, or on an id the page lacks, does nothing and says so.
TYPED_TEST_P(FormBehaviour, CallsTheControlCannotDoAreReported) {
    struct Case {
        FormRole role;
        const char* call;
        std::function<void(IForm&, int)> make;
    } const cases[] = {
        {FormRole::kButton, "GetCurSel", [](IForm& f, int id) { EXPECT_EQ(f.GetCurSel(id), -1); }},
        {FormRole::kEdit, "AddString", [](IForm& f, int id) { f.AddString(id, "x"); }},
        {FormRole::kLabel, "SetCheck", [](IForm& f, int id) { f.SetCheck(id, true); }},
        {FormRole::kAddress, "GetText", [](IForm& f, int id) { EXPECT_EQ(f.GetText(id), ""); }},
        {FormRole::kEdit, "SetPasswordMask", [](IForm& f, int id) { f.SetPasswordMask(id, true); }},
        {FormRole::kEditableList, "SetAddressText",
         [](IForm& f, int id) { f.SetAddressText(id, "1.2.3.4"); }},
        {FormRole::kCheck, "AppendText", [](IForm& f, int id) { f.AppendText(id, "x"); }},
    };
    for (const Case& c : cases) {
        CapturedFormMisuse misuse;
        c.make(this->F(c.role), this->Id(c.role));
        ASSERT_EQ(misuse.reports.size(), 1u) << c.call;
        EXPECT_NE(misuse.reports[0].find(c.call), std::string::npos) << misuse.reports[0];
        EXPECT_NE(misuse.reports[0].find(std::to_string(this->Id(c.role))), std::string::npos)
            << misuse.reports[0];
    }
    CapturedFormMisuse misuse;
    IForm& form = this->F(FormRole::kEdit);
    form.SetText(999, "x");
    EXPECT_EQ(form.GetText(999), "");
    EXPECT_FALSE(form.IsEnabled(999));
    EXPECT_EQ(misuse.reports.size(), 3u);
}

TYPED_TEST_P(FormBehaviour, EditableListChoosesNothingForOtherText) {
    IForm& form = this->F(FormRole::kEditableList);
    const int id = this->Id(FormRole::kEditableList);
    form.ResetContent(id);
    form.AddString(id, "OPEN");
    form.AddString(id, "WEP");
    EXPECT_EQ(form.GetCurSel(id), -1);  // the first item added does not choose itself
    EXPECT_EQ(form.GetCount(id), 2);
    form.SetCurSel(id, 1);
    EXPECT_EQ(form.GetCurSel(id), 1);
    EXPECT_EQ(form.GetText(id), "WEP");
    form.SetText(id, "WPA3");
    EXPECT_EQ(form.GetText(id), "WPA3");
    EXPECT_EQ(form.GetCurSel(id), -1);
    EXPECT_EQ(form.GetCount(id), 2);  // text adds no item
    form.SetCurSel(id, 7);            // out of range: no choice, no text
    EXPECT_EQ(form.GetCurSel(id), -1);
    EXPECT_EQ(form.GetText(id), "");
    form.InsertString(id, 0, "FIRST");
    form.SetCurSel(id, 0);
    EXPECT_EQ(form.GetText(id), "FIRST");
    form.ResetContent(id);
    EXPECT_EQ(form.GetCount(id), 0);
    EXPECT_EQ(form.GetCurSel(id), -1);
    EXPECT_EQ(form.GetText(id), "");
}

TYPED_TEST_P(FormBehaviour, DropDownListAndSortedList) {
    IForm& drop = this->F(FormRole::kDropList);
    const int dropId = this->Id(FormRole::kDropList);
    drop.ResetContent(dropId);
    drop.InsertString(dropId, 0, "English");
    drop.InsertString(dropId, 0, "中文");
    EXPECT_EQ(drop.GetCurSel(dropId), -1);
    drop.SetCurSel(dropId, 1);
    EXPECT_EQ(drop.GetText(dropId), "English");
    drop.SetText(dropId, "中文");  // a drop-down list's text chooses the item that has it
    EXPECT_EQ(drop.GetCurSel(dropId), 0);

    IForm& sorted = this->F(FormRole::kSortedList);
    const int id = this->Id(FormRole::kSortedList);
    sorted.ResetContent(id);
    for (const char* item : {"WPA2", "OPEN", "wep", "WPA"}) {
        sorted.AddString(id, item);
    }
    const char* const expected[] = {"OPEN", "wep", "WPA", "WPA2"};
    ASSERT_EQ(sorted.GetCount(id), 4);
    for (int i = 0; i < 4; ++i) {
        sorted.SetCurSel(id, i);
        EXPECT_EQ(sorted.GetText(id), expected[i]) << i;
    }
    sorted.SetText(id, "WPA2/个人");  // a text that is no item is kept as typed
    EXPECT_EQ(sorted.GetText(id), "WPA2/个人");
    EXPECT_EQ(sorted.GetCurSel(id), -1);
}

TYPED_TEST_P(FormBehaviour, RadioGroupsAreIndependentAndCanBeCleared) {
    IForm& form = this->F(FormRole::kRadioA1);
    const int a1 = this->Id(FormRole::kRadioA1);
    const int a2 = this->Id(FormRole::kRadioA2);
    const int b1 = this->Id(FormRole::kRadioB1);
    form.SetCheck(a1, true);
    form.SetCheck(b1, true);
    EXPECT_TRUE(form.GetCheck(a1));
    EXPECT_TRUE(form.GetCheck(b1));
    form.SetCheck(a2, true);
    EXPECT_FALSE(form.GetCheck(a1));
    EXPECT_TRUE(form.GetCheck(a2));
    form.SetCheck(a2, false);
    EXPECT_FALSE(form.GetCheck(a2));
    EXPECT_FALSE(form.GetCheck(a1));
    EXPECT_TRUE(form.GetCheck(b1));
    IForm& check = this->F(FormRole::kCheck);
    check.SetCheck(this->Id(FormRole::kCheck), true);
    EXPECT_TRUE(check.GetCheck(this->Id(FormRole::kCheck)));
    check.SetCheck(this->Id(FormRole::kCheck), false);
    EXPECT_FALSE(check.GetCheck(this->Id(FormRole::kCheck)));
}

TYPED_TEST_P(FormBehaviour, EnableShowAndPasswordMask) {
    IForm& form = this->F(FormRole::kButton);
    const int button = this->Id(FormRole::kButton);
    form.Enable(button, false);
    EXPECT_FALSE(form.IsEnabled(button));
    form.Enable(button, true);
    EXPECT_TRUE(form.IsEnabled(button));
    IForm& labels = this->F(FormRole::kLabel);
    labels.Show(this->Id(FormRole::kLabel), false);
    EXPECT_FALSE(this->traits_.IsShown(FormRole::kLabel));
    labels.Show(this->Id(FormRole::kLabel), true);
    EXPECT_TRUE(this->traits_.IsShown(FormRole::kLabel));
    IForm& edits = this->F(FormRole::kPassword);
    const int password = this->Id(FormRole::kPassword);
    EXPECT_TRUE(this->traits_.IsMasked(FormRole::kPassword));
    edits.SetText(password, "secret");
    edits.SetPasswordMask(password, false);
    EXPECT_FALSE(this->traits_.IsMasked(FormRole::kPassword));
    edits.SetPasswordMask(password, true);
    EXPECT_TRUE(this->traits_.IsMasked(FormRole::kPassword));
    EXPECT_EQ(edits.GetText(password), "secret");
}

TYPED_TEST_P(FormBehaviour, AddressFieldReadsDottedOrBlank) {
    IForm& form = this->F(FormRole::kAddress);
    const int id = this->Id(FormRole::kAddress);
    struct Case {
        const char* set;
        const char* read;
    } cases[] = {
        {"192.168.1.101", "192.168.1.101"},
        {"", ""},
        {"10.0.0.0", "10.0.0.0"},
        {"255.255.255.255", "255.255.255.255"},
        {"0.0.0.0", "0.0.0.0"},
    };
    for (const Case& c : cases) {
        form.SetAddressText(id, c.set);
        EXPECT_EQ(form.GetAddressText(id), c.read) << c.set;
    }
}

REGISTER_TYPED_TEST_SUITE_P(FormBehaviour, TextsRoundTripOnEveryKind,
                            CallsTheControlCannotDoAreReported,
                            EditableListChoosesNothingForOtherText, DropDownListAndSortedList,
                            RadioGroupsAreIndependentAndCanBeCleared, EnableShowAndPasswordMask,
                            AddressFieldReadsDottedOrBlank);
