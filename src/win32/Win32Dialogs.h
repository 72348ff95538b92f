#pragma once
// The pages' modal dialogs on Windows: MessageBoxW, the common open/save dialogs and the shell's
// folder picker, owned by the main window (set once it exists). The caption is the owner's.

#include "win32/Win32Api.h"

#include <string>

#include "pages/IDialogs.h"

class Win32Dialogs : public IDialogs {
  public:
    explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    void MessageBox(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool OpenFile(const std::string& filter, const std::string& defaultExt,
                  std::string& path) override;
    bool SaveFile(const std::string& filter, const std::string& defaultExt,
                  const std::string& defaultName, std::string& path) override;
    bool PickFolder(const std::string& title, std::string& path) override;

    // "Name|*.ext|All Files (*.*)|*.*||" as the file dialogs take it: pairs ended by NULs,
    // the list ended by an empty string.
    static std::wstring ConvertFilter(const std::string& filter);

  private:
    std::wstring Caption() const;
    bool RunFileDialog(bool save, const std::string& filter, const std::string& defaultExt,
                       const std::string& defaultName, std::string& path);

    HWND owner_;
};
