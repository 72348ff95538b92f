// CPU of the desktop program sitting idle with simulated monitors connected: starts zr40tool on
// the offscreen platform with its listening ports moved to --port-base, connects the monitors,
// and reads the program's user + system CPU time from /proc over the measuring period.
//
//   bench_gui_idle [--tool PATH] [--monitors 16] [--seconds 30] [--port-base 43100]
//
// The tool defaults to zr40tool beside this program; it runs in a temporary folder, so its logs
// and settings stay out of the way.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "SimFleet.h"
#include "network/NetworkListenManager.h"
#include "platform/TcpConnect.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// utime + stime of a process, in clock ticks; -1 when it cannot be read.
long long CpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // fields after the name start at the third (state); utime and stime are the 14th and 15th
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::atoll(field.c_str());
        } else if (i == 15) {
            stime = std::atoll(field.c_str());
        }
    }
    return utime + stime;
}

// Probed on an idle port, so the probe starts no session.
bool PortOpen(int port) {
    return static_cast<bool>(ConnectTcp("127.0.0.1", port, 200));
}

}  // namespace

int main(int argc, char** argv) {
    std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zr40tool").string();
    int monitors = 16;
    int seconds = 30;
    int portBase = 43100;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--tool") {
            tool = argv[i + 1];
        } else if (arg == "--monitors") {
            monitors = std::atoi(argv[i + 1]);
        } else if (arg == "--seconds") {
            seconds = std::atoi(argv[i + 1]);
        } else if (arg == "--port-base") {
            portBase = std::atoi(argv[i + 1]);
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    const NetworkListenSettings ports = NetworkListenSettings::Compact(portBase);

    char folder[] = "/tmp/zr40-gui-idle-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::filesystem::current_path(folder);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string base = std::to_string(portBase);
    std::vector<char*> args{tool.data(), const_cast<char*>("--port-base"),
                            const_cast<char*>(base.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", tool.c_str());
        return 1;
    }

    int code = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!PortOpen(ports.portA)) {
        if (std::chrono::steady_clock::now() > deadline || waitpid(pid, nullptr, WNOHANG) != 0) {
            std::fprintf(stderr, "the tool did not start listening on %d\n", ports.portA);
            code = 1;
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    if (code == 0) {
        SimFleet fleet(SimMonitorConfig{}, monitors, "IDLE-");
        fleet.StartAll("127.0.0.1", ports.portD);
        const bool online =
            fleet.WaitAll([](const SimSnapshot& s) { return s.phase == SimPhase::Online; }, 20s);
        std::this_thread::sleep_for(2s);  // the list has settled
        const long long before = CpuTicks(pid);
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const long long after = CpuTicks(pid);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int stillOnline = fleet.Summary().online;
        fleet.StopAll();
        if (before < 0 || after < 0) {
            std::fprintf(stderr, "cannot read the tool's CPU time\n");
            code = 1;
        } else {
            const double percent =
                100.0 * static_cast<double>(after - before) / sysconf(_SC_CLK_TCK) / elapsed;
            std::printf(
                "zr40tool (offscreen) with %d simulated monitors%s over %.1f s: %.2f %% of "
                "one core\n",
                stillOnline, online ? "" : " (not all online)", elapsed, percent);
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    return code;
}
