// Soak: the headless tool in this process, serving a firmware folder to 16 simulated monitors
// for a given time while they churn: each round some monitors drop in the middle of the
// upgrade, the rest pull every file and verify it, then all of them leave and come back. Prints
// descriptors, threads and resident memory at start and end (goal: no growth) and the count of
// verified firmware transfers.
//
//   bench_soak [--seconds S] [--monitors N]     (10 minutes: --seconds 600)
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "SimFleet.h"
#include "SimMd5.h"
#include "app/HeadlessApp.h"
#include "registry/CMonitorObjectMng.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (dirent* e = ::readdir(d)) {
            n += e->d_name[0] != '.';
        }
        ::closedir(d);
    }
    return n;
}

long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

struct Usage {
    int fds;
    int threads;
    long rssKiB;
};

// The fd listing holds one descriptor of its own while it is read.
Usage Measure() {
    return {CountEntries("/proc/self/fd") - 1, CountEntries("/proc/self/task"), ResidentKiB()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int OccupiedSlots() {
    CMonitorObjectMng& pool = GetMonitorObjectMng();
    int n = 0;
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        n += pool.GetUseCount(pool.Slot(i)) == 1;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 600;
    int monitors = 16;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--monitors") == 0) {
            monitors = std::atoi(argv[i + 1]);
        }
    }
    if (seconds < 1 || monitors < 2 || monitors > MAX_MONITOR_COUNT) {
        std::fprintf(stderr, "usage: bench_soak [--seconds S] [--monitors 2..16]\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);

    char root[] = "/tmp/zr40soak-XXXXXX";
    if (::mkdtemp(root) == nullptr) {
        return 1;
    }
    const std::string folder = std::string(root) + "/fw";
    const std::string logs = std::string(root) + "/logs";
    ::mkdir(folder.c_str(), 0755);
    ::mkdir(logs.c_str(), 0755);
    const std::size_t sizes[] = {300000, 1000, 1};
    int index = 0;
    for (std::size_t size : sizes) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 7919 + size) & 0xFF);
        }
        const std::string name = folder + "/file" + std::to_string(index++) + ".bin";
        WriteFile(name, bytes);
        WriteFile(name + ".md5",
                  SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    HeadlessOptions options;
    options.upgradeFolder = folder;
    options.logDir = logs;
    options.network = NetworkListenSettings::Compact(0);
    options.network.bindAddress = "127.0.0.1";
    options.network.startPauseMs = 0;
    options.network.startReturnPauseMs = 0;
    options.invitationPeriod = 500ms;
    options.status = [](const std::string&) {};
    HeadlessApp app(options);
    if (!app.Start() || !app.Network().WaitListening(10000)) {
        std::fprintf(stderr, "the tool did not start listening\n");
        return 1;
    }
    const int port = app.Network().SessionPort();

    // One warm-up round so that lazily created buffers count in the baseline.
    const auto runRound = [&](int round, unsigned long long& verified, unsigned long long& failed,
                              unsigned long long& dropped) {
        const int droppers = monitors / 4;
        SimMonitorConfig steady;
        steady.keepAliveMs = 200;
        SimMonitorConfig dropping = steady;
        dropping.dropAfterPieces = 50 + round % 200;
        SimFleet pullers(steady, monitors - droppers, "SOAK-",
                         static_cast<std::uint32_t>(2 * round + 1));
        SimFleet leavers(dropping, droppers, "DROP-", static_cast<std::uint32_t>(2 * round + 2));
        pullers.StartAll("127.0.0.1", port);
        leavers.StartAll("127.0.0.1", port);
        pullers.WaitAll(
            [](const SimSnapshot& s) {
                return s.upgradesSucceeded >= 1 || s.upgradesFailed >= 1 || s.connectFailed;
            },
            120s);
        leavers.WaitAll([](const SimSnapshot& s) { return s.dropped || s.connectFailed; }, 60s);
        const SimFleetSummary a = pullers.Summary();
        const SimFleetSummary b = leavers.Summary();
        verified += a.filesVerified + b.filesVerified;
        failed += a.filesFailed + b.filesFailed;
        dropped += static_cast<unsigned long long>(droppers);
        pullers.StopAll();
        leavers.StopAll();
        const auto until = Clock::now() + 10s;
        while (OccupiedSlots() > 0 && Clock::now() < until) {
            std::this_thread::sleep_for(10ms);
        }
    };

    unsigned long long verified = 0;
    unsigned long long failed = 0;
    unsigned long long dropped = 0;
    runRound(0, verified, failed, dropped);
    std::this_thread::sleep_for(200ms);
    const Usage start = Measure();
    std::printf("start: %d descriptors, %d threads, %ld KiB resident\n", start.fds, start.threads,
                start.rssKiB);

    verified = failed = dropped = 0;
    int rounds = 0;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        runRound(++rounds, verified, failed, dropped);
    }
    std::this_thread::sleep_for(200ms);
    const Usage finish = Measure();
    std::printf("end:   %d descriptors, %d threads, %ld KiB resident\n", finish.fds, finish.threads,
                finish.rssKiB);
    std::printf(
        "%d rounds in %d s: %llu firmware files verified, %llu failed, %llu transfers dropped "
        "on purpose, %d slots still held\n",
        rounds, seconds, verified, failed, dropped, OccupiedSlots());
    std::printf("growth: %+d descriptors, %+d threads, %+ld KiB resident\n", finish.fds - start.fds,
                finish.threads - start.threads, finish.rssKiB - start.rssKiB);
    app.Stop();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return failed == 0 && finish.fds <= start.fds && finish.threads <= start.threads ? 0 : 1;
}
