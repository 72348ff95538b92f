#pragma once
// The network settings page (tab 1): edits the Wi-Fi, address, name and reconnect settings of
// one monitor, sends them to the first checked monitor, and saves or loads them as INI files.
//
// Controls (NetPageId):
//   1040 SSID (edit)                 1026 authentication (combo: OPEN, WEP, WPA, WPA2)
//   1041 password (edit, masked)     1052 Show PassWord (check box) click -> OnShowPassword()
//   1029 roaming threshold (edit)    1027 roaming switch (combo)
//   1028 transmit power (combo)      1034 device address (IPv4 field)
//   1032 IP access mode (combo)      1033 server address (IPv4 field)
//   1031 channel (combo: Auto, 1..13)  1030 reconnect time (combo: 5s, 30s, 60s, 3min)
//   1025 device name (edit)
//   1004 Modify                      click -> OnModify()
//   1020 Save settings               click -> OnSave()
//   1021 Load settings               click -> OnLoad()
//   1022 address-and-name-only mode  click -> OnToggleAddressOnly()
//   labels 1060..1070 get their texts from RefreshCaptions(); 1059 keeps "SSID".
// The main window calls InitForm() once after creating the page, RefreshCaptions() after a
// language change, and OnListItemChanged() after the monitor table handled a list item change.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "foundation/TextId.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"
#include "registry/WifiConfig.h"

class CMonitorTable;

inline constexpr char kNetConfigSection[] = "NetConfigSetting";
inline constexpr char kNetConfigFilter[] = "ConfigFile (.ini)|*.ini|All Files (*.*)|*.*||";
inline constexpr char kNetConfigExtension[] = "ini";
inline constexpr char kNetConfigDefaultName[] = "SystemSetting";

class CNetConfigDlg : public IPage {
  public:
    using TextLookup = std::function<std::string(int)>;
    static constexpr std::chrono::milliseconds kOrderPause{50};

    // The process-wide monitor table and language texts, 50 ms between orders.
    CNetConfigDlg(IForm& form, IDialogs& dialogs);
    CNetConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table, TextLookup text,
                  std::chrono::milliseconds orderPause = kOrderPause);

    void InitForm() override;
    void RefreshCaptions() override;
    // Collects and checks the form, then sends the four orders to the first checked monitor.
    void OnModify();
    void OnSave();
    void OnLoad();
    void OnToggleAddressOnly();
    void OnShowPassword();
    // Shows what the first checked monitor last reported.
    void OnListItemChanged();

    bool IsAddressOnly() const { return addressOnly_; }
    bool IsPasswordShown() const { return showPassword_; }

    // The page state as the last Modify collected it.
    const WifiConfig& GetWifiConfig() const { return wifi_; }
    const std::string& GetDeviceName() const { return deviceName_; }
    std::uint32_t GetServerIp() const { return serverIp_; }
    // The port sent with the server address (the monitor's own, see OnModify).
    std::uint16_t GetServerPort() const { return serverPort_; }
    std::uint8_t GetReconnectIndex() const { return reconnectIndex_; }

    // Longest device name in bytes, and longest SSID and password in UTF-16 units.
    static constexpr std::size_t kMaxDeviceNameBytes = 42;
    static constexpr std::size_t kMaxWifiTextUnits = 40;
    // Longest SSID and password in UTF-8 bytes: what the Wi-Fi order's fields hold.
    static constexpr std::size_t kMaxWifiTextBytes = 39;

  private:
    // Fills the page state from the form; false after showing 79, 80 or 81.
    bool CollectForm();
    // The collected state passes every rule (else the caller shows 82).
    bool ValidateSettings() const;
    std::string Text(TextId id) const { return text_ ? text_(TextNumber(id)) : std::string(); }
    void RebuildList(int id, std::initializer_list<TextId> texts);

    IForm& form_;
    IDialogs& dialogs_;
    CMonitorTable& table_;
    TextLookup text_;
    std::chrono::milliseconds orderPause_;

    WifiConfig wifi_;
    std::string deviceName_;
    std::uint32_t serverIp_ = 0;
    std::uint16_t serverPort_ = 0;
    std::uint8_t reconnectIndex_ = 0;
    std::string cachedPassword_;
    bool showPassword_ = false;
    bool addressOnly_ = false;
    // What the record cannot hold, kept for the checks.
    long roamValue_ = 0;
    bool passwordTooLong_ = false;
    bool listUnchosen_ = false;
};
