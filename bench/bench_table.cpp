// One monitor-table refresh over a full pool of 16 monitors: with nothing changed (the common
// 10 ms tick) and with every row's texts changed.
#include <benchmark/benchmark.h>


#include <memory>
#include <string>

#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

struct Fleet {
    std::unique_ptr<CMonitorObjectMng> pool = std::make_unique<CMonitorObjectMng>();
    std::unique_ptr<UpdateConfigManager> upgrade = std::make_unique<UpdateConfigManager>();
    MonitorListModel list;
    CMonitorTable table{*pool, *upgrade};
    MonitorObject* monitors[MAX_MONITOR_COUNT] = {};

    explicit Fleet(int page) {
        table.SetTextLookup([](int n) { return "text " + std::to_string(n); });
        table.SetList(&list);
        for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
            GUID key{};
            key.Data4[7] = static_cast<std::uint8_t>(i + 1);
            MonitorObject* m = pool->GetAvailableObj(key);
            m->SetGuid(key);
            SocketAddr peer;
            peer.addr.ip = HostToNet32(0xC0A80100u + static_cast<std::uint32_t>(i));
            m->SetPeer(peer);
            monitors[i] = m;
            Write(i, 0);
        }
        table.SetPage(page);
        table.Refresh();
    }

    void Write(int i, int generation) {
        MonitorAttribute a;
        monitors[i]->GetStatus()->GetMonitorAttribute(&a);
        std::string name = "Bed" + std::to_string(i) + (generation % 2 ? "b" : "a");
        CopyToField(a.deviceName, WString(name.begin(), name.end()));
        CopyToField(a.softwareVersion, generation % 2 ? u"V1.1" : u"V1.0");
        a.loadedModules.Fill(0);
        a.loadedModules[1] = 1;
        a.loadedModules[4] = generation % 2 ? 1 : 0;
        monitors[i]->GetStatus()->SetMonitorAttribute(&a);
        MonitorPatientInfo p;
        monitors[i]->GetStatus()->GetMonitorPatientInfo(&p);
        p.bedNo = static_cast<std::uint32_t>(100 + i + generation % 2);
        monitors[i]->GetStatus()->SetMonitorPatientInfo(&p);
    }
};

void BM_RefreshUnchanged(benchmark::State& state) {
    Fleet fleet(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fleet.table.Refresh();
    }
    benchmark::DoNotOptimize(fleet.list.Revision());
}
BENCHMARK(BM_RefreshUnchanged)
    ->Arg(CMonitorTable::kPageNetwork)
    ->Arg(CMonitorTable::kPageModule)
    ->Arg(CMonitorTable::kPageUpgrade);

void BM_RefreshAllChanged(benchmark::State& state) {
    Fleet fleet(static_cast<int>(state.range(0)));
    int generation = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++generation;
        for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
            fleet.Write(i, generation);
        }
        state.ResumeTiming();
        fleet.table.Refresh();
    }
    benchmark::DoNotOptimize(fleet.list.Revision());
}
BENCHMARK(BM_RefreshAllChanged)
    ->Arg(CMonitorTable::kPageNetwork)
    ->Arg(CMonitorTable::kPageModule)
    ->Arg(CMonitorTable::kPageUpgrade);

}  // namespace

BENCHMARK_MAIN();
