#pragma once
// The access point page (tab 0): turns the PC into a hosted Wi-Fi network for the monitors,
// gives the PC the server address on it, and saves or loads these settings as INI files.
//
// Controls (APPageId):
//   1012 SSID (edit)                  1015 authentication (editable combo: OPEN, WEP, WPA, WPA2
//                                          added in this order; the page chooses WPA2)
//   1013 key (edit, masked)           1051 Show Password (check box) click -> OnShowPassword()
//   1014 address (IPv4 field)
//   1008 Start                        click -> OnStart()
//   1009 Save settings                click -> OnSave()
//   1010 Load settings                click -> OnLoad()
//   1017 started SSID, 1018 started address (labels, hidden until Start shows them)
//   captions of 1008..1010, 1051, 1053..1058 come from RefreshCaptions().
// The main window calls InitForm() once after creating the page and RefreshCaptions() after a
// language change. Destroying the page stops the hosted network, if this page started it: a
// copy that never started it leaves alone the one another copy runs.
//
// Start first asks whether this process may run the commands at all (on Windows they need
// administrator rights); if not, it says so and offers to restart the tool elevated (text 97).
// The started SSID and address are shown only when every step succeeded; otherwise text 98
// names the command that failed, and nothing is shown as started.
//
// Start's steps run one after another on a worker thread, so the window keeps working while the
// commands take their time: meanwhile the start button is disabled and shows text 84, a second
// Start does nothing, and the outcome comes back through the UI thread. Destroying the page
// ends a running Start (its command is cancelled), joins the worker, then stops the hosted
// network within the stop command's short limit.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "foundation/TextId.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"
#include "platform/HostedNetwork.h"

class IProcessElevation;
class IUiThread;

inline constexpr char kAPSettingSection[] = "APSetting";

class CAPConfigDlg : public IPage {
  public:
    using TextLookup = std::function<std::string(int)>;

    // The process-wide hosted network, language texts and UI thread.
    CAPConfigDlg(IForm& form, IDialogs& dialogs);
    // uiThread, elevation null: the process-wide ones.
    CAPConfigDlg(IForm& form, IDialogs& dialogs, HostedNetwork& network, TextLookup text,
                 IUiThread* uiThread = nullptr, IProcessElevation* elevation = nullptr);
    ~CAPConfigDlg();
    CAPConfigDlg(const CAPConfigDlg&) = delete;
    CAPConfigDlg& operator=(const CAPConfigDlg&) = delete;

    void InitForm() override;
    void RefreshCaptions() override;
    // Validates, then stops, configures and starts the hosted network and sets its address on
    // the worker; returns at once. Does nothing while a Start is running.
    void OnStart();
    void OnSave();
    void OnLoad();
    void OnShowPassword();

    bool IsPasswordShown() const { return showKey_; }
    // A Start is running (its outcome not yet shown).
    bool IsStarting() const { return starting_; }
    // This page ran the hosted network's start command (so it stops the network when it goes).
    bool StartedHostedNetwork() const { return startedHere_; }

    // Key length in UTF-16 units, SSID length in bytes.
    static constexpr std::size_t kMinKeyUnits = 8;
    static constexpr std::size_t kMaxKeyUnits = 64;
    static constexpr std::size_t kMaxSsidBytes = 64;

  private:
    // True when SSID and key can be used; reads the key into the cache.
    bool ValidateForm();
    std::string Text(TextId id) const { return text_ ? text_(TextNumber(id)) : std::string(); }
    struct StartOutcome {
        VirtualAdapterLookup adapter;
        std::string failedCommand;  // empty when every command did its work
    };

    // False (after asking about a restart with rights) when this process may not run the
    // commands.
    bool MayRunCommands();
    // The worker: the steps until one fails; then posts the outcome.
    void RunStart(const std::string& ssid, const std::string& key, const Ipv4Octets& address);
    // On the UI thread: the messages or the started labels, and the start button back.
    void FinishStart(const StartOutcome& outcome, const std::string& ssid,
                     const Ipv4Octets& address);
    void Post(std::function<void()> task);

    IForm& form_;
    IDialogs& dialogs_;
    HostedNetwork& network_;
    TextLookup text_;
    IUiThread* uiThread_;
    IProcessElevation& elevation_;
    std::string cachedKey_;
    bool showKey_ = false;
    bool starting_ = false;  // UI thread only
    std::atomic<bool> startedHere_{false};
    // Outcomes posted by the worker run only while the page still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::thread worker_;
};
