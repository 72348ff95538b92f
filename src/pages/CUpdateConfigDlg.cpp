#include "pages/CUpdateConfigDlg.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "foundation/UpgradeFileSet.h"

#include "pages/ControlIds.h"
#include "pages/Ipv4Text.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeFolderLoader.h"

namespace {

using namespace UpdatePageId;

constexpr int kTextModeLabel = 45;
constexpr int kTextModeFolder = 46;
constexpr int kTextModeOther = 47;
constexpr int kTextFolderLabel = 48;
constexpr int kTextBrowse = 49;
constexpr int kTextServerLabel = 50;
constexpr int kTextStart = 51;
constexpr int kTextNoMode = 72;
constexpr int kTextNoFolder = 73;
constexpr int kTextNoMonitor = 74;
constexpr int kTextRefusedHeading = 85;
constexpr int kTextNothingServed = 91;
constexpr int kTextBadFolder = 92;
constexpr int kTextChecking = 93;
constexpr int kTextIgnoredHeading = 94;
constexpr int kTextSetNotWhole = 95;
// One list never grows past this many lines (a wrongly chosen folder may hold thousands of
// files); the rest is counted.
constexpr std::size_t kMaxListedFiles = 20;

int ProblemText(UpgradeFileProblem problem) {
    switch (problem) {
        case UpgradeFileProblem::kNoCompanion:
            return 86;
        case UpgradeFileProblem::kBadCompanion:
            return 87;
        case UpgradeFileProblem::kDigestMismatch:
            return 88;
        case UpgradeFileProblem::kUnreadable:
            return 89;
        case UpgradeFileProblem::kTooLarge:
            return 90;
        case UpgradeFileProblem::kNone:
            break;
    }
    return -1;
}

// A file's path inside the folder, as the user chose it.
std::string ShownName(const std::string& path, const std::string& folder) {
    const std::string name = std::filesystem::path(path).lexically_relative(folder).string();
    return name.empty() ? path : name;
}

// The heading, then one line per entry, cut at kMaxListedFiles; nothing without entries.
template <typename Entry, typename Line>
std::string FileList(const std::vector<Entry>& entries, const std::string& heading, Line line) {
    if (entries.empty()) {
        return std::string();
    }
    std::string message = heading;
    for (std::size_t i = 0; i < entries.size() && i < kMaxListedFiles; ++i) {
        message += "\n" + line(entries[i]);
    }
    if (entries.size() > kMaxListedFiles) {
        message += "\n... (+" + std::to_string(entries.size() - kMaxListedFiles) + ")";
    }
    return message;
}

void AppendParagraph(std::string& message, const std::string& paragraph) {
    if (!paragraph.empty()) {
        message += (message.empty() ? "" : "\n\n") + paragraph;
    }
}

}  // namespace

CUpdateConfigDlg::CUpdateConfigDlg(IForm& form, IDialogs& dialogs)
    : CUpdateConfigDlg(form, dialogs, GetMonitorTable(), LanguageText, nullptr,
                       [](int mode, const std::string&, std::shared_ptr<UpgradeFileSet> files) {
                           GetUpdateConfigManager().StartUpgrade(mode, std::move(*files));
                       }) {
    loader_ = std::make_unique<UpgradeFolderLoader>();
    load_ = [loader = loader_.get()](const std::string& folder, FilesLoaded done) {
        return loader->Load(folder, std::move(done));
    };
}

CUpdateConfigDlg::CUpdateConfigDlg(IForm& form, IDialogs& dialogs, CMonitorTable& table,
                                   TextLookup text, FolderLoader load, UpgradeStarter start)
    : form_(form),
      dialogs_(dialogs),
      table_(table),
      text_(std::move(text)),
      load_(std::move(load)),
      start_(std::move(start)) {}

CUpdateConfigDlg::~CUpdateConfigDlg() = default;

std::string CUpdateConfigDlg::Text(int index) const {
    return text_ ? text_(index) : std::string();
}

