#include "pages/CUpdateConfigDlg.h"

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "foundation/UpgradeFileSet.h"

#include "pages/Ipv4Text.h"
#include "pages/LanguageTexts.h"
#include "pages/PageCaptions.h"
#include "pages/UpdatePageLayout.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeFolderLoader.h"

namespace {

using namespace UpdatePageId;

// One list never grows past this many lines (a wrongly chosen folder may hold thousands of
// files); the rest is counted.
constexpr std::size_t kMaxListedFiles = 20;

std::optional<TextId> ProblemText(UpgradeFileProblem problem) {
    switch (problem) {
        case UpgradeFileProblem::kNoCompanion:
            return TextId::kRefusedNoMd5;
        case UpgradeFileProblem::kBadCompanion:
            return TextId::kRefusedBadMd5;
        case UpgradeFileProblem::kDigestMismatch:
            return TextId::kRefusedMd5Mismatch;
        case UpgradeFileProblem::kUnreadable:
            return TextId::kRefusedUnreadable;
        case UpgradeFileProblem::kTooLarge:
            return TextId::kRefusedTooLarge;
        case UpgradeFileProblem::kNone:
            break;
    }
    return std::nullopt;
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
    : CUpdateConfigDlg(
          form, dialogs, GetMonitorTable(), [](int i) { return LanguageText(i); }, nullptr,
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

std::string CUpdateConfigDlg::Text(TextId id) const {
    return text_ ? text_(TextNumber(id)) : std::string();
}

void CUpdateConfigDlg::RefreshCaptions() {
    const int chosen = form_.GetCurSel(kModeSelector);
    form_.ResetContent(kModeSelector);
    form_.InsertString(kModeSelector, 0, Text(TextId::kNetworkUpgrade));
    form_.InsertString(kModeSelector, 1, Text(TextId::kReservedMode));
    form_.SetCurSel(kModeSelector, chosen);
    // Only the first mode is served: it is always the one chosen and cannot be changed.
    form_.SetCurSel(kModeSelector, 0);
    form_.Enable(kModeSelector, false);
    ShowCaptionTexts(form_, kUpdatePageLayout, text_);
}

void CUpdateConfigDlg::OnBrowse() {
    std::string folder;
    if (dialogs_.PickFolder(Text(TextId::kSelectUpgradeFolder), folder) && !folder.empty()) {
        form_.SetText(kFolderPath, folder);
        CheckFolder(folder, -1);
    }
}

void CUpdateConfigDlg::OnStart() {
    const std::string folder = form_.GetText(kFolderPath);
    const int mode = form_.GetCurSel(kModeSelector);
    if (folder.empty()) {
        dialogs_.MessageBox(Text(TextId::kNoUpgradeFolder));
        return;
    }
    if (mode != 0 && mode != 1) {
        dialogs_.MessageBox(Text(TextId::kNoUpgradeMode));
        return;
    }
    const std::vector<MonitorObject*> monitors = table_.GetAllMonitors();
    if (monitors.empty()) {
        dialogs_.MessageBox(Text(TextId::kNoMonitorToUpgrade));
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
    form_.SetText(kStatusLine, Text(TextId::kCheckingUpgradeFiles));
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
        dialogs_.MessageBox(Text(TextId::kUnreadableUpgradeFolder));
        return;
    }
    // Each damaged firmware file and why (texts 85..90), then the files that are no firmware
    // at all (text 94), in one message.
    std::string message = FileList(
        files->Refusals(), Text(TextId::kRefusedUpgradeFiles),
        [&](const UpgradeFileRefusal& refused) {
            const std::optional<TextId> why = ProblemText(refused.problem);
            return ShownName(refused.path, folder) + ": " + (why ? Text(*why) : std::string());
        });
    AppendParagraph(message,
                    FileList(files->Ignored(), Text(TextId::kIgnoredUpgradeFiles),
                             [&](const std::string& path) { return ShownName(path, folder); }));
    const bool serve = files->CanServe();
    if (startMode >= 0 && !serve) {
        // A damaged file stops the whole set; else there was nothing to serve.
        AppendParagraph(message, Text(files->Refusals().empty() ? TextId::kNothingToServe
                                                                : TextId::kFirmwareSetIncomplete));
    }
    if (!message.empty()) {
        dialogs_.MessageBox(message);
    }
    if (startMode >= 0 && serve && start_) {
        start_(startMode, folder, files);
    }
}
