#pragma once
// Dialogs for a window nobody is sitting at (the screenshots): messages and questions go to the
// console, questions are answered yes, no file or folder is ever chosen.
#include <cstdio>
#include <string>

#include "pages/IDialogs.h"

class ConsoleDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string& text) override {
        std::fprintf(stderr, "question: %s\n", text.c_str());
        return true;
    }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFile(const std::string&, const std::string&, const std::string&,
                  std::string&) override {
        return false;
    }
    bool PickFolder(const std::string&, std::string&) override { return false; }
};

// The frame the screenshots show typed and sent on the debug page.
inline constexpr char kScreenshotDebugFrame[] = "00 0a 00 12 00 05 00 00 01 02";
