#include "pages/CNetConfigDlg.h"

#include <climits>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/IniFile.h"
#include "foundation/PublicFunctions.h"
#include "pages/Ipv4Text.h"
#include "pages/LanguageTexts.h"
#include "pages/NetConfigOrders.h"
#include "pages/NetPageLayout.h"
#include "pages/NetworkDefaults.h"
#include "pages/PageCaptions.h"
#include "platform/CodePage.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorTable.h"
#include "registry/CommandResult.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"

namespace {

using namespace NetPageId;

constexpr char kDefaultSsid[] = "ZOLT_LINK";
constexpr char kDefaultPassword[] = "QPLMRTXW";
constexpr char kDefaultRoamThreshold[] = "-65";
constexpr char kDefaultDeviceName[] = "Zr40";

constexpr int kAuthenWpa = 3;
constexpr int kAuthenWpa2 = 4;
constexpr std::size_t kMinWpaPasswordUnits = 8;
constexpr WChar kFirstRefusedUnit = 0x8D;
constexpr long kRoamMin = -90;
constexpr long kRoamMax = -65;

// Every value of the settings file goes through a buffer of this size.
constexpr std::size_t kIniValueBuffer = 64;

// The six lists; none may be left without a choice (typed text chooses no item).
constexpr int kLists[] = {kAuthen, kRoamSwitch, kWifiPower, kIpAccess, kChannel, kReconnectTime};
// Locked while only the address and the name may be changed.
constexpr int kWifiControls[] = {kSsid,      kAuthen,   kPassword, kRoamThreshold, kRoamSwitch,
                                 kWifiPower, kIpAccess, kServerIp, kChannel,       kReconnectTime};

bool IsSpace(unsigned c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Leading decimal integer as the C library reads it: blanks skipped, optional sign, digits up
// to the first non-digit, 0 when there are none; saturates at the range of long.
template <typename Text>
long LeadingLong(const Text& text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(static_cast<unsigned>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = static_cast<int>(text[i] - '0');
        if (negative) {
            if (value < (LONG_MIN + digit) / 10) {
                return LONG_MIN;
            }
            value = value * 10 - digit;
        } else {
            if (value > (LONG_MAX - digit) / 10) {
                return LONG_MAX;
            }
            value = value * 10 + digit;
        }
    }
    return value;
}

int LeadingInt(const std::string& text) {
    const long v = LeadingLong(text);
    return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// At most `limit` bytes, never ending inside a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        --n;
    }
    return text.substr(0, n);
}

// Units before the first zero unit.
template <std::size_t N>
std::size_t UnitLength(const WChar (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != 0) {
        ++n;
    }
    return n;
}

template <std::size_t N>
bool AllUnitsBelow(const WChar (&field)[N], WChar limit) {
    for (WChar unit : field) {
        if (unit >= limit) {
            return false;
        }
    }
    return true;
}

// Copies up to N units (a full field keeps no terminator, the record holds exactly N).
template <std::size_t N>
void CopyUnits(WChar (&field)[N], const WString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        field[i] = i < text.size() ? text[i] : u'\0';
    }
}

std::string FieldToForm(const WString& text) {
    return Utf16ToAnsi(text);
}

}  // namespace

CNetConfigDlg::CNetConfigDlg(IForm& form, IDialogs& dialogs)
    : CNetConfigDlg(
          form, dialogs, GetMonitorTable(), [](int i) { return LanguageText(i); }, kOrderPause) {}

CNetConfigDlg::CNetConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table, TextLookup text,
                             std::chrono::milliseconds orderPause)
    : form_(form),
      dialogs_(dialogs),
      table_(table),
      text_(std::move(text)),
      orderPause_(orderPause) {
    wifi_.Clear();
}

