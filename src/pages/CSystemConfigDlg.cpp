#include "pages/CSystemConfigDlg.h"

#include <string>

#include "pages/ControlIds.h"

namespace {

constexpr int kTextVersion = 12;
constexpr int kTextChinese = 63;
constexpr int kTextEnglish = 64;
constexpr int kTextLanguageButton = 65;

}  // namespace

CSystemConfigDlg::CSystemConfigDlg(IForm& form, IDialogs& dialogs, LanguageTexts& texts)
    : form_(form), dialogs_(dialogs), texts_(texts) {}

void CSystemConfigDlg::FillTexts() {
    using namespace SystemPageId;
    // The user's choice survives the rebuild, so the selector still shows it after a change.
    const int chosen = form_.GetCurSel(kLanguageSelector);
    form_.ResetContent(kLanguageSelector);
    form_.InsertString(kLanguageSelector, 0, texts_.LanguageText(kTextChinese));
    form_.InsertString(kLanguageSelector, 1, texts_.LanguageText(kTextEnglish));
    form_.SetCurSel(kLanguageSelector, chosen);
    form_.SetText(kLanguageButton, texts_.LanguageText(kTextLanguageButton));
    form_.SetText(kVersionLine, texts_.LanguageText(kTextVersion) + ": " + kToolVersion);
}

void CSystemConfigDlg::OnLanguageButton() {
    texts_.SetLanguage(form_.GetCurSel(SystemPageId::kLanguageSelector) + 1);
}
