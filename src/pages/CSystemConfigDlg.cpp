#include "pages/CSystemConfigDlg.h"

#include <string>
#include <utility>

#include "pages/PageCaptions.h"
#include "pages/SystemPageLayout.h"
#include "record/Inventory.h"
#include "registry/CMonitorObjectMng.h"

namespace {

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
    form_.InsertString(kLanguageSelector, kIndexChinese, texts_.LanguageText(TextId::kChinese));
    form_.InsertString(kLanguageSelector, kIndexEnglish, texts_.LanguageText(TextId::kEnglish));
    form_.SetCurSel(kLanguageSelector, SelectorIndex(texts_.GetLanguage()));
    ShowCaptionTexts(form_, kSystemPageLayout,
                     [this](int index) { return texts_.LanguageText(index); });
    form_.SetText(kVersionLine, texts_.LanguageText(TextId::kVersion) + ": " + kToolVersion);
}

void CSystemConfigDlg::OnExportInventory() {
    std::string path;
    if (!dialogs_.SaveFile(kInventoryFilter, kInventoryExtension, kInventoryDefaultName, path)) {
        return;
    }
    if (!WriteInventory(path, inventory_())) {
        dialogs_.MessageBox(texts_.LanguageText(TextId::kInventoryNotWritable) + "\n" + path);
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
