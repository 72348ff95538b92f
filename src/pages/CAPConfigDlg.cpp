#include "pages/CAPConfigDlg.h"

#include <cstdio>
#include <utility>

#include "foundation/IniFile.h"
#include "foundation/Log.h"
#include "foundation/PublicFunctions.h"
#include "foundation/UiThread.h"
#include "pages/APPageLayout.h"
#include "pages/LanguageTexts.h"
#include "pages/NetworkDefaults.h"
#include "pages/PageCaptions.h"
#include "platform/HostedNetwork.h"
#include "platform/ProcessElevation.h"
#include "record/ServiceRecord.h"

namespace {

using namespace APPageId;

constexpr char kDefaultSsid[] = "ZOLT_LINK";
constexpr char kDefaultKey[] = "QPLMRTXW";
constexpr char kDefaultAuthen[] = "WPA2/个人";
constexpr char kAuthenItems[][5] = {"OPEN", "WEP", "WPA", "WPA2"};  // the sorted order
constexpr int kAuthenWpa2 = 3;
constexpr WChar kFirstRefusedUnit = 0x8D;

constexpr char kFilter[] = "ConfigFile (.ini)|*.ini|All Files (*.*)|*.*||";
constexpr char kExtension[] = "ini";
constexpr char kDefaultName[] = "SystemSetting";
// The form's texts are read through buffers of this size.
constexpr std::size_t kFieldBuffer = 128;
// Values of the settings file are read back through a buffer as large as the form's, so every
// value Start accepts (and more) comes back whole.
constexpr std::size_t kIniValueBuffer = kFieldBuffer;

std::string Cut(std::string text, std::size_t buffer) {
    if (text.size() > buffer - 1) {
        text.resize(buffer - 1);
    }
    return text;
}

// Strict a.b.c.d, each 0..255.
bool ParseOctets(const std::string& text, Ipv4Octets& out) {
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return false;
            }
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) {
            return false;
        }
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return pos == text.size();
}

std::string Dotted(const Ipv4Octets& a) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
    return buffer;
}

// Settings files drop the blanks around a value; a passphrase may begin or end with one. Such
// values (and values that are themselves quoted) are stored between double quotes, which the
// reader takes off again, as the Windows profile functions do.
std::string QuoteForIni(const std::string& value) {
    const bool blankEdge = !value.empty() && (value.front() == ' ' || value.back() == ' ' ||
                                              value.front() == '\t' || value.back() == '\t');
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return blankEdge || quoted ? "\"" + value + "\"" : value;
}

std::string UnquoteFromIni(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool UnitsBelowLimit(const WString& text) {
    for (WChar unit : text) {
        if (unit >= kFirstRefusedUnit) {
            return false;
        }
    }
    return true;
}

// One line of the service record for the PC's own access point (no monitor involved).
void RecordAccessPoint(const char* action, std::string changes, const HostedNetworkResult& step,
                       const char* done) {
    ServiceEntry entry;
    entry.action = action;
    entry.changes = std::move(changes);
    entry.result = step.ok ? std::string(done)
                           : std::string(kResultFailed) + ": " +
                                 (step.failedCommand.empty() ? "?" : step.failedCommand);
    GetServiceRecord().Append(std::move(entry));
}

}  // namespace

CAPConfigDlg::CAPConfigDlg(IForm& form, IDialogs& dialogs)
    : CAPConfigDlg(form, dialogs, GetHostedNetwork(), [](int i) { return LanguageText(i); }) {}

CAPConfigDlg::CAPConfigDlg(IForm& form, IDialogs& dialogs, HostedNetwork& network, TextLookup text,
                           IUiThread* uiThread, IProcessElevation* elevation)
    : form_(form),
      dialogs_(dialogs),
      network_(network),
      text_(std::move(text)),
      uiThread_(uiThread),
      elevation_(elevation != nullptr ? *elevation : GetProcessElevation()) {}

