#include "app/HeadlessApp.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <utility>
#include <vector>

#include "app/DispatchRouter.h"
#include "app/EventLoopUiThread.h"
#include "app/LogFolderChoice.h"
#include "app/PortBaseArgument.h"
#include "app/RecordCommand.h"
#include "foundation/FileHelpers.h"
#include "foundation/GuidText.h"
#include "foundation/Log.h"
#include "foundation/PublicFunctions.h"
#include "foundation/UiThread.h"
#include "platform/SingleInstance.h"
#include "platform/Socket.h"
#include "platform/Utf8Path.h"
#include "record/Inventory.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeState.h"

namespace {

constexpr int kRefreshTimerId = 1000;

std::string Utf8(const WString& text) {
    return CPublicFunctions::UnicodeToUtf8(text.c_str());
}

std::string GuidKey(const GUID& guid) {
    return Utf8(GuidToString(guid));
}

}  // namespace

int InstancePort(const NetworkListenSettings& settings) {
    for (int port : {settings.portA, settings.portB, settings.portC, settings.portD}) {
        if (port > 0) {
            return port;
        }
    }
    return 0;
}

HeadlessApp::HeadlessApp(HeadlessOptions options)
    : options_(std::move(options)), stop_(options_.hearSessionEnd) {
    if (!options_.status) {
        options_.status = [](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        };
    }
}

HeadlessApp::~HeadlessApp() {
    Stop();
}

bool HeadlessApp::ParseArguments(int argc, char** argv, HeadlessOptions& options,
                                 std::string& error) {
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        // the options that take a text as it stands
        const std::pair<const char*, std::string*> texts[] = {
            {"--upgrade-folder", &options.upgradeFolder},
            {"--log-dir", &options.logDir},
            {"--record-dir", &options.recordDir},
            {"--inventory", &options.inventoryPath},
        };
        std::string* text = nullptr;
        for (const auto& [name, target] : texts) {
            text = arg == name ? target : text;
        }
        if (arg == "--headless") {
            headless = true;
        } else if (text != nullptr) {
            const char* v = value(arg.c_str());
            if (v == nullptr) {
                return false;
            }
            *text = v;
        } else if (arg == "--port-base") {
            const char* v = value("--port-base");
            int base = 0;
            if (v == nullptr) {
                return false;
            }
            if (!ParsePortBase(v, base)) {
                error = std::string("bad --port-base: ") + v;
                return false;
            }
            const NetworkListenSettings compact = NetworkListenSettings::Compact(base);
            options.network.portA = compact.portA;
            options.network.portB = compact.portB;
            options.network.portC = compact.portC;
            options.network.portD = compact.portD;
        } else {
            error = "unknown argument: " + arg;
            return false;
        }
    }
    if (!headless) {
        error = "--headless is required";
        return false;
    }
    return true;
}

const char* HeadlessApp::Usage() {
    return "usage: zr40tool --help | --version | --verify-record FILE\n"
           "       zr40tool --headless [--upgrade-folder DIR] [--log-dir DIR] [--record-dir DIR]\n"
           "                [--inventory FILE] [--port-base N]\n"
           "  --verify-record FILE  check a service record file against its digests (0: intact)\n"
           "  --upgrade-folder DIR  serve the firmware files of DIR (each with its NAME.md5)\n"
           "                        to every monitor that comes online\n"
           "  --log-dir DIR         write the log files there (default: the current directory\n"
           "                        when writable, else the user's log folder)\n"
           "  --record-dir DIR      write the service record (ServiceRecord-YYYY-MM.csv) there\n"
           "                        (default: beside the logs)\n"
           "  --inventory FILE      keep a CSV of the connected monitors there\n"
           "  --port-base N         the 20 listening ports on N..N+19 (0: ephemeral ports)\n";
}

std::string HeadlessApp::UsageAfter(const std::string& programLines) {
    std::string headless = Usage();
    const std::string prefix = "usage: ";
    if (headless.compare(0, prefix.size(), prefix) == 0) {
        headless.replace(0, prefix.size(), std::string(prefix.size(), ' '));
    }
    return programLines + headless;
}

