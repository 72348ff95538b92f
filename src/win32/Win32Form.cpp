#include "win32/Win32Form.h"

#include <cstdlib>

#include "win32/Win32Text.h"

using win32ui::Utf8;
using win32ui::Wide;
using win32ui::WindowText;

namespace {

std::wstring ItemText(HWND combo, int index) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// "a.b.c.d" with each part 0..255; partial text ("10.0.0") fills the rest with 0.
bool ParseAddress(const std::string& dotted, BYTE (&parts)[4]) {
    int part = 0;
    int value = -1;
    for (char c : dotted) {
        if (c == '.') {
            parts[part] = static_cast<BYTE>(value < 0 ? 0 : value);
            value = -1;
            if (++part >= 4) {
                return false;
            }
        } else if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
            if (value > 255) {
                return false;
            }
        } else {
            return false;
        }
    }
    parts[part] = static_cast<BYTE>(value < 0 ? 0 : value);
    for (int i = part + 1; i < 4; ++i) {
        parts[i] = 0;
    }
    return true;
}

}  // namespace

HWND Win32Form::Control(int id) const {
    return dialog_ == nullptr ? nullptr : ::GetDlgItem(dialog_, id);
}

HWND Win32Form::Checked(int id, FormOperation operation, const char* name,
                        ControlKind* kind) const {
    const ControlRow* row = CheckedControl(layout_, id, operation, name);
    if (row == nullptr) {
        return nullptr;
    }
    if (kind != nullptr) {
        *kind = row->kind;
    }
    return Control(id);
}

std::string Win32Form::GetText(int id) const {
    HWND control = Checked(id, FormOperation::kText, "GetText");
    return control == nullptr ? std::string() : Utf8(WindowText(control));
}

void Win32Form::SetText(int id, const std::string& text) {
    ControlKind kind = ControlKind::kLabel;
    HWND control = Checked(id, FormOperation::kText, "SetText", &kind);
    if (control == nullptr) {
        return;
    }
    const std::wstring wide = Wide(text);
    if (kind == ControlKind::kDropList) {
        // a drop-down list shows only its items: the text chooses the item that has it
        const LRESULT index = ::SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(wide.c_str()));
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
        return;
    }
    if (kind == ControlKind::kDisplay) {
        ::SetWindowTextW(control, L"");
        AppendText(id, text);
        return;
    }
    ::SetWindowTextW(control, wide.c_str());
}

int Win32Form::GetCurSel(int id) const {
    ControlKind kind = ControlKind::kList;
    HWND combo = Checked(id, FormOperation::kList, "GetCurSel", &kind);
    if (combo == nullptr) {
        return -1;
    }
    const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR || index < 0) {
        return -1;
    }
    // typed text that is not the chosen item's text chooses nothing
    if (IsEditableList(kind) && WindowText(combo) != ItemText(combo, static_cast<int>(index))) {
        return -1;
    }
    return static_cast<int>(index);
}

