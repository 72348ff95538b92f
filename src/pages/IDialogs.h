#pragma once
// The modal dialogs a page may open: message boxes, file choosers and the folder picker.
// Texts are UTF-8. A chooser returns false when the user cancelled.
#include <string>

class IDialogs {
  public:
    virtual ~IDialogs() = default;

    virtual void MessageBox(const std::string& text) = 0;
    // A question with Yes and No buttons (No the default); true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // filter in the "Name (.ext)|*.ext|All Files (*.*)|*.*||" form.
    virtual bool OpenFile(const std::string& filter, const std::string& defaultExt,
                          std::string& path) = 0;
    // Asks before overwriting an existing file.
    virtual bool SaveFile(const std::string& filter, const std::string& defaultExt,
                          const std::string& defaultName, std::string& path) = 0;
    virtual bool PickFolder(const std::string& title, std::string& path) = 0;
};
