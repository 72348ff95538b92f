#include "app/PageBindings.h"

#include "pages/APPageLayout.h"
#include "pages/CAPConfigDlg.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/CModuleConfigDlg.h"
#include "pages/CNetConfigDlg.h"
#include "pages/CSystemConfigDlg.h"
#include "pages/CUpdateConfigDlg.h"
#include "pages/DebugPageLayout.h"
#include "pages/ModulePageLayout.h"
#include "pages/NetPageLayout.h"
#include "pages/SystemPageLayout.h"
#include "pages/UpdatePageLayout.h"

std::vector<PageBinding> PageBindings(CAPConfigDlg& page) {
    using namespace APPageId;
    return {
        OnClicked(kShowPassword, [&page] { page.OnShowPassword(); }),
        OnClicked(kStart, [&page] { page.OnStart(); }),
        OnClicked(kSave, [&page] { page.OnSave(); }),
        OnClicked(kLoad, [&page] { page.OnLoad(); }),
    };
}

std::vector<PageBinding> PageBindings(CNetConfigDlg& page) {
    using namespace NetPageId;
    return {
        OnClicked(kShowPassword, [&page] { page.OnShowPassword(); }),
        OnClicked(kModify, [&page] { page.OnModify(); }),
        OnClicked(kSave, [&page] { page.OnSave(); }),
        OnClicked(kLoad, [&page] { page.OnLoad(); }),
        OnClicked(kAddressOnly, [&page] { page.OnToggleAddressOnly(); }),
    };
}

std::vector<PageBinding> PageBindings(CModuleConfigDlg& page) {
    using namespace ModulePageId;
    std::vector<PageBinding> bindings = {
        OnClicked(kFilterEcg, [&page] { page.OnFilterEcg(); }),
        OnClicked(kFilterEcgSpo2, [&page] { page.OnFilterEcgSpo2(); }),
        OnClicked(kFilterAll, [&page] { page.OnFilterAll(); }),
    };
    for (int id : {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp, kModuleEcgSpo2Resp}) {
        bindings.push_back(OnClicked(id, [&page, id] { page.OnModuleButton(id); }));
    }
    bindings.push_back(OnClicked(kModify, [&page] { page.OnModify(); }));
    return bindings;
}

std::vector<PageBinding> PageBindings(CUpdateConfigDlg& page) {
    using namespace UpdatePageId;
    return {
        OnClicked(kBrowse, [&page] { page.OnBrowse(); }),
        OnClicked(kStart, [&page] { page.OnStart(); }),
    };
}

std::vector<PageBinding> PageBindings(CDebugConfigDlg& page) {
    using namespace DebugPageId;
    return {
        OnClicked(kSend, [&page] { page.OnSend(); }),
        OnClicked(kConfirmFilter, [&page] { page.OnConfirmFilter(); }),
        OnClicked(kClear, [&page] { page.OnClear(); }),
        OnClicked(kPause, [&page] { page.OnPause(); }),
        OnClicked(kSaveFile, [&page] { page.OnSaveFile(); }),
        // only what a frame or a command word list may hold reaches these two fields
        OnKeyDown(kFrameText, [&page](int key) { return page.OnKeyDown(kFrameText, key); }),
        OnKeyDown(kFilterText, [&page](int key) { return page.OnKeyDown(kFilterText, key); }),
    };
}

std::vector<PageBinding> PageBindings(CSystemConfigDlg& page) {
    using namespace SystemPageId;
    return {
        OnClicked(kLanguageButton, [&page] { page.OnLanguageButton(); }),
        OnClicked(kExportInventory, [&page] { page.OnExportInventory(); }),
    };
}