CAPConfigDlg::~CAPConfigDlg() {
    alive_.reset();
    if (worker_.joinable()) {
        // A Start still running is given up: closing must not wait for its commands. One whose
        // outcome was shown has ended already.
        const bool running = starting_;
        if (running) {
            network_.CancelCommands();
        }
        worker_.join();
        if (running) {
            network_.ResumeCommands();
        }
    }
    // The hosted network this copy started ends with it; one that another copy (or the system)
    // runs is left alone.
    if (startedHere_) {
        RecordAccessPoint(kActionApStop, std::string(), network_.Stop(), "stopped");
    }
}

void CAPConfigDlg::InitForm() {
    form_.SetText(kSsid, kDefaultSsid);
    form_.ResetContent(kAuthen);
    for (const char* item : kAuthenItems) {
        form_.AddString(kAuthen, item);
    }
    form_.SetCurSel(kAuthen, kAuthenWpa2);
    cachedKey_ = kDefaultKey;
    form_.SetText(kKey, cachedKey_);
    form_.SetPasswordMask(kKey, true);
    form_.SetAddressText(kIp, kDefaultServerIp);
    form_.Show(kStartedSsid, false);
    form_.Show(kStartedIp, false);
    RefreshCaptions();
    showKey_ = false;
}

void CAPConfigDlg::RefreshCaptions() {
    ShowCaptionTexts(form_, kAPPageLayout, text_);
    if (starting_) {
        form_.SetText(kStart, Text(TextId::kStartingAccessPoint));
    }
    form_.SetText(kSsidLabel, "SSID");
    form_.SetText(kIpLabel, "IP");
    form_.SetText(kStartedIpLabel, "IP:");
}

bool CAPConfigDlg::ValidateForm() {
    cachedKey_ = Cut(form_.GetText(kKey), kFieldBuffer);
    const std::string ssid = Cut(form_.GetText(kSsid), kFieldBuffer);
    const WString key = CPublicFunctions::MultiByteToWstring(cachedKey_.c_str());
    if (key.size() < kMinKeyUnits || key.size() > kMaxKeyUnits) {
        return false;
    }
    if (ssid.empty() || ssid.size() > kMaxSsidBytes) {
        return false;
    }
    const WString wideSsid = CPublicFunctions::MultiByteToWstring(ssid.c_str());
    if (!UnitsBelowLimit(key) || !UnitsBelowLimit(wideSsid)) {
        return false;
    }
    // Both go into a command: only what the platform cannot pass safely is refused.
    return network_.IsSafeText(ssid) && network_.IsSafeText(cachedKey_);
}

void CAPConfigDlg::OnStart() {
    if (starting_) {
        return;
    }
    Ipv4Octets address{};
    if (!ValidateForm() || !ParseOctets(form_.GetAddressText(kIp), address)) {
        dialogs_.MessageBox(Text(TextId::kInvalidSettings));
        return;
    }
    if (!MayRunCommands()) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();  // the last Start's worker, already done
    }
    starting_ = true;
    form_.Enable(kStart, false);
    form_.SetText(kStart, Text(TextId::kStartingAccessPoint));
    worker_ = std::thread([this, ssid = Cut(form_.GetText(kSsid), kFieldBuffer), key = cachedKey_,
                           address] { RunStart(ssid, key, address); });
}

void CAPConfigDlg::Post(std::function<void()> task) {
    if (uiThread_ != nullptr) {
        uiThread_->Post(std::move(task));
    } else {
        PostToUiThread(std::move(task));
    }
}

bool CAPConfigDlg::MayRunCommands() {
    if (elevation_.MayStartAccessPoint()) {
        return true;
    }
    // Without the rights every step would fail; a copy with them can do the work.
    if (dialogs_.AskYesNo(Text(TextId::kRestartAsAdministrator)) && !elevation_.RestartElevated()) {
        TraceLog("The restart with administrator rights did not start\n");
    }
    return false;
}

