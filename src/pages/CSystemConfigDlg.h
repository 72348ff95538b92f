#pragma once
// The system page (tab 5): the display language and the tool's version.
//
// Controls (SystemPageId):
//   1038 language selector (drop-down list)  items text 63, text 64; shows the language in use
//   1007 language button                     click -> OnLanguageButton()
//   1076 version line                        "text 12: 1.0.0.R132"
// The main window calls FillTexts() at start and after every language change.
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/LanguageTexts.h"

inline constexpr char kToolVersion[] = "1.0.0.R132";

class CSystemConfigDlg {
  public:
    // `texts` answers the captions and takes the language choice.
    CSystemConfigDlg(IForm& form, IDialogs& dialogs, LanguageTexts& texts = GetLanguageTexts());

    // Rebuilds the selector on the language in use, the button caption and the version line.
    void FillTexts();
    void RefreshCaptions() { FillTexts(); }
    // Chooses language id index + 1 (0 Chinese, 1 English). With nothing chosen, or the language
    // in use chosen again, nothing is stored and nothing is posted.
    void OnLanguageButton();

  private:
    IForm& form_;
    [[maybe_unused]] IDialogs& dialogs_;  // the page opens no dialog
    LanguageTexts& texts_;
};
