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
// language change. Destroying the page stops the hosted network.
#include <cstddef>
#include <functional>
#include <string>

#include "pages/IDialogs.h"
#include "pages/IForm.h"

class HostedNetwork;

inline constexpr char kAPSettingSection[] = "APSetting";

class CAPConfigDlg {
  public:
    using TextLookup = std::function<std::string(int)>;

    // The process-wide hosted network and language texts.
    CAPConfigDlg(IForm& form, IDialogs& dialogs);
    CAPConfigDlg(IForm& form, IDialogs& dialogs, HostedNetwork& network, TextLookup text);
    ~CAPConfigDlg();
    CAPConfigDlg(const CAPConfigDlg&) = delete;
    CAPConfigDlg& operator=(const CAPConfigDlg&) = delete;

    void InitForm();
    void RefreshCaptions();
    // Validates, then stops, configures and starts the hosted network and sets its address.
    void OnStart();
    void OnSave();
    void OnLoad();
    void OnShowPassword();

    bool IsPasswordShown() const { return showKey_; }

    // Key length in UTF-16 units, SSID length in bytes.
    static constexpr std::size_t kMinKeyUnits = 8;
    static constexpr std::size_t kMaxKeyUnits = 64;
    static constexpr std::size_t kMaxSsidBytes = 64;

  private:
    // True when SSID and key can be used; reads the key into the cache.
    bool ValidateForm();
    std::string Text(int index) const { return text_ ? text_(index) : std::string(); }

    IForm& form_;
    IDialogs& dialogs_;
    HostedNetwork& network_;
    TextLookup text_;
    std::string cachedKey_;
    bool showKey_ = false;
};
