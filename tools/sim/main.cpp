// zr40-sim: simulated monitors for integration tests, benchmarks and demos.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#include "SimCommandLine.h"
#include "SimFleet.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop.store(true);
}

bool UpgradeOver(const SimSnapshot& s) {
    return s.phase == SimPhase::Closed || s.upgradesSucceeded + s.upgradesFailed > 0;
}

}  // namespace

int main(int argc, char** argv) {
    SimCommandLine cl;
    std::string error;
    if (!cl.Parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
        std::fprintf(stderr, "zr40-sim: %s\n%s", error.c_str(), SimCommandLine::Usage().c_str());
        return 2;
    }
    if (cl.help) {
        std::fputs(SimCommandLine::Usage().c_str(), stdout);
        return 0;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    // A salt of its own keeps the GUIDs of two runs apart, so a second simulator is not refused
    // as a duplicate while the first one's monitors are still online.
    SimFleet fleet(cl.monitor, cl.count, cl.namePrefix,
                   static_cast<std::uint32_t>(std::random_device{}()));
    std::mutex printLock;
    if (!cl.quiet) {
        fleet.SetEventSink([&](int index, const std::string& text) {
            std::lock_guard<std::mutex> lock(printLock);
            std::printf("[%s] %s\n", fleet.At(index).InitialConfig().deviceName.c_str(),
                        text.c_str());
            std::fflush(stdout);
        });
    }
    fleet.StartAll(cl.host, cl.port);

    const auto start = std::chrono::steady_clock::now();
    while (!g_stop.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (cl.durationSeconds > 0 && std::chrono::steady_clock::now() - start >=
                                          std::chrono::duration<double>(cl.durationSeconds)) {
            break;
        }
        if (fleet.AllFinished()) {
            break;  // nothing left to do: every connection is over
        }
        if (cl.exitAfterUpgrade && fleet.WaitAll(UpgradeOver, std::chrono::milliseconds(0))) {
            break;
        }
    }
    fleet.StopAll();
    const SimFleetSummary summary = fleet.Summary();
    {
        std::lock_guard<std::mutex> lock(printLock);
        std::printf("summary: %s\n", summary.Text().c_str());
    }
    bool failed = summary.AnyFailure();
    if (cl.exitAfterUpgrade && summary.withoutUpgrade > 0) {
        std::printf("%d monitor(s) went offline without finishing an upgrade\n",
                    summary.withoutUpgrade);
        failed = true;
    }
    return failed ? 1 : 0;
}
