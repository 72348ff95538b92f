#pragma once
// The system page (tab 5): the display language and the tool's version.
//
// Controls (SystemPageId):
//   1038 language selector (drop-down list)  items text 63, text 64; shows the language in use
//   1007 language button                     click -> OnLanguageButton()
//   1076 version line                        "text 12: 1.0.0.R132"
//   1079 Export inventory (text 120)         click -> OnExportInventory()
// The main window calls InitForm() at start and RefreshCaptions() after every language change;
// both fill the texts.
#include <functional>
#include <string>

#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"
#include "pages/LanguageTexts.h"

inline constexpr char kToolVersion[] = "1.0.0.R132";
inline constexpr char kInventoryFilter[] = "CSV (.csv)|*.csv|All Files (*.*)|*.*||";
inline constexpr char kInventoryExtension[] = "csv";
inline constexpr char kInventoryDefaultName[] = "Inventory";

class CSystemConfigDlg : public IPage {
  public:
    // The inventory's text as it would be written now.
    using InventorySource = std::function<std::string()>;

    // `texts` answers the captions and takes the language choice; the inventory lists the
    // process-wide pool's monitors unless another source is given.
    CSystemConfigDlg(IForm& form, IDialogs& dialogs, LanguageTexts& texts = GetLanguageTexts(),
                     InventorySource inventory = {});

    // Rebuilds the selector on the language in use, the button caption and the version line.
    void InitForm() override { RefreshCaptions(); }
    void RefreshCaptions() override;
    // Chooses language id index + 1 (0 Chinese, 1 English). With nothing chosen, or the language
    // in use chosen again, nothing is stored and nothing is posted.
    void OnLanguageButton();
    // Asks where to save the inventory of the monitors connected now and writes it there (text
    // 122 with the path when it cannot be written).
    void OnExportInventory();

  private:
    IForm& form_;
    IDialogs& dialogs_;
    LanguageTexts& texts_;
    InventorySource inventory_;
};
