#pragma once
// The main window's own work, apart from its widgets: which page a tab shows, what a tab
// change, a list change, the refresh tick and the three user messages do, and the start-up
// checks (debug-page switch, wireless adapter). The window implements IMainWindowView.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/TextId.h"
#include "foundation/UserMessages.h"

class CMonitorTable;
class MonitorObject;

inline constexpr int kMainTabCount = 6;
inline constexpr int kTabAccessPoint = 0;
inline constexpr int kTabNetwork = 1;
inline constexpr int kTabModule = 2;
inline constexpr int kTabUpgrade = 3;
inline constexpr int kTabDebug = 4;
inline constexpr int kTabSystem = 5;
// The page index of a tab that shows no page.
inline constexpr int kNoPage = -1;

inline constexpr char kSystemSettingFile[] = "SystemSetting.ini";
inline constexpr char kLanguageLoadError[] = "Load language file error";
class IMainWindowView {
  public:
    virtual ~IMainWindowView() = default;

    // Deletes every tab and inserts the six with these captions, without a change notification.
    virtual void RebuildTabs(const std::array<std::string, kMainTabCount>& captions) = 0;
    virtual int CurrentTab() const = 0;
    // Selects a tab without a change notification.
    virtual void SelectTab(int index) = 0;
    // Shows the page of `page` and hides every other; kNoPage hides them all.
    virtual void ShowOnlyPage(int page) = 0;
    // The access-point, network, module, upgrade and system pages re-read their texts.
    virtual void RefreshPageCaptions() = 0;
    // The network page shows the settings of the first checked monitor.
    virtual void RefreshNetworkPage() = 0;
    virtual void DebugPageReceived(MonitorObject* monitor,
                                   const std::vector<std::uint8_t>& frame) = 0;
    // Redraws the monitor list from its model.
    virtual void UpdateList() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void EnableAccessPointStart(bool enabled) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
};

class MainWindowLogic : public IUserMessageSink {
  public:
    using TextLookup = std::function<std::string(int)>;
    using UpgradeRequestHandler = std::function<void(MonitorObject*)>;
    using UpgradeRunning = std::function<bool()>;
    using ListRefreshed = std::function<void()>;

    MainWindowLogic(IMainWindowView& view, CMonitorTable& table, TextLookup text,
                    UpgradeRequestHandler upgradeRequest);

    // The window's initialisation once its widgets exist: tabs, access-point page and tab 0,
    // the debug-page switch.
    void Initialise(int debugPageSwitch);
    // The start-up check's outcome: without an adapter, text 76 and no access-point start.
    void ReportWirelessAdapter(bool present);

    // The tab selection changed (by the user).
    void OnTabChanged();
    // The user changed the check mark of `row`. The network page follows the check marks
    // only while it is shown: a check made on another page never fills its form.
    void OnItemChanged(int row);
    // The 10 ms refresh tick: the table follows the pool, then the monitors that came into the
    // list are taken into a running upgrade (ListRefreshed), then the list is redrawn.
    void OnTimer();
    void OnUserMessage(const UserMessage& message) override;
    // Whether an upgrade runs now (none when not set).
    void SetUpgradeRunning(UpgradeRunning running) { upgradeRunning_ = std::move(running); }
    // What follows each refresh of the table; by default the process-wide upgrade manager
    // takes in the monitors that arrived (UpdateConfigManager::AdmitArrivals).
    void SetListRefreshed(ListRefreshed refreshed) { listRefreshed_ = std::move(refreshed); }
    // The user asked to close the window (close box, Alt+F4): true to close. While an upgrade
    // runs (text 83) or an order sent to a monitor waits for its acknowledgement (text 96) the
    // user is asked first, each question in turn; a No keeps the window. Enter and Escape in a
    // field never come here.
    bool MayClose();

    // The page a tab shows: the debug page only while the switch is non-zero.
    int PageForTab(int tab) const;
    int DebugPageSwitch() const { return debugPageSwitch_; }

  private:
    void BuildTabs();
    std::string Text(TextId id) const { return text_ ? text_(TextNumber(id)) : std::string(); }

    IMainWindowView& view_;
    CMonitorTable& table_;
    TextLookup text_;
    UpgradeRequestHandler upgradeRequest_;
    UpgradeRunning upgradeRunning_;
    ListRefreshed listRefreshed_;
    int debugPageSwitch_ = 0;
};

// `DebugPage` of section `PageSetting` in `path`: default "1", read through a 10-byte buffer,
// converted by its leading digits (anything else gives 0).
int ReadDebugPageSwitch(const std::string& path = kSystemSettingFile);

class HostedNetwork;
class IDialogs;

// What a front end's main window is built with. The window works with the process-wide monitor
// table, language texts and upgrade manager, as its pages do.
struct MainWindowOptions {
    IDialogs* dialogs = nullptr;             // the front end's own dialogs when null
    HostedNetwork* hostedNetwork = nullptr;  // the process-wide one when null
    int debugPageSwitch = -1;                // -1: read from SystemSetting.ini
    int wirelessAdapter = -1;                // -1: look at the system, 0 none, 1 present
    std::string settingsPath = kSystemSettingFile;
    int refreshMs = 10;  // 0: no timer (tests drive the refresh)
};
