// Upgrade time as a ward feels it: 16 simulated monitors pull 1 MiB each through the tool, with
// every request held for the link's round trip D before it goes out. A monitor asks for one
// piece at a time, so a pull takes at least its requests x D (the bound); what the tool adds
// shows as the fleet's time over that bound and as each answer's wait once its request is out.
//
//   bench_fleet [--mode headless|window|both] [--delays 0,2,5] [--runs 2] [--file-mib 1]
//               [--monitors 16] [--tool PATH]
//
// headless: the tool program (zr40tool beside this one, or --tool) runs as a child with
// --headless, --upgrade-folder, --log-dir and --port-base on free ports; it invites each
// monitor as it comes online. window: a child process runs the desktop window (Qt, offscreen
// unless a display is set) with its 10 ms list refresh on the thread that answers the requests,
// and presses Start on the upgrade page once every monitor is listed. Each run is a new fleet
// (new GUIDs), so each is served afresh.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "SimFleet.h"
#include "SimMd5.h"
#include "app/EventLoopUiThread.h"
#include "network/NetworkListenManager.h"
#include "platform/Socket.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

#ifdef ZR40_BENCH_WINDOW
#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabBar>
#include <QTimer>

#include "pages/IDialogs.h"
#include "pages/LanguageTexts.h"
#include "pages/MainWindowLayout.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtPage.h"
#include "qt/QtUiThread.h"
#include "upgrade/UpdateConfigManager.h"
#endif

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPieceBytes = 512;
constexpr char kStartUpgrade = 'u';

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// utime + stime of a process in seconds; -1 when it cannot be read.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::atoll(field.c_str());
        }
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// 20 consecutive ports on 127.0.0.1 that nothing listens on right now.
int FreePortBase() {
    std::mt19937 rng(static_cast<unsigned>(::getpid()));
    std::uniform_int_distribution<int> pick(2000, 2900);  // bases 40000..58000, step 20
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int base = pick(rng) * 20;
        bool free = true;
        for (int p = base; p < base + kListenSlotCount && free; ++p) {
            TcpListener probe;
            free = probe.Open("127.0.0.1", p, 1);
        }
        if (free) {
            return base;
        }
    }
    return 0;
}

std::size_t CountLines(const std::string& path, const char* needle) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

#ifdef ZR40_BENCH_WINDOW
// No modal box may stop the window child: each message goes to its standard error instead.
class PrintingDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override {
        std::fprintf(stderr, "window message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string& text) override {
        std::fprintf(stderr, "window question (answered no): %s\n", text.c_str());
        return false;
    }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFile(const std::string&, const std::string&, const std::string&,
                  std::string&) override {
        return false;
    }
    bool PickFolder(const std::string&, std::string&) override { return false; }
};

// The desktop window's process: runs until the control pipe closes. On kStartUpgrade it waits
// until the list shows every monitor, then starts the upgrade from the page as the engineer
// would.
int RunWindowChild(const std::string& folder, int portBase, int monitors, int control,
                   const std::string& exeDir) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int argc = 1;
    char name[] = "bench_fleet-window";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QtUiThread ui;
    DesktopPaths paths;
    paths.exeDir = exeDir;
    DesktopStart start = DesktopStartOf(paths);
    start.showRecordProblem = nullptr;
    start.ports = NetworkListenSettings::Compact(portBase);
    start.ports->startPauseMs = 0;
    DesktopServices services(ui, std::move(start));
    if (!services.StartError().empty()) {
        std::fprintf(stderr, "window: %s\n", services.StartError().c_str());
        return 1;
    }
    PrintingDialogs dialogs;
    MainWindowOptions options;
    options.dialogs = &dialogs;
    options.wirelessAdapter = 1;
    options.debugPageSwitch = 1;
    int code = 0;
    {
        CZr40ToolDlg window(options);
        window.show();
        window.TabBar()->setCurrentIndex(kTabUpgrade);
        int pending = 0;
        QSocketNotifier notifier(control, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            char c = 0;
            if (::read(control, &c, 1) <= 0) {
                notifier.setEnabled(false);
                QApplication::quit();
            } else if (c == kStartUpgrade) {
                ++pending;
            }
        });
        QTimer starter;
        QObject::connect(&starter, &QTimer::timeout, [&] {
            auto* start = window.Page(kTabUpgrade)->As<QPushButton>(UpdatePageId::kStart);
            if (pending == 0 || start == nullptr || !start->isEnabled() ||
                window.Model().RowCount() != monitors) {
                return;
            }
            --pending;
            window.Page(kTabUpgrade)->SetText(UpdatePageId::kFolderPath, folder);
            start->click();
        });
        starter.start(5);
        code = QApplication::exec();
    }
    return code;
}
#endif

