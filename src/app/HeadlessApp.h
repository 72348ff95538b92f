#pragma once
// The tool without a window: the listening server, the sessions, the pool, the monitor table
// over an in-memory list refreshed every 10 ms on a UI loop, and the upgrade requests answered
// there. With an upgrade folder, every monitor that comes online is put into the waiting state
// and invited until it asks, then served as the upgrade manager answers requests.
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/Guid.h"
#include "foundation/UserMessages.h"
#include "network/NetworkListenManager.h"
#include "registry/MonitorListModel.h"

class EventLoopUiThread;
class MonitorObject;

struct HeadlessOptions {
    std::string upgradeFolder;  // empty: no upgrade is served
    std::string logDir;         // empty: the current directory
    NetworkListenSettings network;
    // The window's list refreshes every 10 ms; with no list on screen, a slower beat only
    // delays the status lines and the first invitation, and keeps the idle tool cheaper.
    std::chrono::milliseconds refreshPeriod{50};
    std::chrono::milliseconds invitationPeriod{3000};
    // One line per notable event (monitors coming and going, upgrades ending).
    std::function<void(const std::string&)> status;
};

class HeadlessApp : public IUserMessageSink {
  public:
    explicit HeadlessApp(HeadlessOptions options);
    ~HeadlessApp() override;
    HeadlessApp(const HeadlessApp&) = delete;
    HeadlessApp& operator=(const HeadlessApp&) = delete;

    // Parses "--headless [--upgrade-folder DIR] [--log-dir DIR] [--port-base N]" (the program
    // name first). False with a message on a bad command line.
    static bool ParseArguments(int argc, char** argv, HeadlessOptions& options, std::string& error);

    // Starts everything, runs until SIGINT or SIGTERM (or RequestStop), then stops; 0 on a
    // clean end.
    int Run();
    // The same without waiting, for callers that drive the app themselves.
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
        std::int64_t connectTime;
        int state;  // last upgrade state reported in a status line
        std::string label;
    };

    void OnTick();
    void Report(const std::string& line);
    std::string Label(MonitorObject* monitor) const;

    HeadlessOptions options_;
    MonitorListModel model_;
    std::unique_ptr<EventLoopUiThread> ui_;
    std::unique_ptr<NetworkListenManager> network_;
    std::map<MonitorObject*, Seen> seen_;  // UI loop only
    std::chrono::steady_clock::time_point lastInvitation_{};
    bool announcedListening_ = false;
    bool running_ = false;
    int stopFds_[2] = {-1, -1};
};