void CNetConfigDlg::InitForm() {
    form_.SetText(kSsid, kDefaultSsid);

    form_.ResetContent(kAuthen);
    for (const char* item : {"OPEN", "WEP", "WPA", "WPA2"}) {
        form_.AddString(kAuthen, item);
    }
    form_.SetCurSel(kAuthen, 3);

    cachedPassword_ = kDefaultPassword;
    form_.SetText(kPassword, cachedPassword_);
    showPassword_ = false;
    form_.SetPasswordMask(kPassword, true);

    form_.ResetContent(kRoamSwitch);
    form_.AddString(kRoamSwitch, Text(TextId::kRoamingOff));
    form_.AddString(kRoamSwitch, Text(TextId::kRoamingOn));
    form_.SetCurSel(kRoamSwitch, 1);

    form_.ResetContent(kWifiPower);
    for (TextId t : {TextId::kPowerLow, TextId::kPowerMedium, TextId::kPowerHigh}) {
        form_.AddString(kWifiPower, Text(t));
    }
    form_.SetCurSel(kWifiPower, 1);

    form_.ResetContent(kIpAccess);
    form_.AddString(kIpAccess, Text(TextId::kIpModeStatic));
    form_.AddString(kIpAccess, Text(TextId::kIpModeDhcp));
    form_.SetCurSel(kIpAccess, 0);

    form_.ResetContent(kChannel);
    form_.AddString(kChannel, Text(TextId::kChannelAuto));
    for (int channel = 1; channel <= 13; ++channel) {
        form_.AddString(kChannel, std::to_string(channel));
    }
    form_.SetCurSel(kChannel, 0);

    form_.ResetContent(kReconnectTime);
    for (const char* item : {"5s", "30s", "60s", "3min"}) {
        form_.AddString(kReconnectTime, item);
    }
    form_.SetCurSel(kReconnectTime, 2);

    form_.SetAddressText(kServerIp, kDefaultServerIp);
    form_.SetAddressText(kDeviceIp, kDefaultDeviceIp);
    form_.SetText(kDeviceName, kDefaultDeviceName);
    form_.SetText(kRoamThreshold, kDefaultRoamThreshold);
    RefreshCaptions();
}

void CNetConfigDlg::RebuildList(int id, std::initializer_list<TextId> texts) {
    const int chosen = form_.GetCurSel(id);
    form_.ResetContent(id);
    int index = 0;
    for (TextId t : texts) {
        form_.InsertString(id, index++, Text(t));
    }
    form_.SetCurSel(id, chosen);
}

void CNetConfigDlg::RefreshCaptions() {
    ShowCaptionTexts(form_, kNetPageLayout, text_);
    if (addressOnly_) {
        form_.SetText(kAddressOnly, Text(TextId::kModifyAllSettings));
    }
    RebuildList(kRoamSwitch, {TextId::kRoamingOff, TextId::kRoamingOn});
    RebuildList(kWifiPower, {TextId::kPowerLow, TextId::kPowerMedium, TextId::kPowerHigh});
    RebuildList(kIpAccess, {TextId::kIpModeStatic, TextId::kIpModeDhcp});
}

bool CNetConfigDlg::CollectForm() {
    wifi_.Clear();
    passwordTooLong_ = false;
    listUnchosen_ = false;
    for (int id : kLists) {
        listUnchosen_ = listUnchosen_ || form_.GetCurSel(id) < 0;
    }

    // The order's field holds 39 bytes of UTF-8: a longer SSID is refused, never cut.
    const WString ssid = CPublicFunctions::MultiByteToWstring(form_.GetText(kSsid).c_str());
    if (CPublicFunctions::UnicodeToUtf8(ssid.c_str()).size() > kMaxWifiTextBytes) {
        dialogs_.MessageBox(Text(TextId::kSsidTooLong));
        return false;
    }
    CopyUnits(wifi_.ssid, ssid);

    wifi_.authen = static_cast<std::uint8_t>(form_.GetCurSel(kAuthen) + 1);
    wifi_.ipAccess = static_cast<std::uint8_t>(form_.GetCurSel(kIpAccess) + 1);

    // The order's field holds 39 bytes of UTF-8; a longer password is refused by the checks,
    // never cut.
    const WString password = CPublicFunctions::MultiByteToWstring(form_.GetText(kPassword).c_str());
    passwordTooLong_ = password.size() > kMaxWifiTextUnits ||
                       CPublicFunctions::UnicodeToUtf8(password.c_str()).size() > kMaxWifiTextBytes;
    CopyUnits(wifi_.password, password);

    roamValue_ =
        LeadingLong(CPublicFunctions::MultiByteToWstring(form_.GetText(kRoamThreshold).c_str()));
    wifi_.roamThreshold = static_cast<std::int16_t>(static_cast<std::uint16_t>(roamValue_));

    wifi_.wifiPower = static_cast<std::uint8_t>(form_.GetCurSel(kWifiPower));
    wifi_.roamSwitch = static_cast<std::uint8_t>(form_.GetCurSel(kRoamSwitch));

    wifi_.deviceIp = Ipv4Text::Parse(form_.GetAddressText(kDeviceIp));
    if (!Ipv4Text::IsUsableHost(wifi_.deviceIp)) {
        dialogs_.MessageBox(Text(TextId::kInvalidDeviceIp));
        return false;
    }

    wifi_.reserved = 0;
    wifi_.channel = static_cast<std::uint8_t>(form_.GetCurSel(kChannel));

    deviceName_ = form_.GetText(kDeviceName);

    serverIp_ = Ipv4Text::Parse(form_.GetAddressText(kServerIp));
    if (!Ipv4Text::IsUsableHost(serverIp_)) {
        dialogs_.MessageBox(Text(TextId::kInvalidServerIp));
        return false;
    }

    reconnectIndex_ = static_cast<std::uint8_t>(form_.GetCurSel(kReconnectTime));
    return true;
}

