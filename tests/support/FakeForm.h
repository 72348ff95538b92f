#pragma once
// In-memory form and dialogs for page tests: every control of the page's description is a
// record keyed by its id; a call its kind cannot do, or on an id the page lacks, fails the test.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "pages/FormMisuse.h"
#include "pages/IDebugDisplay.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/PageLayout.h"

class FakeForm : public IForm {
  public:
    struct Control {
        std::string text;
        std::vector<std::string> items;
        int curSel = -1;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        bool masked = false;
    };

    explicit FakeForm(const PageLayout& layout);

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

    // Test access: the control record (created on first use).
    Control& At(int id) { return controls_[id]; }
    const Control* Find(int id) const;
    // Simulates the user typing free text into an editable list (no item chosen).
    void TypeInList(int id, const std::string& text);

  private:
    bool Can(int id, FormOperation operation, const char* name) const {
        return CheckedControl(*layout_, id, operation, name) != nullptr;
    }

    const PageLayout* layout_;
    std::map<int, Control> controls_;
};

class FakeDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return yes;
    }
    bool OpenFile(const std::string& filter, const std::string& defaultExt,
                  std::string& path) override;
    bool SaveFile(const std::string& filter, const std::string& defaultExt,
                  const std::string& defaultName, std::string& path) override;
    bool PickFolder(const std::string& title, std::string& path) override;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool yes = true;  // the answer to every question
    // Answers the choosers give, in order; an empty answer (or none left) is a cancel.
    std::deque<std::string> answers;
    // What the last chooser was asked with.
    std::string lastFilter, lastExt, lastDefaultName, lastTitle;

  private:
    bool Answer(std::string& path);
};

// The debug console's display as one string, with the line rules of IDebugDisplay.
class FakeDebugDisplay : public IDebugDisplay {
  public:
    void AppendText(const std::string& text) override { this->text += text; }
    int GetLineCount() const override;
    void RemoveFirstLine() override;
    void Clear() override { text.clear(); }

    // The lines without their breaks.
    std::vector<std::string> Lines() const;

    std::string text;
};
