// The road of a monitor's upgrade requests and command results from the dispatch through the
// router to the UI queue, the upgrade manager and its status table, with a UI thread that runs
// only when the test says so.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "QueuedUiThread.h"
#include "SimMessages.h"
#include "TempDir.h"
#include "app/DispatchRouter.h"
#include "foundation/UserMessages.h"
#include "network/CmpPacketHead.h"
#include "network/CmpProtocol.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A frame as a monitor sends it (serial 0).
Bytes Frame(std::uint16_t cmd, const Bytes& body) {
    return SimBuildFrame(cmd, 0, body);
}

Bytes Request(std::int8_t file, std::int32_t piece) {
    const auto p = static_cast<std::uint32_t>(piece);
    return Frame(0x0113, {static_cast<std::uint8_t>(file), static_cast<std::uint8_t>(p),
                          static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p >> 16),
                          static_cast<std::uint8_t>(p >> 24)});
}

// The monitor's command result about command 0x0113.
Bytes UpgradeResult(bool ok) {
    return Frame(0x0120, {0x13, 0x01, 0, 0, static_cast<std::uint8_t>(ok ? 1 : 2), 0, 0, 0});
}

// The monitor's pool slot (no socket: answers fail to go out, but each takes a serial), the
// manager, table and router, and a UI thread that runs only when told; an upgrade message posted
// to it is handled as the front ends handle it.
class DispatchRouterTest : public ::testing::Test, public IUserMessageSink {
  protected:
    DispatchRouterTest() {
        // One file of 1000 bytes: data pieces 1 and 2, piece 2 the last.
        WriteFirmware(folder.file("a.bin"), std::string(1000, 'a'));
        EXPECT_TRUE(upgrade.Files().LoadFolder(folder.path()));
        monitor = pool.GetAvailableObj(GUID{1, 2, 3, {}});
        SetUiThread(&ui);
        SetUserMessageSink(this);
        SetDispatchSink(&router);
    }
    ~DispatchRouterTest() override {
        SetDispatchSink(nullptr);
        SetUserMessageSink(nullptr);
        SetUiThread(nullptr);
    }
    void OnUserMessage(const UserMessage& m) override {
        if (m.id == WM_UPGRADE_REQUEST) {
            upgrade.UpdateUpgradeReq(m.monitor);
        }
    }

    void Dispatch(Bytes block) {
        std::int32_t len = static_cast<std::int32_t>(block.size());
        EXPECT_EQ(HandleCmpProcotol(block.data(), len, monitor, 0, 0, info), kCmpBlockDone);
    }
    ScopedLogDir logs;
    TempDir folder;
    CMonitorObjectMng pool;
    MonitorObject* monitor = nullptr;
    UpdateConfigManager upgrade{[this] { return std::vector<MonitorObject*>{monitor}; }, 10s};
    CMonitorTable table{pool, upgrade};
    DispatchRouter router{table, upgrade};
    QueuedUiThread ui;
    PacketInfo info;
};

TEST_F(DispatchRouterTest, EveryRequestIsAnsweredOnceOnTheDispatchingThread) {
    upgrade.ResetUpgradeStates();
    for (int i = 0; i < 500; ++i) {
        Dispatch(Request(1, 1 + i % 2));
    }
    Dispatch(Request(1, 0));
    // Each request got its one answer (each takes a serial) before the dispatch returned; the
    // UI thread was never asked, and a message posted anyway finds nothing left to answer.
    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_EQ(monitor->GetSerial(), 502u);
    EXPECT_EQ(upgrade.GetUpgradeStatus(monitor).state, kUpgradeHeaderAsked);
    PostUserMessage(UserMessage{WM_UPGRADE_REQUEST, monitor, {}, 0});
    ui.RunAll();
    EXPECT_EQ(monitor->GetSerial(), 502u);

    Dispatch(Request(1, 2));
    EXPECT_EQ(monitor->GetSerial(), 503u);
    EXPECT_EQ(upgrade.GetUpgradeStatus(monitor).state, kUpgradeFinished);
}

TEST_F(DispatchRouterTest, ResultsCountOnEveryPageAndFailureWinsOverFinished) {
    // Steps: c count asked and answered, 1 piece 1 answered, 2 the last piece answered,
    // q the last piece asked (its answer still queued), r the UI runs, F/S the monitor reports
    // failure/success, P the engineer turns to the network page.
    struct Case {
        const char* steps;
        int state;
    };
    const Case cases[] = {
        {"c1P2S", kUpgradeFinished},   // success reported on another page
        {"c1P2F", kUpgradeFailed},     // finished, then the failure, on another page
        {"c1PF", kUpgradeFailed},      // page changed mid-upgrade
        {"c1qFr", kUpgradeFailed},     // the failure overtakes the last answer
        {"c12FS", kUpgradeFailed},     // a later success does not undo it
        {"c1F2", kUpgradeFailed},      // nor do further pieces of that upgrade
        {"c1Fc", kUpgradeCountAsked},  // the monitor starting over does
    };
    const std::map<char, Bytes> frames = {{'c', Request(0, -1)},       {'1', Request(1, 1)},
                                          {'2', Request(1, 2)},        {'q', Request(1, 2)},
                                          {'F', UpgradeResult(false)}, {'S', UpgradeResult(true)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        table.SetPage(CMonitorTable::kPageUpgrade);
        upgrade.ResetUpgradeStates();
        for (const char* step = c.steps; *step != '\0'; ++step) {
            if (*step == 'P') {
                table.SetPage(CMonitorTable::kPageNetwork);
            } else if (frames.count(*step) != 0) {
                Dispatch(frames.at(*step));
            }
            if (*step != 'q') {
                ui.RunAll();
            }
        }
        EXPECT_EQ(upgrade.GetUpgradeStatus(monitor).state, c.state);
    }
}

}  // namespace