bool CNetConfigDlg::ValidateSettings() const {
    // No SSID sends the monitor off every network, off the ward; no name leaves its row blank.
    if (UnitLength(wifi_.ssid) == 0 || deviceName_.empty()) {
        return false;
    }
    if ((wifi_.authen == kAuthenWpa || wifi_.authen == kAuthenWpa2) &&
        UnitLength(wifi_.password) < kMinWpaPasswordUnits) {
        return false;
    }
    if (passwordTooLong_ || !AllUnitsBelow(wifi_.password, kFirstRefusedUnit)) {
        return false;
    }
    // The typed value, not its low 16 bits: -65601 must not pass as -65.
    if (roamValue_ < kRoamMin || roamValue_ > kRoamMax) {
        return false;
    }
    if (deviceName_.size() > kMaxDeviceNameBytes) {
        return false;
    }
    if (!AllUnitsBelow(wifi_.ssid, kFirstRefusedUnit)) {
        return false;
    }
    // A list without a choice would go out as the byte 0xFF.
    return !listUnchosen_;
}

void CNetConfigDlg::OnModify() {
    if (!CollectForm()) {
        return;
    }
    if (!ValidateSettings()) {
        dialogs_.MessageBox(Text(TextId::kInvalidSettings));
        return;
    }
    const std::vector<MonitorObject*> monitors = table_.GetCheckedMonitors();
    if (monitors.empty() || monitors.front() == nullptr) {
        dialogs_.MessageBox(Text(TextId::kNoMonitorChecked));
        return;
    }
    // One monitor at a time on this page: the others are left alone.
    MonitorObject* monitor = monitors.front();
    // The form has no port: the monitor keeps the one it reported (9500 when it reported none).
    serverPort_ = ReportedServerPort(monitor);
    auto pause = [this] {
        if (orderPause_.count() > 0) {
            std::this_thread::sleep_for(orderPause_);
        }
    };
    // Each order waits for its command result from the moment before it goes out, so an
    // answer that comes at once is never missed.
    RecordNetworkOrders(monitor, deviceName_, wifi_, serverIp_, serverPort_, reconnectIndex_,
                        GetServiceRecord());
    table_.NoteOrderSent(monitor, kResultDeviceName);
    SendLabelConfigOrder(monitor, deviceName_);
    pause();
    table_.NoteOrderSent(monitor, kResultWifi);
    SendWifiConfigOrder(monitor, wifi_);
    pause();
    table_.NoteOrderSent(monitor, kResultServer);
    SendServerIpConfigOrder(monitor, serverIp_, serverPort_);
    pause();
    table_.NoteOrderSent(monitor, kResultReconnect);
    SendReconnectConfigOrder(monitor, reconnectIndex_);
}