bool HeadlessApp::Start() {
    if (running_) {
        return false;
    }
    if (!options_.logDir.empty()) {
        SetLogDirectory(options_.logDir);
    } else if (const std::string logs = UseDefaultLogFolder(); !logs.empty()) {
        options_.status(logs);
    }
    const bool upgrading = !options_.upgradeFolder.empty();
    UpgradeFileSet files;
    if (upgrading) {
        // Taken before the load: a change during the load shows at the next check.
        folderStamp_ = FolderStamp(options_.upgradeFolder);
        if (!LoadFolder(files)) {
            if (!files.Refusals().empty()) {
                Report(
                    "The upgrade is not started: every file of the firmware set must pass "
                    "its check");
            }
            return false;
        }
    }
    running_ = true;

    ui_ = std::make_unique<EventLoopUiThread>();
    ServiceRecordOptions record;
    record.folder = options_.recordDir.empty() ? DefaultRecordFolder() : options_.recordDir;
    // Told on the record's writer thread; the status lines are the UI loop's. The record is
    // closed before the loop ends.
    record.onProblem = [this](const std::string& folder) {
        ui_->Post([this, folder] { Report(RecordProblemLine(folder)); });
    };
    record.onRecovered = [this](const std::string& folder) {
        ui_->Post([this, folder] { Report(RecordRecoveredLine(folder)); });
    };
    GetServiceRecord().Open(std::move(record));
    SetUiThread(ui_.get());
    SetUserMessageSink(this);
    SetDispatchSink(&GetDispatchRouter());

    CMonitorTable& table = GetMonitorTable();
    table.SetList(&model_);
    // Page 3 shows the upgrade column; results reach the upgrade manager on any page.
    RunOnUi(
        [&] {
            table.SetPage(upgrading ? CMonitorTable::kPageUpgrade : CMonitorTable::kPageNetwork);
            if (upgrading) {
                GetUpdateConfigManager().SetUpgradeEndListener(
                    [this](MonitorObject* monitor, int state) { OnUpgradeEnd(monitor, state); });
                ServeFolder(std::move(files));
            }
        },
        std::chrono::seconds(30));

    network_ = std::make_unique<NetworkListenManager>(options_.network, GetMonitorObjectMng());
    network_->StartNetworkManager();
    lastInvitation_ = std::chrono::steady_clock::now();
    ui_->SetTimer(kRefreshTimerId, options_.refreshPeriod, [this] { OnTick(); });
    return true;
}

void HeadlessApp::Stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    ui_->KillTimer(kRefreshTimerId);
    // One last beat, so an upgrade that ended since the previous one is still reported.
    RunOnUi([this] { OnTick(); }, std::chrono::seconds(5));
    // Sessions first: they post to the UI loop and call into the table.
    network_->Stop();
    SetDispatchSink(nullptr);
    GetUpdateConfigManager().StopUpgradePolling();
    GetUpdateConfigManager().SetUpgradeEndListener(nullptr);
    ui_->Flush(std::chrono::seconds(5));
    CloseServiceRecord();
    SetUserMessageSink(nullptr);
    SetUiThread(nullptr);
    ui_.reset();
    GetMonitorTable().SetList(nullptr);
    network_.reset();
    seen_.clear();
    {
        std::lock_guard<std::mutex> guard(endsMutex_);
        ends_.clear();
    }
    serving_ = false;
    announcedListening_ = false;
    inventory_.clear();
    inventoryFailed_ = false;
}

int HeadlessApp::Run() {
    // Before anything else: a second copy on the same ports must not touch the first one's.
    const int port = InstancePort(options_.network);
    const SingleInstance instance(InstanceKeyForPort(port));
    if (instance.HeldByAnother()) {
        std::fprintf(stderr, "%s\n", AlreadyRunningMessage(port).c_str());
        return 1;
    }
    if (!stop_.Valid()) {
        std::fprintf(stderr, "cannot create the stop signal\n");
        return 1;
    }
    stop_.CatchStopSignals();
    const bool started = Start();
    if (started) {
        stop_.Wait();
        Report("Stopping");
        Stop();
    }
    stop_.ReleaseStopSignals();
    stop_.Clear();
    return started ? 0 : 1;
}

