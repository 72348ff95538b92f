// End-to-end figures of the listening server, the sessions and the upgrade serving, over
// loopback. The server runs in a child process so its CPU time and memory are its own.
//
//   bench_server [--idle-seconds N] [--file-mib N] [--connections N] [--log-dir DIR]
//
// --log-dir points the upgrade server's logs at DIR instead of a fresh temporary folder (a path
// that cannot be created measures the serving with every log line dropped).
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "SimFleet.h"
#include "SimMd5.h"
#include "SimMessages.h"
#include "app/EventLoopUiThread.h"
#include "app/HeadlessApp.h"
#include "foundation/Log.h"
#include "platform/Socket.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kMonitors = 16;
constexpr std::size_t kRequestSize = 13;
constexpr std::size_t kAnswerSize = 524;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU time of this process so far (user and system), in seconds.
double OwnCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// TCP segments sent on this machine so far (every process; loopback counts once per segment).
long TcpSegmentsSent() {
    std::ifstream snmp("/proc/net/snmp");
    std::string header;
    std::string values;
    while (std::getline(snmp, header) && std::getline(snmp, values)) {
        if (header.rfind("Tcp:", 0) != 0) {
            continue;
        }
        std::istringstream names(header);
        std::istringstream numbers(values);
        std::string name;
        std::string number;
        while (names >> name && numbers >> number) {
            if (name == "OutSegs") {
                return std::atol(number.c_str());
            }
        }
    }
    return 0;
}

// Context switches of this process so far (voluntary and forced).
long OwnContextSwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// root: where the folder goes (default /tmp; BENCH_LOG_ROOT may point the logs elsewhere).
std::string MakeTempDir(const char* tag, const char* root = nullptr) {
    std::string pattern =
        std::string(root != nullptr ? root : "/tmp") + "/bench_server_" + tag + "_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* made = ::mkdtemp(buf.data());
    return made != nullptr ? made : "/tmp";
}

void RemoveTree(const std::string& dir) {
    if (dir.find("/bench_server_") != std::string::npos && dir.find('\'') == std::string::npos) {
        const std::string cmd = "rm -rf '" + dir + "'";
        [[maybe_unused]] int r = std::system(cmd.c_str());
    }
}

std::string Md5Hex(const std::string& bytes) {
    return SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

HeadlessOptions ServerOptions(const std::string& folder, const std::string& logDir) {
    HeadlessOptions options;
    options.upgradeFolder = folder;
    options.logDir = logDir;
    options.network = NetworkListenSettings::Compact(0);
    options.network.bindAddress = "127.0.0.1";
    options.network.startPauseMs = 0;
    options.network.startReturnPauseMs = 0;
    options.invitationPeriod = 3000ms;
    options.status = [](const std::string&) {};
    return options;
}

// A headless server in a child process. Its session port comes back through a pipe; closing
// the control pipe ends it, and it answers with its CPU time and peak memory.
struct ChildServer {
    pid_t pid = -1;
    int port = 0;
    int control = -1;  // parent's write end; closing it stops the child
    int report = -1;   // parent's read end

    bool Spawn(const std::string& folder, const std::string& logDir) {
        int toChild[2];
        int fromChild[2];
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) {
            return false;
        }
        pid = ::fork();
        if (pid < 0) {
            return false;
        }
        if (pid == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            int rc = 1;
            {
                HeadlessApp app(ServerOptions(folder, logDir));
                app.Start();
                if (app.Network().WaitListening(10000)) {
                    const int p = app.Network().SessionPort();
                    [[maybe_unused]] ssize_t n = ::write(fromChild[1], &p, sizeof p);
                    char c;
                    while (::read(toChild[0], &c, 1) > 0) {
                    }
                    rc = 0;
                }
                app.Stop();
            }
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            const long figures[3] = {usage.ru_utime.tv_sec * 1000000L + usage.ru_utime.tv_usec +
                                         usage.ru_stime.tv_sec * 1000000L + usage.ru_stime.tv_usec,
                                     usage.ru_maxrss, usage.ru_nvcsw + usage.ru_nivcsw};
            [[maybe_unused]] ssize_t n = ::write(fromChild[1], figures, sizeof figures);
            ::_exit(rc);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        control = toChild[1];
        report = fromChild[0];
        return ::read(report, &port, sizeof port) == static_cast<ssize_t>(sizeof port);
    }

    // utime + stime in seconds and the resident set in KiB, from /proc.
    bool Sample(double& cpu, long& rssKiB) const {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) {
            return false;
        }
        std::istringstream fields(text.substr(close + 2));
        std::string f;
        long utime = 0;
        long stime = 0;
        for (int i = 3; i <= 15 && fields >> f; ++i) {
            if (i == 14) {
                utime = std::atol(f.c_str());
            } else if (i == 15) {
                stime = std::atol(f.c_str());
            }
        }
        cpu = static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        rssKiB = 0;
        while (std::getline(status, line)) {
            if (line.rfind("VmRSS:", 0) == 0) {
                rssKiB = std::atol(line.c_str() + 6);
            }
        }
        return true;
    }

    void Finish(long& cpuMicros, long& maxRssKiB, long* switches = nullptr) {
        ::close(control);
        long figures[3] = {0, 0, 0};
        if (::read(report, figures, sizeof figures) != static_cast<ssize_t>(sizeof figures)) {
            figures[0] = figures[1] = figures[2] = -1;
        }
        if (switches != nullptr) {
            *switches = figures[2];
        }
        ::close(report);
        int status = 0;
        ::waitpid(pid, &status, 0);
        cpuMicros = figures[0];
        maxRssKiB = figures[1];
    }
};