void CUpdateConfigDlg::RefreshCaptions() {
    auto text = [this](int index) { return text_ ? text_(index) : std::string(); };
    const int chosen = form_.GetCurSel(kModeSelector);
    form_.ResetContent(kModeSelector);
    form_.InsertString(kModeSelector, 0, text(kTextModeFolder));
    form_.InsertString(kModeSelector, 1, text(kTextModeOther));
    form_.SetCurSel(kModeSelector, chosen);
    // Only the first mode is served: it is always the one chosen and cannot be changed.
    form_.SetCurSel(kModeSelector, 0);
    form_.Enable(kModeSelector, false);
    form_.SetText(kStart, text(kTextStart));
    form_.SetText(kBrowse, text(kTextBrowse));
    form_.SetText(kModeLabel, text(kTextModeLabel));
    form_.SetText(kFolderLabel, text(kTextFolderLabel));
    form_.SetText(kServerLabel, text(kTextServerLabel));
}

void CUpdateConfigDlg::OnBrowse() {
    std::string folder;
    if (dialogs_.PickFolder(Text(kUpgradeFolderTitle), folder) && !folder.empty()) {
        form_.SetText(kFolderPath, folder);
        CheckFolder(folder, -1);
    }
}

void CUpdateConfigDlg::OnStart() {
    auto text = [this](int index) { return text_ ? text_(index) : std::string(); };
    const std::string folder = form_.GetText(kFolderPath);
    const int mode = form_.GetCurSel(kModeSelector);
    if (folder.empty()) {
        dialogs_.MessageBox(text(kTextNoFolder));
        return;
    }
    if (mode != 0 && mode != 1) {
        dialogs_.MessageBox(text(kTextNoMode));
        return;
    }
    const std::vector<MonitorObject*> monitors = table_.GetAllMonitors();
    if (monitors.empty()) {
        dialogs_.MessageBox(text(kTextNoMonitor));
        return;
    }
    MonitorAttribute attribute;
    if (monitors.front() != nullptr && monitors.front()->GetStatus() != nullptr) {
        monitors.front()->GetStatus()->GetMonitorAttribute(&attribute);
        form_.SetText(kServerAddress, Ipv4Text::Format(attribute.wifi.serverIp));
    }
    CheckFolder(folder, mode);
}

void CUpdateConfigDlg::CheckFolder(const std::string& folder, int startMode) {
    if (checking_ || !load_) {
        return;  // Start is disabled while a check runs
    }
    checking_ = true;
    form_.Enable(kStart, false);
    form_.SetText(kStatusLine, Text(kTextChecking));
    const bool started =
        load_(folder, [this, folder, startMode](std::shared_ptr<UpgradeFileSet> files) {
            OnChecked(folder, startMode, files);
        });
    if (!started) {
        checking_ = false;
        form_.Enable(kStart, true);
        form_.SetText(kStatusLine, "");
    }
}

void CUpdateConfigDlg::OnChecked(const std::string& folder, int startMode,
                                 const std::shared_ptr<UpgradeFileSet>& files) {
    checking_ = false;
    form_.Enable(kStart, true);
    form_.SetText(kStatusLine, "");
    if (!files || !files->FolderReadable()) {
        dialogs_.MessageBox(Text(kTextBadFolder));
        return;
    }
    // Each damaged firmware file and why (texts 85..90), then the files that are no firmware
    // at all (text 94), in one message.
    std::string message = FileList(
        files->Refusals(), Text(kTextRefusedHeading), [&](const UpgradeFileRefusal& refused) {
            return ShownName(refused.path, folder) + ": " + Text(ProblemText(refused.problem));
        });
    AppendParagraph(message,
                    FileList(files->Ignored(), Text(kTextIgnoredHeading),
                             [&](const std::string& path) { return ShownName(path, folder); }));
    const bool serve = files->CanServe();
    if (startMode >= 0 && !serve) {
        // A damaged file stops the whole set; else there was nothing to serve.
        AppendParagraph(message,
                        Text(files->Refusals().empty() ? kTextNothingServed : kTextSetNotWhole));
    }
    if (!message.empty()) {
        dialogs_.MessageBox(message);
    }
    if (startMode >= 0 && serve && start_) {
        start_(startMode, folder, files);
    }
}
