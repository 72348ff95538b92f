#include "FakeForm.h"

#include "FormMisuseCheck.h"

FakeForm::FakeForm(const PageLayout& layout) : layout_(&layout) {
    FailTestsOnFormMisuse();
}

const FakeForm::Control* FakeForm::Find(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

std::string FakeForm::GetText(int id) const {
    if (!Can(id, FormOperation::kText, "GetText")) {
        return {};
    }
    const Control* c = Find(id);
    return c ? c->text : std::string();
}

void FakeForm::SetText(int id, const std::string& text) {
    if (!Can(id, FormOperation::kText, "SetText")) {
        return;
    }
    controls_[id].text = text;
}

int FakeForm::GetCurSel(int id) const {
    if (!Can(id, FormOperation::kList, "GetCurSel")) {
        return -1;
    }
    const Control* c = Find(id);
    return c ? c->curSel : -1;
}

void FakeForm::SetCurSel(int id, int index) {
    if (!Can(id, FormOperation::kList, "SetCurSel")) {
        return;
    }
    Control& c = controls_[id];
    if (index >= 0 && index < static_cast<int>(c.items.size())) {
        c.curSel = index;
        c.text = c.items[static_cast<std::size_t>(index)];
    } else {
        c.curSel = -1;
    }
}

int FakeForm::GetCount(int id) const {
    if (!Can(id, FormOperation::kList, "GetCount")) {
        return 0;
    }
    const Control* c = Find(id);
    return c ? static_cast<int>(c->items.size()) : 0;
}

void FakeForm::ResetContent(int id) {
    if (!Can(id, FormOperation::kList, "ResetContent")) {
        return;
    }
    Control& c = controls_[id];
    c.items.clear();
    c.curSel = -1;
    c.text.clear();
}

void FakeForm::AddString(int id, const std::string& item) {
    if (!Can(id, FormOperation::kList, "AddString")) {
        return;
    }
    controls_[id].items.push_back(item);
}

void FakeForm::InsertString(int id, int index, const std::string& item) {
    if (!Can(id, FormOperation::kList, "InsertString")) {
        return;
    }
    Control& c = controls_[id];
    if (index < 0 || index > static_cast<int>(c.items.size())) {
        c.items.push_back(item);
    } else {
        c.items.insert(c.items.begin() + index, item);
    }
}

bool FakeForm::GetCheck(int id) const {
    if (!Can(id, FormOperation::kCheck, "GetCheck")) {
        return false;
    }
    const Control* c = Find(id);
    return c ? c->checked : false;
}

void FakeForm::SetCheck(int id, bool checked) {
    if (!Can(id, FormOperation::kCheck, "SetCheck")) {
        return;
    }
    controls_[id].checked = checked;
}

void FakeForm::Enable(int id, bool enabled) {
    if (!Can(id, FormOperation::kAny, "Enable")) {
        return;
    }
    controls_[id].enabled = enabled;
}

bool FakeForm::IsEnabled(int id) const {
    if (!Can(id, FormOperation::kAny, "IsEnabled")) {
        return false;
    }
    const Control* c = Find(id);
    return c ? c->enabled : true;
}

void FakeForm::Show(int id, bool visible) {
    if (!Can(id, FormOperation::kAny, "Show")) {
        return;
    }
    controls_[id].visible = visible;
}

void FakeForm::SetPasswordMask(int id, bool masked) {
    if (!Can(id, FormOperation::kPasswordMask, "SetPasswordMask")) {
        return;
    }
    controls_[id].masked = masked;
}

std::string FakeForm::GetAddressText(int id) const {
    if (!Can(id, FormOperation::kAddress, "GetAddressText")) {
        return {};
    }
    const Control* c = Find(id);
    return c ? c->text : std::string();
}

void FakeForm::SetAddressText(int id, const std::string& dotted) {
    if (!Can(id, FormOperation::kAddress, "SetAddressText")) {
        return;
    }
    controls_[id].text = dotted;
}

// The display keeps its text in a FakeDebugDisplay's way.
void FakeForm::AppendText(int id, const std::string& text) {
    if (Can(id, FormOperation::kDisplay, "AppendText")) {
        controls_[id].text += text;
    }
}

int FakeForm::GetLineCount(int id) const {
    if (!Can(id, FormOperation::kDisplay, "GetLineCount")) {
        return 0;
    }
    FakeDebugDisplay display;
    display.text = GetText(id);
    return display.GetLineCount();
}

void FakeForm::RemoveFirstLine(int id) {
    if (Can(id, FormOperation::kDisplay, "RemoveFirstLine")) {
        FakeDebugDisplay display;
        display.text = controls_[id].text;
        display.RemoveFirstLine();
        controls_[id].text = display.text;
    }
}

void FakeForm::TypeInList(int id, const std::string& text) {
    Control& c = controls_[id];
    c.curSel = -1;
    c.text = text;
}

bool FakeDialogs::Answer(std::string& path) {
    if (answers.empty()) {
        return false;
    }
    std::string a = answers.front();
    answers.pop_front();
    if (a.empty()) {
        return false;
    }
    path = a;
    return true;
}

bool FakeDialogs::OpenFile(const std::string& filter, const std::string& defaultExt,
                           std::string& path) {
    lastFilter = filter;
    lastExt = defaultExt;
    return Answer(path);
}

bool FakeDialogs::SaveFile(const std::string& filter, const std::string& defaultExt,
                           const std::string& defaultName, std::string& path) {
    lastFilter = filter;
    lastExt = defaultExt;
    lastDefaultName = defaultName;
    return Answer(path);
}

bool FakeDialogs::PickFolder(const std::string& title, std::string& path) {
    lastTitle = title;
    return Answer(path);
}

int FakeDebugDisplay::GetLineCount() const {
    int count = 0;
    for (char c : text) {
        count += c == '\n' ? 1 : 0;
    }
    if (!text.empty() && text.back() != '\n') {
        ++count;
    }
    return count;
}

void FakeDebugDisplay::RemoveFirstLine() {
    const std::size_t end = text.find('\n');
    text.erase(0, end == std::string::npos ? std::string::npos : end + 1);
}

std::vector<std::string> FakeDebugDisplay::Lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
