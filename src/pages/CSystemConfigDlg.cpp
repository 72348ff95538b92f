#include "pages/CSystemConfigDlg.h"

#include <string>
#include <utility>

#include "pages/ControlIds.h"
#include "pages/RecordTexts.h"
#include "record/Inventory.h"
#include "registry/CMonitorObjectMng.h"

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

CSystemConfigDlg::CSystemConfigDlg(IForm& form, IDialogs& dialogs, LanguageTexts& texts,
                                   InventorySource inventory)
    : form_(form), dialogs_(dialogs), texts_(texts), inventory_(std::move(inventory)) {
    if (!inventory_) {
        inventory_ = [] { return InventoryText(GetMonitorObjectMng()); };
    }
}

void CSystemConfigDlg::RefreshCaptions() {
    using namespace SystemPageId;
    form_.ResetContent(kLanguageSelector);
    form_.InsertString(kLanguageSelector, kIndexChinese, texts_.LanguageText(kTextChinese));
    form_.InsertString(kLanguageSelector, kIndexEnglish, texts_.LanguageText(kTextEnglish));
    form_.SetCurSel(kLanguageSelector, SelectorIndex(texts_.GetLanguage()));
    form_.SetText(kLanguageButton, texts_.LanguageText(kTextLanguageButton));
    form_.SetText(kVersionLine, texts_.LanguageText(kTextVersion) + ": " + kToolVersion);
    form_.SetText(kExportInventory, texts_.LanguageText(kTextExportInventory));
}

void CSystemConfigDlg::OnExportInventory() {
    std::string path;
    if (!dialogs_.SaveFile(kInventoryFilter, kInventoryExtension, kInventoryDefaultName, path)) {
        return;
    }
    if (!WriteInventory(path, inventory_())) {
        dialogs_.MessageBox(texts_.LanguageText(kTextInventoryFailed) + "\n" + path);
    }
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