void CAPConfigDlg::RunStart(const std::string& ssid, const std::string& key,
                            const Ipv4Octets& address) {
    StartOutcome outcome;
    // Fails when none was running: that is no reason to stop here.
    network_.Stop();
    HostedNetworkResult step = network_.Configure(ssid, key);
    if (step.ok) {
        // From here on the network may run because of this copy.
        startedHere_ = true;
        step = network_.Start();
    }
    if (step.ok) {
        outcome.adapter = network_.FindVirtualAdapterName();
        if (outcome.adapter.name != kNoVirtualAdapter) {
            step = network_.ConfigureIp(outcome.adapter.name, address);
        }
    }
    if (!step.ok) {
        outcome.failedCommand = step.failedCommand.empty() ? "?" : step.failedCommand;
    }
    // The key is never written.
    RecordAccessPoint(kActionApStart, "SSID: " + ssid + "; address: " + Dotted(address), step,
                      kResultStarted);
    Post([this, alive = std::weak_ptr<bool>(alive_), outcome, ssid, address] {
        if (!alive.expired()) {
            FinishStart(outcome, ssid, address);
        }
    });
}

void CAPConfigDlg::FinishStart(const StartOutcome& outcome, const std::string& ssid,
                               const Ipv4Octets& address) {
    starting_ = false;
    form_.SetText(kStart, Text(TextId::kStartAccessPoint));
    form_.Enable(kStart, true);
    // Whatever an earlier Start showed is no longer what runs.
    form_.Show(kStartedIp, false);
    form_.Show(kStartedSsid, false);
    for (int i = 0; i < outcome.adapter.unopened; ++i) {
        dialogs_.MessageBox(Text(TextId::kNoAccessPointAdapter));
    }
    if (!outcome.failedCommand.empty()) {
        dialogs_.MessageBox(Text(TextId::kAccessPointStepFailed) + "\n" + outcome.failedCommand);
        return;
    }
    if (outcome.adapter.name == kNoVirtualAdapter) {
        dialogs_.MessageBox(Text(TextId::kNoAccessPointAdapter));
        TraceLog("Can not find the virtual adapter name!\n");
        return;
    }
    form_.SetText(kStartedIp, Dotted(address));
    form_.Show(kStartedIp, true);
    // The SSID that was started, even if the field has been edited since.
    form_.SetText(kStartedSsid, ssid);
    form_.Show(kStartedSsid, true);
}

void CAPConfigDlg::OnSave() {
    std::string path;
    if (!dialogs_.SaveFile(kFilter, kExtension, kDefaultName, path)) {
        return;
    }
    IniFile::WriteString(path, kAPSettingSection, "SSID", QuoteForIni(form_.GetText(kSsid)));
    IniFile::WriteString(path, kAPSettingSection, "Authen", QuoteForIni(form_.GetText(kAuthen)));
    IniFile::WriteString(path, kAPSettingSection, "Password", QuoteForIni(form_.GetText(kKey)));
    IniFile::WriteString(path, kAPSettingSection, "IP", form_.GetAddressText(kIp));
}

void CAPConfigDlg::OnLoad() {
    std::string path;
    if (!dialogs_.OpenFile(kFilter, kExtension, path)) {
        return;
    }
    auto read = [&path](const char* key, const char* fallback) {
        // Two more bytes for the quotes around a value.
        return UnquoteFromIni(
            IniFile::ReadString(path, kAPSettingSection, key, fallback, kIniValueBuffer + 2));
    };
    form_.SetText(kSsid, read("SSID", kDefaultSsid));
    form_.SetText(kAuthen, read("Authen", kDefaultAuthen));
    form_.SetText(kKey, read("Password", kDefaultKey));
    form_.SetAddressText(kIp, read("IP", kDefaultServerIp));
}

void CAPConfigDlg::OnShowPassword() {
    cachedKey_ = Cut(form_.GetText(kKey), kFieldBuffer);
    showKey_ = !showKey_;
    if (showKey_) {
        form_.SetPasswordMask(kKey, false);
        form_.SetText(kKey, cachedKey_);
    } else {
        form_.SetText(kKey, cachedKey_);
        form_.SetPasswordMask(kKey, true);
    }
}
