#include "win32/Win32Dialogs.h"

#include <algorithm>
#include <vector>

#include "win32/Win32Text.h"

using win32ui::Utf8;
using win32ui::Wide;

namespace {

// The name the settings pages offer in both of their file dialogs (their save dialogs are
// handed it; the open dialog offers the same file).
constexpr char kSettingsFileName[] = "SystemSetting";

}  // namespace

std::wstring Win32Dialogs::Caption() const {
    HWND window = owner_ != nullptr ? ::GetAncestor(owner_, GA_ROOT) : nullptr;
    std::wstring caption = window != nullptr ? win32ui::WindowText(window) : std::wstring();
    return caption.empty() ? std::wstring(L"Zr40Tool") : caption;
}

void Win32Dialogs::MessageBox(const std::string& text) {
    const std::wstring caption = Caption();
    ::MessageBoxW(owner_, Wide(text).c_str(), caption.c_str(), MB_OK);
}

bool Win32Dialogs::AskYesNo(const std::string& text) {
    const std::wstring caption = Caption();
    return ::MessageBoxW(owner_, Wide(text).c_str(), caption.c_str(),
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::wstring Win32Dialogs::ConvertFilter(const std::string& filter) {
    std::wstring converted = Wide(filter);
    // the trailing "||" becomes the list's closing pair of NULs
    while (!converted.empty() && converted.back() == L'|') {
        converted.pop_back();
    }
    for (wchar_t& c : converted) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    converted.push_back(L'\0');
    converted.push_back(L'\0');
    return converted;
}

bool Win32Dialogs::RunFileDialog(bool save, const std::string& filter,
                                 const std::string& defaultExt, const std::string& defaultName,
                                 std::string& path) {
    const std::wstring filters = ConvertFilter(filter);
    std::wstring ext = Wide(defaultExt);
    if (!ext.empty() && ext.front() == L'.') {
        ext.erase(0, 1);
    }
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = Wide(defaultName);
    name.copy(file.data(), std::min(name.size(), file.size() - 1));

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // no title of our own: the dialog says Open or Save As in the system's language
    ofn.lpstrTitle = nullptr;
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    BOOL chosen = FALSE;
    if (save) {
        ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = ::GetSaveFileNameW(&ofn);
    } else {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = ::GetOpenFileNameW(&ofn);
    }
    if (!chosen || file[0] == L'\0') {
        return false;
    }
    path = Utf8(std::wstring(file.data()));
    return true;
}

bool Win32Dialogs::OpenFile(const std::string& filter, const std::string& defaultExt,
                            std::string& path) {
    return RunFileDialog(false, filter, defaultExt, kSettingsFileName, path);
}

bool Win32Dialogs::SaveFile(const std::string& filter, const std::string& defaultExt,
                            const std::string& defaultName, std::string& path) {
    return RunFileDialog(true, filter, defaultExt, defaultName, path);
}

bool Win32Dialogs::PickFolder(const std::string& title, std::string& path) {
    const std::wstring wideTitle = Wide(title);
    BROWSEINFOW info = {};
    info.hwndOwner = owner_;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (chosen == nullptr) {
        return false;
    }
    wchar_t folder[MAX_PATH] = {};
    const BOOL ok = ::SHGetPathFromIDListW(chosen, folder);
    ::CoTaskMemFree(chosen);
    if (!ok || folder[0] == L'\0') {
        return false;
    }
    path = Utf8(std::wstring(folder));
    return true;
}