void CNetConfigDlg::OnListItemChanged() {
    const std::vector<MonitorObject*> monitors = table_.GetCheckedMonitors();
    if (monitors.empty() || monitors.front() == nullptr ||
        monitors.front()->GetStatus() == nullptr) {
        return;
    }
    MonitorAttribute attribute;
    monitors.front()->GetStatus()->GetMonitorAttribute(&attribute);
    const WifiConfig& wifi = attribute.wifi;
    if (!addressOnly_) {
        form_.SetText(kSsid, FieldToForm(FieldText(wifi.ssid)));
        form_.SetCurSel(kAuthen, static_cast<int>(wifi.authen) - 1);
        form_.SetText(kPassword, FieldToForm(FieldText(wifi.password)));
        form_.SetCurSel(kRoamSwitch, wifi.roamSwitch);
        form_.SetCurSel(kWifiPower, wifi.wifiPower);
        form_.SetCurSel(kIpAccess, static_cast<int>(wifi.ipAccess) - 1);
        form_.SetCurSel(kChannel, wifi.channel);
        form_.SetAddressText(kServerIp, Ipv4Text::Format(wifi.serverIp));
        form_.SetText(kRoamThreshold, std::to_string(wifi.roamThreshold));
    }
    form_.SetAddressText(kDeviceIp, Ipv4Text::Format(wifi.deviceIp));
    form_.SetText(kDeviceName, FieldToForm(FieldText(attribute.deviceName)));
    form_.SetCurSel(kReconnectTime, attribute.reconnectSel);
}

void CNetConfigDlg::OnToggleAddressOnly() {
    // Switching on locks the Wi-Fi fields; switching off opens them again.
    for (int id : kWifiControls) {
        form_.Enable(id, addressOnly_);
    }
    addressOnly_ = !addressOnly_;
    form_.SetText(kAddressOnly,
                  Text(addressOnly_ ? TextId::kModifyAllSettings : TextId::kModifyAddressOnly));
}

void CNetConfigDlg::OnShowPassword() {
    cachedPassword_ = form_.GetText(kPassword);
    showPassword_ = !showPassword_;
    if (showPassword_) {
        form_.SetPasswordMask(kPassword, false);
        form_.SetText(kPassword, cachedPassword_);
    } else {
        form_.SetText(kPassword, cachedPassword_);
        form_.SetPasswordMask(kPassword, true);
    }
}

namespace {

enum class FieldKind { Text, Address, List };

struct IniField {
    const char* key;
    int id;
    FieldKind kind;
    const char* defaultValue;
};

// In the order the keys are written and read.
const IniField kIniFields[] = {
    {"SSID", kSsid, FieldKind::Text, kDefaultSsid},
    {"Authen", kAuthen, FieldKind::List, "3"},
    {"Password", kPassword, FieldKind::Text, kDefaultPassword},
    {"RoamThreshold", kRoamThreshold, FieldKind::Text, kDefaultRoamThreshold},
    {"roamSwitch", kRoamSwitch, FieldKind::List, "0"},
    {"WifiPower", kWifiPower, FieldKind::List, "0"},
    {"DeviceIP", kDeviceIp, FieldKind::Address, kDefaultDeviceIp},
    {"IPAccess", kIpAccess, FieldKind::List, "0"},
    {"ServerIP", kServerIp, FieldKind::Address, kDefaultServerIp},
    {"Channel", kChannel, FieldKind::List, "0"},
    {"ReconnectTime", kReconnectTime, FieldKind::List, "0"},
    {"DeviceName", kDeviceName, FieldKind::Text, kDefaultDeviceName},
};

}  // namespace

void CNetConfigDlg::OnSave() {
    std::string path;
    if (!dialogs_.SaveFile(kNetConfigFilter, kNetConfigExtension, kNetConfigDefaultName, path)) {
        return;
    }
    for (const IniField& field : kIniFields) {
        std::string value;
        switch (field.kind) {
            case FieldKind::Text:
                value = CutUtf8(form_.GetText(field.id), kIniValueBuffer - 1);
                break;
            case FieldKind::Address:
                value = CutUtf8(form_.GetAddressText(field.id), kIniValueBuffer - 1);
                break;
            case FieldKind::List:
                value = std::to_string(form_.GetCurSel(field.id));
                break;
        }
        // A file that cannot be written loses the values without a message.
        IniFile::WriteString(path, kNetConfigSection, field.key, value);
    }
}

void CNetConfigDlg::OnLoad() {
    std::string path;
    if (!dialogs_.OpenFile(kNetConfigFilter, kNetConfigExtension, path)) {
        return;
    }
    for (const IniField& field : kIniFields) {
        const std::string value = IniFile::ReadString(path, kNetConfigSection, field.key,
                                                      field.defaultValue, kIniValueBuffer);
        switch (field.kind) {
            case FieldKind::Text:
                form_.SetText(field.id, value);
                break;
            case FieldKind::Address:
                form_.SetAddressText(field.id, value);
                break;
            case FieldKind::List:
                form_.SetCurSel(field.id, LeadingInt(value));
                break;
        }
    }
}