void HeadlessApp::RequestStop() {
    stop_.Request();
}

bool HeadlessApp::RunOnUi(const std::function<void()>& task, std::chrono::milliseconds timeout) {
    if (!ui_) {
        return false;
    }
    if (ui_->IsLoopThread()) {
        task();
        return true;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ready = done->get_future();
    ui_->Post([task, done] {
        task();
        done->set_value();
    });
    return ready.wait_for(timeout) == std::future_status::ready;
}

void HeadlessApp::OnUserMessage(const UserMessage& message) {
    // The session threads answer upgrade requests themselves; a WM_UPGRADE_REQUEST still
    // posted finds its request answered and sends nothing.
    if (message.id == WM_UPGRADE_REQUEST) {
        GetUpdateConfigManager().UpdateUpgradeReq(message.monitor);
    }
}

bool HeadlessApp::LoadFolder(UpgradeFileSet& files) {
    files.LoadFolder(options_.upgradeFolder);
    return ReportFolder(files);
}

bool HeadlessApp::ReportFolder(const UpgradeFileSet& files) {
    const std::string& folder = options_.upgradeFolder;
    if (!files.FolderReadable()) {
        Report("Cannot read the upgrade folder " + folder + ": it does not exist or is no folder");
        return false;
    }
    auto shown = [&](const std::string& path) {
        std::string name =
            Utf8FromPath(PathFromUtf8(path).lexically_relative(PathFromUtf8(folder)));
        return name.empty() ? path : name;
    };
    for (const UpgradeFileRefusal& refused : files.Refusals()) {
        Report("Refused: " + shown(refused.path) + ": " + UpgradeFileProblemText(refused.problem));
    }
    for (const std::string& path : files.Ignored()) {
        Report("Ignored: " + shown(path));
    }
    if (files.Refusals().empty() && !files.CanServe()) {
        Report("Nothing to serve from " + folder + ": no firmware file with its .md5 companion");
    }
    return files.CanServe();
}

void HeadlessApp::ServeFolder(UpgradeFileSet files) {
    const int served = files.GetFileCount();
    // Pulls under way finish on the set they started with; everyone else waits for this one,
    // including the monitors that finished the previous one.
    serving_ = GetUpdateConfigManager().StartUpgrade(0, std::move(files));
    Report("Serving " + std::to_string(served) + " file(s) from " + options_.upgradeFolder);
}

void HeadlessApp::StopServing(const UpgradeFileSet& files) {
    // Pulls under way finish on the set they started with, which is still whole in memory;
    // nobody is invited to the damaged one. Once the folder holds a whole set again, every
    // listed monitor not in the middle of a pull is invited to it.
    GetUpdateConfigManager().StopUpgrade();
    const std::string why = files.Refusals().empty()
                                ? "no firmware set"
                                : "every file of the firmware set must pass its check";
    Report(std::string(serving_ ? "Serving stopped: " : "Still serving nothing: ") + why +
           "; pulls under way finish on the set they started with, and nothing new is served "
           "until " +
           options_.upgradeFolder + " holds a whole set");
    serving_ = false;
}

bool HeadlessApp::FolderUnchanged() {
    // Taken before the load, as at the start: a change during the load shows next time.
    std::string stamp = FolderStamp(options_.upgradeFolder);
    UpgradeFileSet files;
    const bool changed = stamp != folderStamp_;
    if (!changed) {
        if (serving_) {
            return true;
        }
        // While nothing is served the folder is read again even when its stamp looks the same:
        // a file rewritten with its size within the stamp's time resolution (a whole second on
        // some file systems) must not keep the station idle for good. Only a set that became
        // whole is worth a word.
        if (!files.LoadFolder(options_.upgradeFolder)) {
            return true;
        }
    }
    Report("Folder changed: " + options_.upgradeFolder);
    folderStamp_ = std::move(stamp);
    if (changed ? LoadFolder(files) : ReportFolder(files)) {
        ServeFolder(std::move(files));
    } else {
        StopServing(files);
    }
    return false;
}

void HeadlessApp::OnUpgradeEnd(MonitorObject* monitor, int state) {
    const GUID guid = monitor->GetGuid();
    std::lock_guard<std::mutex> guard(endsMutex_);
    ends_.push_back(Ended{monitor, guid, state});
}

void HeadlessApp::TakeEnds(const std::map<MonitorObject*, Seen>& left) {
    std::vector<Ended> ends;
    {
        std::lock_guard<std::mutex> guard(endsMutex_);
        ends.swap(ends_);
    }
    // In order, so a failure reported after the last piece wins; one line per monitor.
    std::map<std::string, Ended> last;
    for (const Ended& end : ends) {
        last.insert_or_assign(GuidKey(end.guid), end);
    }
    for (const auto& [key, end] : last) {
        std::string label = key;
        int* shown = nullptr;
        if (auto it = seen_.find(end.monitor); it != seen_.end() && it->second.guid == end.guid) {
            label = it->second.label;
            shown = &it->second.state;
        } else if (auto gone = left.find(end.monitor);
                   gone != left.end() && gone->second.guid == end.guid) {
            label = gone->second.label;
        }
        if (shown != nullptr && *shown == end.state) {
            continue;  // the beat already reported it
        }
        if (shown != nullptr) {
            *shown = end.state;
        }
        Report(
            std::string(end.state == kUpgradeFinished ? "Upgrade finished: " : "Upgrade failed: ") +
            label);
    }
}

void HeadlessApp::Report(const std::string& line) {
    options_.status(line);
}

void HeadlessApp::UpdateInventory() {
    if (options_.inventoryPath.empty()) {
        return;
    }
    std::string text = InventoryText(GetMonitorObjectMng());
    if (text == inventory_) {
        return;
    }
    const bool written = WriteInventory(options_.inventoryPath, text);
    if (written) {
        inventory_ = std::move(text);
    } else if (!inventoryFailed_) {
        Report("Inventory: cannot write " + options_.inventoryPath);
    }
    inventoryFailed_ = !written;
}

std::string HeadlessApp::Label(MonitorObject* monitor, const GUID& guid, bool& named) const {
    MonitorAttribute attribute;
    if (MonitorSystemStatus* status = monitor->GetStatus()) {
        status->GetMonitorAttribute(&attribute);
    }
    const SocketAddr peer = monitor->GetPeer();
    std::string name = Utf8(WString(FieldText(attribute.deviceName)));
    named = !name.empty();
    return (name.empty() ? std::string("?") : name) + " " + DottedAddress(peer.addr) + ":" +
           std::to_string(HostPort(peer.addr)) + " " + Utf8(GuidToString(guid));
}

// The monitor may have left since the table was read: its released slot keeps the name and
// connect time but not the key. Only a slot still held under the key read, by the same
// occupant, is that monitor; what was read from a slot that left is not used.
bool HeadlessApp::StillHeld(MonitorObject* monitor, const GUID& guid,
                            std::uint32_t occupancy) const {
    return GetMonitorObjectMng().FindObj(guid) == monitor && monitor->Occupancy() == occupancy;
}

void HeadlessApp::OnTick() {
    CMonitorTable& table = GetMonitorTable();
    table.Refresh();

    if (!announcedListening_ && network_->WaitListening(0)) {
        announcedListening_ = true;
        Report("Listening: monitor ports " + std::to_string(network_->SlotPort(18)) + " and " +
               std::to_string(network_->SlotPort(19)));
    }

    const bool upgrading = !options_.upgradeFolder.empty();
    UpdateConfigManager& upgrade = GetUpdateConfigManager();
    const std::vector<MonitorObject*> monitors = table.GetAllMonitors();
    std::map<MonitorObject*, Seen> now;
    std::vector<std::pair<MonitorObject*, Seen>> arrived;
    for (MonitorObject* m : monitors) {
        MonitorSystemStatus* status = m->GetStatus();
        const std::uint32_t occupancy = m->Occupancy();
        const GUID guid = m->GetGuid();
        const std::int64_t connectTime = status != nullptr ? status->GetConnectTime() : 0;
        if (connectTime == 0) {
            // The pool hands the slot over before the session stores its connect time; wait
            // for it, or the same monitor would count as arriving twice and be reset to waiting
            // in the middle of its upgrade.
            continue;
        }
        auto it = seen_.find(m);
        // The same session only when the slot has had no new occupant: a monitor that drops and
        // comes back within the same second must still count as arriving.
        if (it != seen_.end() && it->second.occupancy == occupancy && it->second.guid == guid &&
            it->second.connectTime == connectTime) {
            Seen& kept = now.emplace(m, it->second).first->second;
            seen_.erase(it);
            if (!kept.named) {
                // Its name came after its arrival: later lines (finished, offline) carry it.
                bool named = false;
                std::string label = Label(m, guid, named);
                if (named && StillHeld(m, guid, occupancy)) {
                    kept.label = std::move(label);
                    kept.named = true;
                }
            }
            continue;
        }
        Seen fresh{guid, occupancy, connectTime, kUpgradeWaiting, std::string(), false};
        fresh.label = Label(m, guid, fresh.named);
        if (!StillHeld(m, guid, occupancy)) {
            continue;  // it left at this beat
        }
        arrived.emplace_back(m, std::move(fresh));
    }
    std::map<MonitorObject*, Seen> left = std::move(seen_);
    seen_ = std::move(now);
    WatchConnectedMonitors(GetMonitorObjectMng(), GetServiceRecord());
    UpdateInventory();
    if (upgrading) {
        TakeEnds(left);
    }
    const auto clock = std::chrono::steady_clock::now();
    const bool inviteNow = clock - lastInvitation_ >= options_.invitationPeriod;
    if (inviteNow) {
        lastInvitation_ = clock;
        if (upgrading) {
            // Once a period: a set changed on disk is served (or, damaged, stopped) before
            // anyone is invited to the old one.
            FolderUnchanged();
        }
    }
    // Leaves before arrivals: a monitor back in another slot at the same beat reads as having
    // gone and come back, in that order.
    for (const auto& [m, gone] : left) {
        Report("Offline: " + gone.label + " (" + std::to_string(monitors.size()) + " online)");
    }
    for (auto& [m, fresh] : arrived) {
        Report("Online: " + fresh.label + " (" + std::to_string(monitors.size()) + " online)");
        seen_.insert_or_assign(m, std::move(fresh));
    }
    if (upgrading && !arrived.empty() && !inviteNow) {
        // A monitor that arrives is served what the folder holds now, not a set it replaced.
        FolderUnchanged();
    }
    if (upgrading) {
        // The upgrade manager takes in every monitor that came into the list, as in the
        // windows: invited at once, or up to date when it finished this set earlier in the run.
        for (const UpdateConfigManager::Admission& admitted : upgrade.AdmitArrivals()) {
            auto it = seen_.find(admitted.monitor);
            if (it == seen_.end()) {
                continue;  // not registered yet at this beat's read of the table
            }
            it->second.state = admitted.state;
            if (admitted.state == kUpgradeFinished) {
                Report("Up to date: " + it->second.label);
            }
        }
    }

    if (!upgrading) {
        return;
    }
    for (auto& [m, seen] : seen_) {
        const int state = upgrade.GetUpgradeStatus(m).state;
        if (state == kUpgradeWaiting && inviteNow) {
            upgrade.SendUpdateReq(m);
        }
        if (state != seen.state && (state == kUpgradeFinished || state == kUpgradeFailed)) {
            Report(
                std::string(state == kUpgradeFinished ? "Upgrade finished: " : "Upgrade failed: ") +
                seen.label);
        }
        seen.state = state;
    }
}
