#pragma once
// The upgrade page (tab 3): the firmware folder and the start of the upgrade server.
//
// Controls (UpdatePageId):
//   1073 mode label (text 45)        1037 mode selector (items 46, 47; always disabled, index 0)
//   1074 folder label (text 48)      1036 folder path (edit)
//   1035 Browse (text 49)            click -> OnBrowse()
//   1003 Start (text 51)             click -> OnStart()
//   1075 server label (text 50)      1048 server address (filled on start)   1049 stays empty
// The main window calls FillTexts() at start and after every language change.
#include <functional>
#include <string>

#include "pages/IDialogs.h"
#include "pages/IForm.h"

class CMonitorTable;

inline constexpr char kUpgradeFolderTitle[] = "选择升级文件";

class CUpdateConfigDlg {
  public:
    using TextLookup = std::function<std::string(int)>;
    // Starts the upgrade manager with (mode, folder).
    using UpgradeStarter = std::function<void(int, const std::string&)>;

    // The process-wide monitor table, language texts and upgrade manager.
    CUpdateConfigDlg(IForm& form, IDialogs& dialogs);
    CUpdateConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table, TextLookup text,
                     UpgradeStarter start);

    void FillTexts();
    void RefreshCaptions() { FillTexts(); }
    void OnBrowse();
    // 73: no folder, 72: no mode, 74: no monitor listed; else shows the first monitor's
    // server address and starts the upgrade.
    void OnStart();

  private:
    IForm& form_;
    IDialogs& dialogs_;
    CMonitorTable& table_;
    TextLookup text_;
    UpgradeStarter start_;
};
