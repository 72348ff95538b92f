#pragma once
// The tool without a window: the listening server, the sessions, the pool, the monitor table
// over an in-memory list refreshed every 10 ms on a UI loop, and the upgrade requests answered
// there. With an upgrade folder, every monitor that comes online (first visit or back after a
// drop) is put into the waiting state and invited until it asks, then served as the upgrade
// manager answers requests. A monitor that finished the folder's content in this run is not
// invited again when it comes back (it rebooted into its new firmware). The folder is looked at
// again every invitation period and whenever a monitor arrives: a change of its files serves
// everyone the new set, except that a pull under way finishes on the set it started with; a
// change that leaves it without a whole set (a damaged firmware file, as while new firmware is
// still being copied in, or no firmware at all) invites nobody more and starts no new pull, while
// the pulls under way finish on their own set, until the folder holds a whole set again.
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/Guid.h"
#include "foundation/UpgradeFileSet.h"
#include "foundation/UserMessages.h"
#include "network/NetworkListenManager.h"
#include "platform/StopRequest.h"
#include "registry/MonitorListModel.h"

class EventLoopUiThread;
class MonitorObject;

// The port that names a copy's instance lock: the first listening port that is not ephemeral
// (0 when all are, and then no lock is needed).
int InstancePort(const NetworkListenSettings& settings);

struct HeadlessOptions {
    std::string upgradeFolder;  // empty: no upgrade is served
    std::string logDir;         // empty: the current directory
    std::string recordDir;      // the service record's folder; empty: beside the logs
    std::string inventoryPath;  // rewritten whenever the monitor list changes; empty: none
    NetworkListenSettings network;
    // The window's list refreshes every 10 ms; with no list on screen, a slower beat only
    // delays the status lines and the first invitation, and keeps the idle tool cheaper.
    std::chrono::milliseconds refreshPeriod{50};
    std::chrono::milliseconds invitationPeriod{3000};
    // One line per notable event (monitors coming and going, upgrades ending).
    std::function<void(const std::string&)> status;
    // Stop also at the end of the user's session (Windows); tests that run the app inside their
    // own process leave it out.
    bool hearSessionEnd = true;
};

class HeadlessApp : public IUserMessageSink {
  public:
    explicit HeadlessApp(HeadlessOptions options);
    ~HeadlessApp() override;
    HeadlessApp(const HeadlessApp&) = delete;
    HeadlessApp& operator=(const HeadlessApp&) = delete;

    // Parses "--headless [--upgrade-folder DIR] [--log-dir DIR] [--record-dir DIR]
    // [--inventory FILE] [--port-base N]" (the program name first). False with a message on a bad
    // command line.
    static bool ParseArguments(int argc, char** argv, HeadlessOptions& options, std::string& error);

    // The command line's usage text.
    static const char* Usage();
    // A program's usage text: its own lines (starting "usage: "), then the headless ones under
    // the same "usage:".
    static std::string UsageAfter(const std::string& programLines);

    // Starts everything, runs until the operator's stop signal (Ctrl-C, SIGTERM; on Windows
    // also Ctrl-Break or closing the console) or RequestStop, then stops; 0 on a clean end, 1
    // when it could not start, or at once when another copy runs on the same ports ("Zr40Tool
    // is already running" on stderr).
    int Run();
    // The same without waiting, for callers that drive the app themselves. False, with nothing
    // started, when the upgrade folder cannot be read, holds no firmware file, or any of its
    // firmware files fails its check (the status lines say why, listing each refused file and
    // each file ignored for want of a companion).
    bool Start();
    void Stop();
    // Ends Run from any thread (async-signal-safe).
    void RequestStop();

    NetworkListenManager& Network() { return *network_; }
    MonitorListModel& ListModel() { return model_; }
    // Runs the task on the UI loop and waits for it (false when not running or timed out).
    bool RunOnUi(const std::function<void()>& task, std::chrono::milliseconds timeout);

    void OnUserMessage(const UserMessage& message) override;

  private:
    struct Seen {
        GUID guid;
        std::uint32_t occupancy;
        std::int64_t connectTime;
        int state;  // last upgrade state reported in a status line
        std::string label;
        bool named;  // the label has the monitor's name, not "?"
    };

    struct Ended {
        MonitorObject* monitor;
        GUID guid;
        int state;  // finished or failed
    };

    void OnTick();
    // Loads and checks the folder and reports what is refused and what is ignored; false when
    // it cannot be read or its set cannot be served as a whole.
    bool LoadFolder(UpgradeFileSet& files);
    // The status lines for a loaded folder; true when its set can be served.
    bool ReportFolder(const UpgradeFileSet& files);
    // Serves the loaded files and puts every listed monitor into the waiting state (UI loop).
    void ServeFolder(UpgradeFileSet files);
    // Serves nothing, after a load that found no whole set, and says so (UI loop).
    void StopServing(const UpgradeFileSet& files);
    // True when the folder on disk still holds what was loaded; else loads it again and serves
    // it, or stops serving when it holds no whole set. While nothing is served it is loaded
    // again each time, and served as soon as its set is whole.
    bool FolderUnchanged();
    void OnUpgradeEnd(MonitorObject* monitor, int state);
    void TakeEnds(const std::map<MonitorObject*, Seen>& left);
    void Report(const std::string& line);
    // Rewrites the inventory file when what it would hold changed (UI loop).
    void UpdateInventory();
    std::string Label(MonitorObject* monitor, const GUID& guid, bool& named) const;
    bool StillHeld(MonitorObject* monitor, const GUID& guid, std::uint32_t occupancy) const;

    HeadlessOptions options_;
    MonitorListModel model_;
    std::unique_ptr<EventLoopUiThread> ui_;
    std::unique_ptr<NetworkListenManager> network_;
    std::map<MonitorObject*, Seen> seen_;  // UI loop only
    // Ends of upgrades as they happen, taken at the next beat: a monitor that leaves right
    // after its last piece still gets its line.
    std::mutex endsMutex_;
    std::vector<Ended> ends_;
    std::string folderStamp_;  // the folder's files when loaded; UI loop
    bool serving_ = false;     // a whole set is being served; UI loop
    std::chrono::steady_clock::time_point lastInvitation_{};
    bool announcedListening_ = false;
    std::string inventory_;  // what the inventory file holds; UI loop
    bool inventoryFailed_ = false;
    bool running_ = false;
    StopRequest stop_;
};
