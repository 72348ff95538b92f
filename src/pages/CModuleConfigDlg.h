#pragma once
// The module settings page (tab 2): switches the module set of the checked monitors and
// filters the monitor list by device kind.
//
// Controls (ModulePageId):
//   1071 group "device filter" (text 40)     1072 group "module choice" (text 44)
//   filter radios (one group):   1039 ECG devices       click -> OnFilterEcg()
//                                1040 ECG+SpO2 devices  click -> OnFilterEcgSpo2()
//                                1047 all devices       click -> OnFilterAll()
//   module radios (one group):   1034 ECG, 1035 SpO2, 1036 ECG+SpO2, 1037 ECG+RESP,
//                                1038 ECG+SpO2+RESP     click -> OnModuleButton(id)
//   1001 Modify                                         click -> OnModify()
// The main window calls InitForm() after creating the page and RefreshCaptions() after a
// language change; until a filter is chosen after it, no module button and no Modify can be
// pressed. The page keeps each radio group exclusive itself: wire the radios as plain check marks
// that follow the form's SetCheck.
#include <functional>
#include <string>

#include "foundation/TextId.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"
#include "registry/ModuleMask.h"

class CMonitorTable;

class CModuleConfigDlg : public IPage {
  public:
    using TextLookup = std::function<std::string(int)>;
    static constexpr int kModuleSwitchCommand = 0x0012;

    explicit CModuleConfigDlg(IForm& form, IDialogs& dialogs);
    CModuleConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table, TextLookup text);

    // Its only filling step is the caption refresh.
    void InitForm() override { RefreshCaptions(); }
    void RefreshCaptions() override;
    void OnFilterEcg();
    void OnFilterEcgSpo2();
    void OnFilterAll();
    // The user chose module radio `id` (1034..1038); a disabled button is ignored.
    void OnModuleButton(int id);
    void OnModify() { SendModuleSwitchOrder(); }
    // Sends the chosen module set to every checked monitor (77: none checked, 78: no set).
    void SendModuleSwitchOrder();

    // The mask of the chosen module buttons; false when none is chosen.
    bool ChosenMask(ModuleMask& mask) const;

  private:
    void CheckOnly(const int* group, int count, int chosen);
    void SetFilter(std::uint8_t ecg, std::uint8_t spo2);
    std::string Text(TextId id) const { return text_ ? text_(TextNumber(id)) : std::string(); }

    IForm& form_;
    IDialogs& dialogs_;
    CMonitorTable& table_;
    TextLookup text_;
};
