#pragma once
// The upgrade page (tab 3): the firmware folder and the start of the upgrade server.
//
// Controls (UpdatePageId):
//   1073 mode label (text 45)        1037 mode selector (items 46, 47; always disabled, index 0)
//   1074 folder label (text 48)      1036 folder path (edit)
//   1035 Browse (text 49)            click -> OnBrowse()
//   1003 Start (text 51)             click -> OnStart()
//   1075 server label (text 50)      1048 server address (filled on start)
//   1049 status line: text 93 while the folder is being checked, else empty
// The main window calls InitForm() at start and RefreshCaptions() after every language change;
// both fill the texts.
// A chosen folder is loaded and checked off the UI thread (Start disabled meanwhile); then one
// message lists each damaged firmware file and why (texts 85 to 90) and the files without a
// ".md5" companion, which are no part of the set (text 94). On Start, an unreadable folder
// (text 92), a damaged file (text 95: the set is one unit, none of it is served) or a folder
// with no firmware file (text 91) does not start the upgrade; an upgrade already running goes
// on with the set it was started with.
#include <functional>
#include <memory>
#include <string>

#include "foundation/TextId.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"

class CMonitorTable;
class UpgradeFileSet;
class UpgradeFolderLoader;

class CUpdateConfigDlg : public IPage {
  public:
    using TextLookup = std::function<std::string(int)>;
    using FilesLoaded = std::function<void(std::shared_ptr<UpgradeFileSet>)>;
    // Loads and checks a folder off the UI thread, then calls back on it; false when busy.
    using FolderLoader = std::function<bool(const std::string&, FilesLoaded)>;
    // Starts the upgrade manager with (mode, folder, its loaded files).
    using UpgradeStarter =
        std::function<void(int, const std::string&, std::shared_ptr<UpgradeFileSet>)>;

    // The process-wide monitor table, language texts and upgrade manager, and a loader thread.
    CUpdateConfigDlg(IForm& form, IDialogs& dialogs);
    CUpdateConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table, TextLookup text,
                     FolderLoader load, UpgradeStarter start);
    ~CUpdateConfigDlg();
    CUpdateConfigDlg(const CUpdateConfigDlg&) = delete;
    CUpdateConfigDlg& operator=(const CUpdateConfigDlg&) = delete;

    void InitForm() override { RefreshCaptions(); }
    void RefreshCaptions() override;
    void OnBrowse();
    // 73: no folder, 72: no mode, 74: no monitor listed; else shows the first monitor's
    // server address, checks the folder and starts the upgrade when something can be served.
    void OnStart();
    bool IsChecking() const { return checking_; }

  private:
    std::string Text(TextId id) const;
    // startMode -1: only show what is refused.
    void CheckFolder(const std::string& folder, int startMode);
    void OnChecked(const std::string& folder, int startMode,
                   const std::shared_ptr<UpgradeFileSet>& files);

    IForm& form_;
    IDialogs& dialogs_;
    CMonitorTable& table_;
    TextLookup text_;
    std::unique_ptr<UpgradeFolderLoader> loader_;  // the production loader, when used
    FolderLoader load_;
    UpgradeStarter start_;
    bool checking_ = false;
};
