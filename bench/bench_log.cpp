// One Trace.log entry of the upgrade serving's kind ("HandleCmpUpgradeReq file Serial: ..."),
// from one thread and from 16 at once as the sessions write them. The logs go to a temporary
// folder (BENCH_LOG_ROOT may point it elsewhere); the file rolls over at 4 MiB as in use.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/Log.h"

namespace {

void BM_TraceLog(benchmark::State& state) {
    int piece = 0;
    for (auto _ : state) {
        TraceLog("HandleCmpUpgradeReq file Serial: %d serial num: %d\n", 1, piece++);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TraceLog)->Threads(1)->Threads(16)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const char* root = std::getenv("BENCH_LOG_ROOT");
    std::string dir = std::string(root != nullptr ? root : "/tmp") + "/bench_log_XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) {
        return 1;
    }
    SetLogDirectory(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetLogDirectory("");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