// The reference: the same request and answer sizes over loopback with nothing else to do.
// With hop, every answer is sent from one shared thread, as the tool sends its answers from
// the UI thread: that measures the hand-over alone, without logs, records or file reads.
// With ownProcess, the answering side runs in a child process, as the tool does here.
double BaselineRequestsPerSecond(long requestsPerClient, bool hop, bool ownProcess = false) {
    static const std::uint8_t answer[kAnswerSize] = {};
    TcpListener listener;
    if (!listener.Open("127.0.0.1", 0, 64)) {
        return 0;
    }
    pid_t child = -1;
    if (ownProcess) {
        child = ::fork();
        if (child < 0) {
            return 0;
        }
    }
    // Made after the fork, on the answering side: a thread does not cross into a child.
    const std::unique_ptr<EventLoopUiThread> loop =
        hop && child <= 0 ? std::make_unique<EventLoopUiThread>() : nullptr;
    EventLoopUiThread* const ui = loop.get();
    std::atomic<bool> stop{false};
    std::vector<std::thread> servers;
    const auto accept = [&] {
        for (int i = 0; i < kMonitors; ++i) {
            UniqueSocket s = listener.Accept();
            if (!s) {
                return;
            }
            SetNoDelay(s.get(), true);
            servers.emplace_back([sock = std::move(s), hop, ui]() {
                std::uint8_t request[kRequestSize];
                for (;;) {
                    std::size_t got = 0;
                    while (got < kRequestSize) {
                        const long n = SocketRecv(sock.get(), request + got, kRequestSize - got);
                        if (n <= 0) {
                            return;
                        }
                        got += static_cast<std::size_t>(n);
                    }
                    if (hop) {
                        // The peer sends its next request only after this answer, so the
                        // socket outlives the task.
                        ui->Post([s = sock.get()] { SocketSendAll(s, answer, kAnswerSize); });
                    } else if (SocketSendAll(sock.get(), answer, kAnswerSize) < 0) {
                        return;
                    }
                }
            });
        }
    };
    // With the answering side in the child, only the child accepts.
    std::thread acceptor = child > 0 ? std::thread() : std::thread(accept);
    if (child == 0) {
        acceptor.join();
        for (auto& t : servers) {
            t.join();
        }
        ::_exit(0);
    }
    std::vector<std::thread> clients;
    const auto start = Clock::now();
    for (int c = 0; c < kMonitors; ++c) {
        clients.emplace_back([&] {
            UniqueSocket s = ConnectTcp("127.0.0.1", listener.LocalPort(), 5000);
            if (!s) {
                return;
            }
            SetNoDelay(s.get(), true);
            std::uint8_t request[kRequestSize] = {};
            std::uint8_t answer[kAnswerSize];
            for (long i = 0; i < requestsPerClient; ++i) {
                if (SocketSendAll(s.get(), request, kRequestSize) < 0) {
                    return;
                }
                std::size_t got = 0;
                while (got < kAnswerSize) {
                    const long n = SocketRecv(s.get(), answer + got, kAnswerSize - got);
                    if (n <= 0) {
                        return;
                    }
                    got += static_cast<std::size_t>(n);
                }
            }
        });
    }
    for (auto& t : clients) {
        t.join();
    }
    const double elapsed = Seconds(Clock::now() - start);
    stop = true;
    if (child > 0) {
        listener.Close();
        ::kill(child, SIGTERM);  // it may still wait in accept when a client failed
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    if (acceptor.joinable()) {
        acceptor.join();
    }
    for (auto& t : servers) {
        t.join();
    }
    return static_cast<double>(requestsPerClient) * kMonitors / elapsed;
}

// Waits until every monitor's record satisfies the predicate, looking every millisecond: a
// waiter on a record would be woken by every answer that monitor receives, and those wake-ups
// would be counted as the simulated monitors' cost.
bool PollAll(const SimFleet& fleet, const SimRecord::Predicate& predicate,
             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!fleet.WaitAll(predicate, 0ms)) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::size_t CountLines(const std::string& netLog, const char* prefix) {
    std::ifstream in(netLog);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t count = 0;
    for (std::size_t at = text.find(prefix); at != std::string::npos;
         at = text.find(prefix, at + 1)) {
        ++count;
    }
    return count;
}

std::size_t CountOnline(const std::string& netLog) {
    return CountLines(netLog, "\tOnline:");
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = 30;
    int fileMiB = 4;
    int connections = 100;
    std::string logDirOverride;
    bool sameProcess = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--same-process") == 0) {
            sameProcess = true;
        }
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--file-mib") == 0) {
            fileMiB = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--connections") == 0) {
            connections = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--log-dir") == 0) {
            logDirOverride = argv[i + 1];
        }
    }
    ::signal(SIGPIPE, SIG_IGN);

    const char* tmp = std::getenv("BENCH_LOG_ROOT");
    const std::string folder = MakeTempDir("fw");
    const std::string upgradeLogs = MakeTempDir("logs1", tmp);
    const std::string idleLogs = MakeTempDir("logs2", tmp);
    // Both servers are forked before this process has threads or large buffers, so their
    // memory figures are their own.
    ChildServer idleServer;
    if (!idleServer.Spawn("", idleLogs)) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }

    // 1. Upgrade serving: 16 monitors pull one file through the headless front end.
    {
        std::string bytes(static_cast<std::size_t>(fileMiB) << 20, '\0');
        unsigned x = 7;
        for (char& c : bytes) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 16);
        }
        WriteFile(folder + "/firmware.bin", bytes);
        WriteFile(folder + "/firmware.bin.md5", Md5Hex(bytes));
    }
    const long pieces = (static_cast<long>(fileMiB) << 20) / 512;
    const long requestsPerMonitor = 1 + 1 + pieces;  // count, header, data pieces
    const std::string upgradeLogDir = logDirOverride.empty() ? upgradeLogs : logDirOverride;
    ChildServer upgradeServer;
    std::unique_ptr<HeadlessApp> localServer;
    if (sameProcess) {
        localServer = std::make_unique<HeadlessApp>(ServerOptions(folder, upgradeLogDir));
        localServer->Start();
        if (!localServer->Network().WaitListening(10000)) {
            std::fprintf(stderr, "server did not start\n");
            return 1;
        }
        upgradeServer.port = localServer->Network().SessionPort();
    } else if (!upgradeServer.Spawn(folder, upgradeLogDir)) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }
    double upgradeRps = 0;
    long simSwitches = 0;
    long segments = 0;
    {
        SimMonitorConfig base;
        base.keepAliveMs = 1000;
        SimFleet fleet(base, kMonitors, "BENCH-", 1);
        const auto start = Clock::now();
        const double cpuStart = OwnCpuSeconds();
        const long switchesStart = OwnContextSwitches();
        const long segmentsStart = TcpSegmentsSent();
        fleet.StartAll("127.0.0.1", upgradeServer.port);
        const bool ok = PollAll(
            fleet,
            [](const SimSnapshot& s) { return s.upgradesSucceeded >= 1 || s.upgradesFailed >= 1; },
            600s);
        const double elapsed = Seconds(Clock::now() - start);
        const double simCpu = OwnCpuSeconds() - cpuStart;
        simSwitches = OwnContextSwitches() - switchesStart;
        segments = TcpSegmentsSent() - segmentsStart;
        const SimFleetSummary summary = fleet.Summary();
        upgradeRps = static_cast<double>(requestsPerMonitor) * kMonitors / elapsed;
        std::printf(
            "upgrade serving: %d monitors x %d MiB in %.2f s: %.0f requests/s (%s, %llu files "
            "verified, %llu failed)\n",
            kMonitors, fileMiB, elapsed, upgradeRps, ok ? "complete" : "INCOMPLETE",
            static_cast<unsigned long long>(summary.filesVerified),
            static_cast<unsigned long long>(summary.filesFailed));
        std::printf(
            "  simulated monitors (this process): %.2f s CPU, %.1f context switches per request\n",
            simCpu, static_cast<double>(simSwitches) / (requestsPerMonitor * kMonitors));
        fleet.StopAll();
    }
    long cpuMicros = 0;
    long maxRss = 0;
    long serverSwitches = 0;
    if (localServer) {
        localServer->Stop();
        localServer.reset();
    } else {
        upgradeServer.Finish(cpuMicros, maxRss, &serverSwitches);
    }
    const double requests = static_cast<double>(requestsPerMonitor * kMonitors);
    std::printf(
        "  server process: %.2f s CPU, peak RSS %ld KiB, %.1f context switches per request "
        "(whole life)\n",
        cpuMicros / 1e6, maxRss, static_cast<double>(serverSwitches) / requests);

    std::printf("  TCP segments per request: %.2f\n", static_cast<double>(segments) / requests);
    const long baselineSegmentsStart = TcpSegmentsSent();
    // A baseline run with this process's CPU time and context switches spent on it.
    struct Measured {
        double rps;
        double cpu;
        long switches;
    };
    auto measure = [&](bool hop) {
        const double cpuStart = OwnCpuSeconds();
        const long switchesStart = OwnContextSwitches();
        const double rps = BaselineRequestsPerSecond(requestsPerMonitor, hop);
        return Measured{rps, OwnCpuSeconds() - cpuStart, OwnContextSwitches() - switchesStart};
    };
    const auto [baseline, baselineCpu, baselineSwitches] = measure(false);
    std::printf(
        "baseline request/response (13 B -> 524 B, %d clients): %.0f requests/s, %.2f s CPU, "
        "%.1f context switches per request (clients and server)\n",
        kMonitors, baseline, baselineCpu, static_cast<double>(baselineSwitches) / requests);
    std::printf("  TCP segments per request: %.2f\n",
                static_cast<double>(TcpSegmentsSent() - baselineSegmentsStart) / requests);
    const double apartBaseline = BaselineRequestsPerSecond(requestsPerMonitor, false, true);
    std::printf(
        "baseline with its answering side in a child process: %.0f requests/s (%.0f %% of the "
        "baseline)\n",
        apartBaseline, baseline > 0 ? 100.0 * apartBaseline / baseline : 0.0);
    const auto [hopBaseline, hopCpu, hopSwitches] = measure(true);
    std::printf(
        "baseline with every answer sent from one shared thread: %.0f requests/s (%.0f %%), "
        "%.2f s CPU, %.1f context switches per request\n",
        hopBaseline, baseline > 0 ? 100.0 * hopBaseline / baseline : 0.0, hopCpu,
        static_cast<double>(hopSwitches) / requests);
    // The tool's shape with no work behind it: a child process whose session threads hand
    // every request to one answering thread.
    const double apartHopBaseline = BaselineRequestsPerSecond(requestsPerMonitor, true, true);
    std::printf(
        "baseline with its answering side in a child process and every answer sent from one "
        "shared thread: %.0f requests/s (%.0f %%)\n",
        apartHopBaseline, baseline > 0 ? 100.0 * apartHopBaseline / baseline : 0.0);
    std::printf("upgrade serving / baseline: %.0f %% (goal >= 60 %%)\n",
                baseline > 0 ? 100.0 * upgradeRps / baseline : 0.0);

    // 2. Idle: 16 monitors sending keep-alives; the server's CPU time and memory meanwhile.
    {
        SimMonitorConfig base;
        base.keepAliveMs = 1000;
        SimFleet fleet(base, kMonitors, "IDLE-", 2);
        fleet.StartAll("127.0.0.1", idleServer.port);
        fleet.WaitAll([](const SimSnapshot& s) { return s.phase == SimPhase::Online; }, 10s);
        std::this_thread::sleep_for(500ms);
        double cpu0 = 0;
        double cpu1 = 0;
        long rss0 = 0;
        long rss1 = 0;
        idleServer.Sample(cpu0, rss0);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        idleServer.Sample(cpu1, rss1);
        std::printf(
            "idle: %d monitors for %d s: server CPU %.3f s (%.2f %% of one core), RSS %ld KiB\n",
            kMonitors, idleSeconds, cpu1 - cpu0,
            idleSeconds > 0 ? 100.0 * (cpu1 - cpu0) / idleSeconds : 0.0, rss1);
        fleet.StopAll();
    }

    // 3. Connect to the "Online" line, one connection after another.
    {
        const std::string netLog = idleLogs + "/Net.log";
        // The idle fleet's slots must be free again before timing starts.
        const auto freed = Clock::now() + 5s;
        while (CountLines(netLog, "\tOffline:") < static_cast<std::size_t>(kMonitors) &&
               Clock::now() < freed) {
            std::this_thread::sleep_for(5ms);
        }
        std::vector<double> micros;
        SimMonitorConfig c;
        for (int i = 0; i < connections; ++i) {
            const std::size_t before = CountOnline(netLog);
            // The pool keys on the GUID without Data1, so the distinct part goes into Data4.
            GUID guid{1,
                      1,
                      2,
                      {1, 2, 3, 4, 5, 6, static_cast<std::uint8_t>(i >> 8),
                       static_cast<std::uint8_t>(i + 1)}};
            SimBytes hs = SimBuildFrame(SimCmd::kProtocolVersion, 1, SimVersionBody(c));
            const SimBytes type = SimBuildFrame(SimCmd::kConnectType, 2, SimConnectTypeBody(c));
            const SimBytes id = SimBuildFrame(SimCmd::kPatientGuid, 3, SimGuidBody(guid));
            hs.insert(hs.end(), type.begin(), type.end());
            hs.insert(hs.end(), id.begin(), id.end());
            const auto start = Clock::now();
            UniqueSocket s = ConnectTcp("127.0.0.1", idleServer.port, 5000);
            std::uint8_t greeting[16];
            std::size_t got = 0;
            while (s && got < sizeof greeting) {
                const long n = SocketRecv(s.get(), greeting + got, sizeof greeting - got);
                if (n <= 0) {
                    break;
                }
                got += static_cast<std::size_t>(n);
            }
            SocketSendAll(s.get(), hs.data(), hs.size());
            const auto deadline = start + 5s;
            while (CountOnline(netLog) == before && Clock::now() < deadline) {
                std::this_thread::sleep_for(50us);
            }
            micros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            s = UniqueSocket();
        }
        std::sort(micros.begin(), micros.end());
        std::printf(
            "connect to \"Online\" line: median %.0f us over %d connections (max %.0f us)\n",
            micros.empty() ? 0.0 : micros[micros.size() / 2], connections,
            micros.empty() ? 0.0 : micros.back());
    }
    idleServer.Finish(cpuMicros, maxRss);
    std::printf("  idle server process: %.2f s CPU in all, peak RSS %ld KiB\n", cpuMicros / 1e6,
                maxRss);

    RemoveTree(folder);
    RemoveTree(upgradeLogs);
    RemoveTree(idleLogs);
    return 0;
}
