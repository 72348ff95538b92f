#include "pages/CSystemConfigDlg.h"

#include <string>

#include "pages/ControlIds.h"

namespace {

constexpr int kTextVersion = 12;
constexpr int kTextChinese = 63;
constexpr int kTextEnglish = 64;
constexpr int kTextLanguageButton = 65;
constexpr int kIndexChinese = 0;
constexpr int kIndexEnglish = 1;

// Ids 0 and 2 both show the English texts.
int SelectorIndex(int languageId) {
    return languageId == kLanguageChinese ? kIndexChinese : kIndexEnglish;
}

}  // namespace

CSystemConfigDlg::CSystemConfigDlg(IForm& form, IDialogs& dialogs, LanguageTexts& texts)
    : form_(form), dialogs_(dialogs), texts_(texts) {}

void CSystemConfigDlg::FillTexts() {
    using namespace SystemPageId;
    form_.ResetContent(kLanguageSelector);
    form_.InsertString(kLanguageSelector, kIndexChinese, texts_.LanguageText(kTextChinese));
    form_.InsertString(kLanguageSelector, kIndexEnglish, texts_.LanguageText(kTextEnglish));
    form_.SetCurSel(kLanguageSelector, SelectorIndex(texts_.GetLanguage()));
    form_.SetText(kLanguageButton, texts_.LanguageText(kTextLanguageButton));
    form_.SetText(kVersionLine, texts_.LanguageText(kTextVersion) + ": " + kToolVersion);
}

void CSystemConfigDlg::OnLanguageButton() {
    const int chosen = form_.GetCurSel(SystemPageId::kLanguageSelector);
    // An empty choice names no language: storing id 0 for it would only hide the user's own.
    if (chosen != kIndexChinese && chosen != kIndexEnglish) {
        return;
    }
    if (chosen == SelectorIndex(texts_.GetLanguage())) {
        return;
    }
    texts_.SetLanguage(chosen + 1);
}
