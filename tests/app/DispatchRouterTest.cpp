// The road of a monitor's upgrade requests and command results from the dispatch through the
// router to the UI queue, the upgrade manager and its status table, with a UI thread that runs
// only when the test says so.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "HeldUiThread.h"
#include "TempDir.h"
#include "app/DispatchRouter.h"
#include "foundation/UserMessages.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/CmpProtocol.h"
#include "platform/Socket.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes Frame(std::uint16_t cmd, Bytes body) {
    Bytes f(kCmpHeadSize);
    f.insert(f.end(), body.begin(), body.end());
    WriteLe16(f.data(), static_cast<std::uint16_t>(f.size()));
    WriteLe16(f.data() + 2, cmd);
    WriteLe16(f.data() + 6, static_cast<std::uint16_t>(
                                CmpChecksum(f.data(), static_cast<std::int32_t>(f.size()))));
    return f;
}

Bytes Request(std::int8_t file, std::int32_t piece) {
    Bytes body(5);
    body[0] = static_cast<std::uint8_t>(file);
    WriteLe32(body.data() + 1, static_cast<std::uint32_t>(piece));
    return Frame(0x0113, body);
}

// The monitor's command result about command 0x0113.
Bytes UpgradeResult(bool ok) {
    Bytes body(8);
    WriteLe32(body.data(), 0x0113);
    WriteLe16(body.data() + 4, ok ? 1 : 2);
    return Frame(0x0120, body);
}

// What the front ends do with WM_UPGRADE_REQUEST.
class AnsweringSink : public IUserMessageSink {
  public:
    explicit AnsweringSink(UpdateConfigManager& upgrade) : upgrade_(upgrade) {}
    void OnUserMessage(const UserMessage& m) override {
        if (m.id == WM_UPGRADE_REQUEST) {
            upgrade_.UpdateUpgradeReq(m.monitor);
        }
    }

  private:
    UpdateConfigManager& upgrade_;
};

class DispatchRouterTest : public ::testing::Test {
  protected:
    DispatchRouterTest() {
        // One file of 1000 bytes: data pieces 1 and 2, piece 2 the last.
        WriteFileBytes(folder.file("a.bin"), std::string(1000, 'a'));
        WriteFileBytes(folder.file("a.bin.md5"), std::string(32, '0'));
        GUID key{};
        key.Data4[7] = 9;
        monitor = pool.GetAvailableObj(key);
        int sv[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        ours = UniqueSocket(sv[0]);
        theirs = UniqueSocket(sv[1]);
        SocketAddr peer;
        peer.sock = ours.get();
        monitor->SetPeer(peer);
        EXPECT_TRUE(upgrade.Files().LoadFolder(folder.path()));
        SetUiThread(&ui);
        SetUserMessageSink(&answering);
        SetDispatchSink(&router);
    }
    ~DispatchRouterTest() override {
        SetDispatchSink(nullptr);
        SetUserMessageSink(nullptr);
        SetUiThread(nullptr);
    }

    void Dispatch(Bytes block) {
        std::int32_t len = static_cast<std::int32_t>(block.size());
        EXPECT_EQ(HandleCmpProcotol(block.data(), len, monitor, 0, 0, info), kCmpBlockDone);
    }
    // The piece field of every answer the monitor has been sent so far.
    std::vector<int> AnsweredPieces() {
        std::vector<int> pieces;
        Bytes frame(kCmpHeadSize + 516);
        while (WaitReadable(theirs.get(), 0) == 1) {
            std::size_t got = 0;
            while (got < frame.size()) {
                const long r = SocketRecv(theirs.get(), frame.data() + got, frame.size() - got);
                if (r <= 0) {
                    return pieces;
                }
                got += static_cast<std::size_t>(r);
            }
            pieces.push_back(static_cast<std::int16_t>(ReadLe16(frame.data() + kCmpHeadSize)));
        }
        return pieces;
    }

    ScopedLogDir logs;
    TempDir folder;
    CMonitorObjectMng pool;
    MonitorObject* monitor = nullptr;
    UpdateConfigManager upgrade{[this] { return std::vector<MonitorObject*>{monitor}; }, 10s};
    CMonitorTable table{pool, upgrade};
    DispatchRouter router{table, upgrade};
    HeldUiThread ui;
    AnsweringSink answering{upgrade};
    PacketInfo info;
    UniqueSocket ours;
    UniqueSocket theirs;
};

TEST_F(DispatchRouterTest, FloodOfRequestsQueuesOneMessageAnsweredOnceWithTheLatest) {
    upgrade.ResetUpgradeStates();
    for (int i = 0; i < 500; ++i) {
        Dispatch(Request(1, 1 + i % 2));
    }
    Dispatch(Request(1, 0));
    ASSERT_EQ(ui.Waiting(), 1u);
    EXPECT_EQ(ui.RunAll(), 1);
    EXPECT_EQ(AnsweredPieces(), std::vector<int>{0});

    // Once that message has run, the next request is posted and answered in its turn.
    Dispatch(Request(1, 2));
    EXPECT_EQ(ui.RunAll(), 1);
    EXPECT_EQ(AnsweredPieces(), std::vector<int>{2});
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        table.SetPage(CMonitorTable::kPageUpgrade);
        upgrade.ResetUpgradeStates();
        for (const char* step = c.steps; *step != '\0'; ++step) {
            switch (*step) {
                case 'c':
                    Dispatch(Request(0, -1));
                    break;
                case '1':
                    Dispatch(Request(1, 1));
                    break;
                case '2':
                case 'q':
                    Dispatch(Request(1, 2));
                    break;
                case 'F':
                case 'S':
                    Dispatch(UpgradeResult(*step == 'S'));
                    break;
                case 'P':
                    table.SetPage(CMonitorTable::kPageNetwork);
                    break;
                default:
                    break;
            }
            if (*step != 'q') {
                ui.RunAll();
            }
        }
        EXPECT_EQ(upgrade.GetUpgradeStatus(monitor).state, c.state);
        AnsweredPieces();
    }
}

}  // namespace