void Win32Form::SetCurSel(int id, int index) {
    ControlKind kind = ControlKind::kList;
    HWND combo = Checked(id, FormOperation::kList, "SetCurSel", &kind);
    if (combo == nullptr) {
        return;
    }
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) {
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        if (IsEditableList(kind)) {
            ::SetWindowTextW(combo, L"");
        }
        return;
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Form::GetCount(int id) const {
    HWND combo = Checked(id, FormOperation::kList, "GetCount");
    if (combo == nullptr) {
        return 0;
    }
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

void Win32Form::ResetContent(int id) {
    ControlKind kind = ControlKind::kList;
    if (HWND combo = Checked(id, FormOperation::kList, "ResetContent", &kind)) {
        ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        if (IsEditableList(kind)) {
            ::SetWindowTextW(combo, L"");
        }
    }
}

void Win32Form::AddString(int id, const std::string& item) {
    if (HWND combo = Checked(id, FormOperation::kList, "AddString")) {
        // a CBS_SORT list places the item itself
        const std::wstring wide = Wide(item);
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

void Win32Form::InsertString(int id, int index, const std::string& item) {
    HWND combo = Checked(id, FormOperation::kList, "InsertString");
    if (combo == nullptr) {
        return;
    }
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    const int pos = (index < 0 || index > count) ? -1 : index;
    const std::wstring wide = Wide(item);
    ::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(pos),
                   reinterpret_cast<LPARAM>(wide.c_str()));
}

bool Win32Form::GetCheck(int id) const {
    HWND button = Checked(id, FormOperation::kCheck, "GetCheck");
    return button != nullptr && ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetCheck(int id, bool checked) {
    ControlKind kind = ControlKind::kCheck;
    HWND button = Checked(id, FormOperation::kCheck, "SetCheck", &kind);
    if (button == nullptr) {
        return;
    }
    if (checked && kind == ControlKind::kRadio) {
        // BM_SETCHECK alone would leave the group's other button chosen as well
        UncheckGroupSiblings(id);
    }
    ::SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The radio buttons of one group: from the control that starts it to the next one that starts
// a group, in the order of the page's description (the template's order).
void Win32Form::UncheckGroupSiblings(int id) {
    const auto& controls = layout_.controls;
    std::size_t at = 0;
    while (at < controls.size() && controls[at].id != id) {
        ++at;
    }
    std::size_t first = at;
    while (first > 0 && controls[first].flag != ControlFlag::kStartsGroup) {
        --first;
    }
    for (std::size_t i = first; i < controls.size(); ++i) {
        if (i != first && controls[i].flag == ControlFlag::kStartsGroup) {
            break;
        }
        if (i != at && controls[i].kind == ControlKind::kRadio) {
            ::SendMessageW(Control(controls[i].id), BM_SETCHECK, BST_UNCHECKED, 0);
        }
    }
}

void Win32Form::Enable(int id, bool enabled) {
    if (HWND control = Checked(id, FormOperation::kAny, "Enable")) {
        ::EnableWindow(control, enabled ? TRUE : FALSE);
    }
}

bool Win32Form::IsEnabled(int id) const {
    HWND control = Checked(id, FormOperation::kAny, "IsEnabled");
    return control != nullptr && ::IsWindowEnabled(control) != FALSE;
}

void Win32Form::Show(int id, bool visible) {
    if (HWND control = Checked(id, FormOperation::kAny, "Show")) {
        ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
}

void Win32Form::SetPasswordMask(int id, bool masked) {
    if (HWND edit = Checked(id, FormOperation::kPasswordMask, "SetPasswordMask")) {
        ::SendMessageW(edit, EM_SETPASSWORDCHAR, masked ? L'*' : 0, 0);
        ::InvalidateRect(edit, nullptr, TRUE);
    }
}

std::string Win32Form::GetAddressText(int id) const {
    HWND field = Checked(id, FormOperation::kAddress, "GetAddressText");
    if (field == nullptr || ::SendMessageW(field, IPM_ISBLANK, 0, 0) != 0) {
        return {};
    }
    DWORD address = 0;
    ::SendMessageW(field, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return std::to_string(FIRST_IPADDRESS(address)) + "." +
           std::to_string(SECOND_IPADDRESS(address)) + "." +
           std::to_string(THIRD_IPADDRESS(address)) + "." +
           std::to_string(FOURTH_IPADDRESS(address));
}

void Win32Form::SetAddressText(int id, const std::string& dotted) {
    HWND field = Checked(id, FormOperation::kAddress, "SetAddressText");
    if (field == nullptr) {
        return;
    }
    BYTE parts[4] = {};
    if (dotted.empty() || !ParseAddress(dotted, parts)) {
        ::SendMessageW(field, IPM_CLEARADDRESS, 0, 0);
        return;
    }
    ::SendMessageW(field, IPM_SETADDRESS, 0,
                   static_cast<LPARAM>(MAKEIPADDRESS(parts[0], parts[1], parts[2], parts[3])));
}

void Win32Form::AppendText(int id, const std::string& text) {
    HWND edit = Checked(id, FormOperation::kDisplay, "AppendText");
    if (edit == nullptr || text.empty()) {
        return;
    }
    // a multi-line edit breaks lines only at "\r\n"
    std::wstring added;
    const std::wstring wide = Wide(text);
    added.reserve(wide.size() + 16);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r')) {
            added += L'\r';
        }
        added += wide[i];
    }
    const int length = ::GetWindowTextLengthW(edit);
    ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

int Win32Form::GetLineCount(int id) const {
    HWND edit = Checked(id, FormOperation::kDisplay, "GetLineCount");
    if (edit == nullptr) {
        return 0;
    }
    // the edit counts the empty line after a final break as a line; that one is not
    const int lines = static_cast<int>(::SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
    const LRESULT lastStart = ::SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(lines - 1), 0);
    const LRESULT lastLength =
        ::SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0);
    return lastLength == 0 ? lines - 1 : lines;
}

void Win32Form::RemoveFirstLine(int id) {
    HWND edit = Checked(id, FormOperation::kDisplay, "RemoveFirstLine");
    if (edit == nullptr) {
        return;
    }
    const LRESULT second = ::SendMessageW(edit, EM_LINEINDEX, 1, 0);
    const LRESULT end = second < 0 ? ::GetWindowTextLengthW(edit) : second;
    ::SendMessageW(edit, EM_SETSEL, 0, static_cast<LPARAM>(end));
    ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}