// The tool under measurement, in a child process of its own.
class ToolChild {
  public:
    ToolChild(bool window, std::string tool, std::string folder, std::string logDir, int monitors)
        : window_(window),
          tool_(std::move(tool)),
          folder_(std::move(folder)),
          logDir_(std::move(logDir)),
          monitors_(monitors) {}
    ~ToolChild() { Stop(); }

    bool Start() {
        portBase_ = FreePortBase();
        if (portBase_ == 0) {
            std::fprintf(stderr, "no free ports\n");
            return false;
        }
        if (window_ ? !SpawnWindow() : !SpawnHeadless()) {
            return false;
        }
        // Probed on an idle port, so the probe starts no session.
        const auto deadline = Clock::now() + 30s;
        while (!ConnectTcp("127.0.0.1", portBase_, 200)) {
            if (Clock::now() > deadline || ::waitpid(pid_, nullptr, WNOHANG) != 0) {
                std::fprintf(stderr, "the tool did not start listening on %d\n", portBase_);
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    int SessionPort() const { return NetworkListenSettings::Compact(portBase_).portD; }
    pid_t Pid() const { return pid_; }
    const std::string& NetLog() const { return netLog_; }

    // The window is told to start the upgrade; the headless tool serves every arrival itself.
    void StartUpgrade() {
        if (window_) {
            [[maybe_unused]] ssize_t n = ::write(control_, &kStartUpgrade, 1);
        }
    }

    void Stop() {
        if (pid_ <= 0) {
            return;
        }
        if (window_) {
            ::close(control_);
        } else {
            ::kill(pid_, SIGTERM);
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

  private:
    bool SpawnHeadless() {
        netLog_ = logDir_ + "/Net.log";
        const std::string base = std::to_string(portBase_);
        const std::string out = logDir_ + "/status.txt";
        std::vector<std::string> args = {tool_,       "--headless", "--upgrade-folder", folder_,
                                         "--log-dir", logDir_,      "--port-base",      base};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        const int rc = posix_spawn(&pid_, tool_.c_str(), &files, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        if (rc != 0) {
            std::fprintf(stderr, "cannot start %s\n", tool_.c_str());
            pid_ = -1;
            return false;
        }
        return true;
    }

    bool SpawnWindow() {
#ifdef ZR40_BENCH_WINDOW
        // The window writes its logs into its working directory.
        netLog_ = logDir_ + "/Net.log";
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return false;
        }
        const std::string exeDir =
            std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
        std::fflush(nullptr);  // a child must not write this process's buffered output again
        pid_ = ::fork();
        if (pid_ < 0) {
            return false;
        }
        if (pid_ == 0) {
            ::close(pipeFds[1]);
            int rc = 1;
            if (::chdir(logDir_.c_str()) == 0) {
                rc = RunWindowChild(folder_, portBase_, monitors_, pipeFds[0], exeDir);
            }
            std::fflush(nullptr);
            ::_exit(rc);
        }
        ::close(pipeFds[0]);
        control_ = pipeFds[1];
        return true;
#else
        std::fprintf(stderr, "this bench_fleet was built without the Qt window\n");
        return false;
#endif
    }

    const bool window_;
    const std::string tool_;
    const std::string folder_;
    const std::string logDir_;
    const int monitors_;
    std::string netLog_;
    int portBase_ = 0;
    pid_t pid_ = -1;
    int control_ = -1;
};

struct RunFigures {
    bool complete = false;
    int verified = 0;
    long requestsPerMonitor = 0;
    double fleetSeconds = 0;        // first invitation to the last monitor's end
    double slowestSeconds = 0;      // the slowest monitor's own pull
    double startSpreadSeconds = 0;  // first invitation to the last monitor's first
    double boundSeconds = 0;        // requests x D
    double meanUs = 0;              // an answer's wait once its request is out
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
    double monitorSideUs = 0;  // per request: the pull less the holds and the waits
    double toolCpuSeconds = 0;
};

double Mean(const std::vector<std::uint32_t>& values) {
    double sum = 0;
    for (std::uint32_t v : values) {
        sum += v;
    }
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

double Percentile(const std::vector<std::uint32_t>& sorted, double q) {
    if (sorted.empty()) {
        return 0;
    }
    const std::size_t at = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

RunFigures RunFleet(ToolChild& tool, int monitors, int delayMs, std::uint32_t salt) {
    RunFigures f;
    SimMonitorConfig base;
    base.linkDelayMs = delayMs;
    SimFleet fleet(base, monitors, "FLEET-", salt);
    const double cpuStart = CpuSeconds(tool.Pid());
    // One after another, as a ward's monitors arrive: sixteen connections in the same instant
    // overflow the tool's listen queue, and a dropped connection request is only repeated a
    // second later, which would measure the arrival rather than the upgrade.
    for (int i = 0; i < monitors; ++i) {
        fleet.At(i).Start("127.0.0.1", tool.SessionPort());
        if (!fleet.At(i).WaitOnline(10s)) {
            std::fprintf(stderr, "monitor %d did not come online\n", i);
            fleet.StopAll();
            return f;
        }
    }
    tool.StartUpgrade();
    // Looked at every few milliseconds rather than waited on: a waiter on a record would be
    // woken by every answer, and the wake-ups would fall on the monitors' cores.
    const auto over = [](const SimSnapshot& s) {
        return s.upgradesSucceeded + s.upgradesFailed > 0 || s.phase == SimPhase::Closed;
    };
    const auto deadline = Clock::now() + 120s + 3 * std::chrono::milliseconds(delayMs) * 2100;
    while (!fleet.WaitAll(over, 0ms) && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    f.toolCpuSeconds = CpuSeconds(tool.Pid()) - cpuStart;
    f.complete = true;

    std::vector<std::uint32_t> waits;
    std::optional<Clock::time_point> first;
    std::optional<Clock::time_point> lastStart;
    std::optional<Clock::time_point> last;
    double monitorSide = 0;
    long requests = 0;
    for (int i = 0; i < monitors; ++i) {
        const SimSnapshot s = fleet.At(i).Record().Snapshot();
        f.verified += s.upgradesSucceeded > 0 && s.filesFailed == 0 ? 1 : 0;
        waits.insert(waits.end(), s.answerWaitsUs.begin(), s.answerWaitsUs.end());
        f.requestsPerMonitor =
            std::max<long>(f.requestsPerMonitor, static_cast<long>(s.requests.size()));
        requests += static_cast<long>(s.requests.size());
        if (s.upgradesSucceeded + s.upgradesFailed == 0) {
            f.complete = false;
            continue;
        }
        first = first ? std::min(*first, s.pullStartedAt) : s.pullStartedAt;
        lastStart = lastStart ? std::max(*lastStart, s.pullStartedAt) : s.pullStartedAt;
        last = last ? std::max(*last, s.pullEndedAt) : s.pullEndedAt;
        const double pull = Seconds(s.pullEndedAt - s.pullStartedAt);
        f.slowestSeconds = std::max(f.slowestSeconds, pull);
        double waited = 0;
        for (std::uint32_t w : s.answerWaitsUs) {
            waited += w / 1e6;
        }
        monitorSide += pull - waited - static_cast<double>(s.requests.size()) * delayMs / 1e3;
    }
    fleet.StopAll();
    if (first && last) {
        f.fleetSeconds = Seconds(*last - *first);
        f.startSpreadSeconds = Seconds(*lastStart - *first);
    }
    f.boundSeconds = static_cast<double>(f.requestsPerMonitor) * delayMs / 1e3;
    std::sort(waits.begin(), waits.end());
    f.meanUs = Mean(waits);
    f.medianUs = Percentile(waits, 0.5);
    f.p99Us = Percentile(waits, 0.99);
    f.maxUs = waits.empty() ? 0 : waits.back();
    f.monitorSideUs = requests > 0 ? 1e6 * monitorSide / static_cast<double>(requests) : 0;
    return f;
}

// The machine's own share: the same paced exchange (13-byte request, 524-byte answer, D ms
// between an answer and the next request) against a server with nothing to do, in a child
// process of its own. With hop, every answer is sent from one shared thread, as the tool's
// answers go out from its UI thread. Gives the answer waits, sorted.
std::vector<std::uint32_t> PacedBaseline(int monitors, long requests, int delayMs, bool hop) {
    constexpr std::size_t kRequest = 13;
    constexpr std::size_t kAnswer = 524;
    TcpListener listener;
    if (!listener.Open("127.0.0.1", 0, 64)) {
        return {};
    }
    std::fflush(nullptr);  // a child must not write this process's buffered output again
    const pid_t child = ::fork();
    if (child < 0) {
        return {};
    }
    if (child == 0) {
        {
            static const std::uint8_t answer[kAnswer] = {};
            const std::unique_ptr<EventLoopUiThread> loop =
                hop ? std::make_unique<EventLoopUiThread>() : nullptr;
            std::vector<std::thread> sessions;
            for (int i = 0; i < monitors; ++i) {
                UniqueSocket s = listener.Accept();
                if (!s) {
                    break;
                }
                SetNoDelay(s.get(), true);
                sessions.emplace_back([sock = std::move(s), ui = loop.get()] {
                    std::uint8_t request[kRequest];
                    for (;;) {
                        std::size_t got = 0;
                        while (got < kRequest) {
                            const long n = SocketRecv(sock.get(), request + got, kRequest - got);
                            if (n <= 0) {
                                return;
                            }
                            got += static_cast<std::size_t>(n);
                        }
                        if (ui != nullptr) {
                            // the peer asks again only after this answer: the socket outlives it
                            ui->Post([h = sock.get()] { SocketSendAll(h, answer, kAnswer); });
                        } else if (SocketSendAll(sock.get(), answer, kAnswer) < 0) {
                            return;
                        }
                    }
                });
            }
            for (std::thread& t : sessions) {
                t.join();
            }
        }
        ::_exit(0);
    }
    std::vector<std::vector<std::uint32_t>> waits(static_cast<std::size_t>(monitors));
    std::vector<std::thread> clients;
    for (int c = 0; c < monitors; ++c) {
        clients.emplace_back([&, c] {
            UniqueSocket s = ConnectTcp("127.0.0.1", listener.LocalPort(), 5000);
            if (!s) {
                return;
            }
            SetNoDelay(s.get(), true);
            std::uint8_t request[kRequest] = {};
            std::uint8_t answer[kAnswer];
            for (long i = 0; i < requests; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                const auto sent = Clock::now();
                if (SocketSendAll(s.get(), request, kRequest) < 0) {
                    return;
                }
                std::size_t got = 0;
                while (got < kAnswer) {
                    const long n = SocketRecv(s.get(), answer + got, kAnswer - got);
                    if (n <= 0) {
                        return;
                    }
                    got += static_cast<std::size_t>(n);
                }
                waits[static_cast<std::size_t>(c)].push_back(static_cast<std::uint32_t>(
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent)
                        .count()));
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    listener.Close();
    int status = 0;
    ::waitpid(child, &status, 0);
    std::vector<std::uint32_t> all;
    for (const auto& w : waits) {
        all.insert(all.end(), w.begin(), w.end());
    }
    std::sort(all.begin(), all.end());
    return all;
}

std::string MakeTempDir(const char* tag) {
    std::string pattern = std::string("/tmp/bench_fleet_") + tag + "_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* made = ::mkdtemp(buf.data());
    return made != nullptr ? made : std::string();
}

std::vector<int> ParseDelays(const std::string& text) {
    std::vector<int> delays;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        delays.push_back(std::atoi(item.c_str()));
    }
    return delays;
}

}  // namespace

int main(int argc, char** argv) {
    std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zr40tool").string();
    std::string mode = "both";
    std::vector<int> delays = {0, 2, 5};
    int runs = 2;
    int fileMiB = 1;
    int monitors = 16;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const std::string value = argv[i + 1];
        if (arg == "--tool") {
            tool = value;
        } else if (arg == "--mode") {
            mode = value;
        } else if (arg == "--delays") {
            delays = ParseDelays(value);
        } else if (arg == "--runs") {
            runs = std::max(1, std::atoi(value.c_str()));
        } else if (arg == "--file-mib") {
            fileMiB = std::max(1, std::atoi(value.c_str()));
        } else if (arg == "--monitors") {
            monitors = std::clamp(std::atoi(value.c_str()), 1, 16);
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if ((argc - 1) % 2 != 0 || (mode != "headless" && mode != "window" && mode != "both")) {
        std::fprintf(stderr,
                     "usage: bench_fleet [--mode headless|window|both] [--delays 0,2,5] "
                     "[--runs N] [--file-mib N] [--monitors N] [--tool PATH]\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);

    const std::string folder = MakeTempDir("fw");
    if (folder.empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    {
        std::string bytes(static_cast<std::size_t>(fileMiB) << 20, '\0');
        unsigned x = 11;
        for (char& c : bytes) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 16);
        }
        std::ofstream(folder + "/firmware.bin", std::ios::binary) << bytes;
        std::ofstream(folder + "/firmware.bin.md5")
            << SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    const long pieces = (static_cast<long>(fileMiB) << 20) / kPieceBytes;
    std::printf(
        "%d monitors pull %d MiB each (%ld pieces of %d bytes; with the count and the header, "
        "%ld requests per monitor), each request held D ms\n",
        monitors, fileMiB, pieces, kPieceBytes, pieces + 2);

    // Before any tool runs: the machine's own wait for the same paced exchange.
    for (const int d : delays) {
        for (const bool hop : {false, true}) {
            const std::vector<std::uint32_t> w = PacedBaseline(monitors, pieces + 2, d, hop);
            std::printf(
                "baseline D=%d ms, server with nothing to do%s: answer wait mean %.0f us, median "
                "%.0f us, p99 %.0f us\n",
                d, hop ? ", answers from one shared thread" : "", Mean(w), Percentile(w, 0.5),
                Percentile(w, 0.99));
            std::fflush(stdout);
        }
    }

    std::vector<bool> modes;
    if (mode != "window") {
        modes.push_back(false);
    }
    if (mode != "headless") {
        modes.push_back(true);
    }
    bool allComplete = true;
    std::uint32_t salt = static_cast<std::uint32_t>(::getpid()) << 8;
    for (const bool window : modes) {
        const char* label = window ? "window" : "headless";
        const std::string logs = MakeTempDir(window ? "window" : "headless");
        ToolChild child(window, tool, folder, logs, monitors);
        if (logs.empty() || !child.Start()) {
            allComplete = false;
            continue;
        }
        std::map<int, std::vector<RunFigures>> byDelay;
        std::size_t offline = 0;
        for (int run = 1; run <= runs; ++run) {
            for (const int d : delays) {
                const RunFigures f = RunFleet(child, monitors, d, salt += 2);
                allComplete = allComplete && f.complete && f.verified == monitors;
                byDelay[d].push_back(f);
                std::printf("%-8s D=%d ms run %d: fleet %.3f s", label, d, run, f.fleetSeconds);
                if (d > 0) {
                    std::printf(", bound %.3f s: %.3f x bound (slowest monitor %.3f x)",
                                f.boundSeconds, f.fleetSeconds / f.boundSeconds,
                                f.slowestSeconds / f.boundSeconds);
                }
                std::printf(
                    "; invitations spread %.0f ms; answer wait mean %.0f us, median %.0f us, p99 "
                    "%.0f us, max "
                    "%.0f us; monitor side %.0f "
                    "us per request; tool CPU %.2f s; %d/%d verified%s\n",
                    1e3 * f.startSpreadSeconds, f.meanUs, f.medianUs, f.p99Us, f.maxUs,
                    f.monitorSideUs, f.toolCpuSeconds, f.verified, monitors,
                    f.complete ? "" : " (INCOMPLETE)");
                std::fflush(stdout);
                // The fleet's sessions have to be gone before the next fleet takes the slots.
                offline += static_cast<std::size_t>(monitors);
                const auto freed = Clock::now() + 10s;
                while (CountLines(child.NetLog(), "\tOffline:") < offline && Clock::now() < freed) {
                    std::this_thread::sleep_for(10ms);
                }
            }
        }
        child.Stop();
        for (const auto& [d, figures] : byDelay) {
            double loRatio = 1e9;
            double hiRatio = 0;
            double loP99 = 1e12;
            double hiP99 = 0;
            double loMedian = 1e12;
            double hiMedian = 0;
            for (const RunFigures& f : figures) {
                const double ratio = d > 0 ? f.fleetSeconds / f.boundSeconds : f.fleetSeconds;
                loRatio = std::min(loRatio, ratio);
                hiRatio = std::max(hiRatio, ratio);
                loP99 = std::min(loP99, f.p99Us);
                hiP99 = std::max(hiP99, f.p99Us);
                loMedian = std::min(loMedian, f.medianUs);
                hiMedian = std::max(hiMedian, f.medianUs);
            }
            if (d > 0) {
                std::printf("%-8s D=%d ms, %zu runs: fleet %.3f to %.3f x bound", label, d,
                            figures.size(), loRatio, hiRatio);
            } else {
                std::printf("%-8s D=0 ms, %zu runs: fleet %.3f to %.3f s", label, figures.size(),
                            loRatio, hiRatio);
            }
            std::printf("; answer wait median %.0f to %.0f us, p99 %.0f to %.0f us\n", loMedian,
                        hiMedian, loP99, hiP99);
        }
        std::filesystem::remove_all(logs);
    }
    std::printf(
        "goal at D = 2 ms: fleet within 1.05 x bound; p99 answer wait under 1000 us with the "
        "window open\n");
    std::filesystem::remove_all(folder);
    return allComplete ? 0 : 1;
}
