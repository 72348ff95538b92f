#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackTestSupport.h"
#include "MonitorLink.h"
#include "ProcessResources.h"
#include "QueuedUiThread.h"
#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/UiThread.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "platform/Socket.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeFolderLoader.h"

namespace {

using namespace std::chrono_literals;

// A monitor object whose socket is the near end of a link; the test reads the far end.
struct FakeMonitor {
    MonitorObject object;
    MonitorLink link;

    FakeMonitor() {
        EXPECT_TRUE(link);
        SocketAddr peer;
        peer.sock = link.Near();
        object.SetPeer(peer);
    }

    Bytes ReadFrame(int waitMs = 2000) const { return link.ReadFrame(waitMs); }
    bool Quiet(int waitMs) const { return !link.HasData(waitMs); }

    void Request(std::int8_t fileSerial, std::int32_t serialNum) {
        UpgradeRequest r;
        r.fileSerial = fileSerial;
        r.serialNum = serialNum;
        object.SetUpgradeRequest(r);
    }
};

// The monitor list the manager sees; the test changes it as rows come and go.
struct Listed {
    std::mutex mutex;
    std::vector<MonitorObject*> monitors;
    UpdateConfigManager::MonitorList Source() {
        return [this] {
            std::lock_guard<std::mutex> guard(mutex);
            return monitors;
        };
    }
    void Set(std::vector<MonitorObject*> m) {
        std::lock_guard<std::mutex> guard(mutex);
        monitors = std::move(m);
    }
};

std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    }
    return s;
}

class UpgradeManagerTest : public ::testing::Test {
  protected:
    UpgradeManagerTest() {
        a = Pattern(1000, 1);
        b = Pattern(512, 2);
        digestA = WriteFirmware(folder.file("a.bin"), a, true);
        digestB = WriteFirmware(folder.file("b.bin"), b);
    }

    ScopedLogDir logs;
    TempDir folder;
    std::string a;
    std::string b;
    std::string digestA;
    std::string digestB;
    Listed listed;
};

TEST_F(UpgradeManagerTest, AnswersCountHeadersAndPieces) {
    FakeMonitor m;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 10s);
    ASSERT_TRUE(manager.Files().LoadFolder(folder.path()));
    manager.ResetUpgradeStates();
    EXPECT_EQ(manager.GetUpgradeStatus(&m.object), (UpgradeStatus{0, kUpgradeWaiting}));

    // Which state each request leaves belongs to the status table's own tests; here only that
    // answering the last piece, and nothing before it, finishes the pull.
    struct Case {
        int fileSerial;
        int serialNum;
        int piece;
        int count;
        std::string data;  // expected start of the 512 data bytes; the rest is zero
    };
    const std::string headerA = std::string("a.bin") + std::string(123, '\0') + digestA;
    const std::string headerB = std::string("b.bin") + std::string(123, '\0') + digestB;
    const Case cases[] = {
        {0, -1, -1, 2, ""},
        {1, 0, 0, 2, headerA},
        {1, 1, 1, 512, a.substr(0, 512)},
        {1, 2, 2, 488, a.substr(512)},
        {2, 0, 0, 1, headerB},
        // Unknown files and pieces: length 0, zero data.
        {3, 0, 0, 0, ""},
        {1, 3, 3, 0, ""},
        {2, 1, 1, 512, b},
    };
    std::uint16_t serial = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "file " << c.fileSerial << " piece " << c.serialNum);
        m.Request(static_cast<std::int8_t>(c.fileSerial), c.serialNum);
        manager.UpdateUpgradeReq(&m.object);
        Bytes frame = m.ReadFrame();
        ASSERT_EQ(frame.size(), 524u);
        EXPECT_EQ(CmpChecksum(frame.data(), 524), 0);
        const CmpPacketHead head = ReadCmpHead(frame.data());
        EXPECT_EQ(head.cmd, 276);
        EXPECT_EQ(head.serial, serial++);  // sent with the serial, then advanced
        EXPECT_EQ(static_cast<std::int16_t>(ReadLe16(&frame[8])), c.piece);
        EXPECT_EQ(ReadLe16(&frame[10]), c.count);
        std::string data(frame.begin() + 12, frame.end());
        EXPECT_EQ(data, c.data + std::string(512 - c.data.size(), '\0'));
        EXPECT_EQ(manager.GetUpgradeStatus(&m.object).state == kUpgradeFinished,
                  &c == std::end(cases) - 1);
    }
    EXPECT_EQ(manager.GetUpgradeStatus(&m.object), (UpgradeStatus{100, kUpgradeFinished}));
    EXPECT_EQ(m.object.GetSerial(), serial);
}

TEST_F(UpgradeManagerTest, NoAnswerWithoutRecordOrForAnUnknownRequest) {
    FakeMonitor m;
    UpdateConfigManager manager(listed.Source(), 10s);
    manager.Files().LoadFolder(folder.path());
    m.Request(0, -1);
    manager.UpdateUpgradeReq(&m.object);  // never listed: no record
    manager.UpdateUpgradeReq(nullptr);
    EXPECT_TRUE(m.Quiet(50));
    EXPECT_FALSE(manager.HasUpgradeStatus(&m.object));

    manager.SetUpgradeStatus(&m.object, UpgradeStatus{0, kUpgradeWaiting});
    m.Request(1, -2);
    manager.UpdateUpgradeReq(&m.object);
    EXPECT_TRUE(m.Quiet(50));
    EXPECT_EQ(manager.GetUpgradeStatus(&m.object).state, kUpgradeWaiting);
    EXPECT_EQ(m.object.GetSerial(), 1u);
}

TEST_F(UpgradeManagerTest, ServesOnlyAWholeSetAndNeverAFileWithoutCompanion) {
    FakeMonitor m;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 10s);
    // c.bin has no companion: no part of the set, so the monitor is told of two files.
    WriteFileBytes(folder.file("c.bin"), Pattern(100, 3));
    ASSERT_TRUE(manager.StartUpgrade(0, folder.path()));
    ASSERT_EQ(m.ReadFrame().size(), 9u);  // the invitation
    auto countAnswer = [&] {
        m.Request(0, -1);
        manager.UpdateUpgradeReq(&m.object);
        const Bytes frame = m.ReadFrame();
        return frame.size() == 524u ? ReadLe16(&frame[10]) : -1;
    };
    EXPECT_EQ(countAnswer(), 2);

    // b.bin no longer matches its digest: a new start is refused and the upgrade under way
    // keeps the set it was started with.
    WriteFileBytes(folder.file("b.bin"), Pattern(512, 9));
    EXPECT_FALSE(manager.StartUpgrade(0, folder.path()));
    EXPECT_EQ(manager.GetUpgradeStatus(&m.object).state, kUpgradeCountAsked);
    EXPECT_EQ(countAnswer(), 2);

    // Stopped: no invitation, and no new pull; the pull under way still gets its header, but
    // once it starts over nothing more is answered.
    manager.StopUpgrade();
    EXPECT_FALSE(manager.IsUpgradePolling());
    m.Request(1, 0);
    manager.UpdateUpgradeReq(&m.object);
    EXPECT_EQ(m.ReadFrame().size(), 524u);
    for (int piece : {-1, 0, 1}) {
        m.Request(1, piece);
        manager.UpdateUpgradeReq(&m.object);
    }
    EXPECT_TRUE(m.Quiet(50));

    // A manager that never had a whole set invites no one.
    UpdateConfigManager fresh(listed.Source(), 10s);
    EXPECT_FALSE(fresh.StartUpgrade(0, folder.path()));
    EXPECT_FALSE(fresh.IsUpgradePolling());
    EXPECT_FALSE(fresh.HasUpgradeStatus(&m.object));
    EXPECT_TRUE(m.Quiet(50));
}

TEST_F(UpgradeManagerTest, InvitesWaitingMonitorsUntilNoneIsLeft) {
    FakeMonitor waiting;
    FakeMonitor other;
    listed.Set({&waiting.object, &other.object});
    UpdateConfigManager manager(listed.Source(), 50ms);

    manager.StartUpgrade(1, folder.path());  // only mode 0 does anything
    EXPECT_FALSE(manager.IsUpgradePolling());
    EXPECT_FALSE(manager.HasUpgradeStatus(&waiting.object));

    // The first invitation goes out no earlier than this; each later one a period after the
    // previous, however late this thread reads them.
    const auto started = std::chrono::steady_clock::now();
    manager.StartUpgrade(0, folder.path());
    EXPECT_EQ(manager.Files().GetFileCount(), 2);
    Bytes first = other.ReadFrame();
    ASSERT_EQ(first.size(), 9u);
    manager.SetUpgradeStatus(&other.object, UpgradeStatus{0, kUpgradeCountAsked});

    for (std::uint16_t serial = 1; serial <= 4; ++serial) {
        Bytes frame = waiting.ReadFrame();
        ASSERT_EQ(frame.size(), 9u);
        EXPECT_EQ(CmpChecksum(frame.data(), 9), 0);
        EXPECT_EQ(ReadCmpHead(frame.data()).cmd, 275);
        EXPECT_EQ(ReadCmpHead(frame.data()).serial, serial);
        EXPECT_EQ(frame[8], 1);
    }
    // Four invitations span three periods: one period apart, not back to back.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 3 * 50ms);
    EXPECT_EQ(waiting.object.GetSerial(), 5u);
    // The monitor that left the waiting state got only the first invitation (or at most one
    // more sent before its state changed).
    int extra = 0;
    while (!other.Quiet(0)) {
        extra += other.ReadFrame(100).empty() ? 0 : 1;
    }
    EXPECT_LE(extra, 1);

    // Once none is waiting the thread ends after one more pass.
    manager.SetUpgradeStatus(&waiting.object, UpgradeStatus{0, kUpgradeCountAsked});
    EXPECT_TRUE(WaitUntil([&] { return !manager.IsUpgradePolling(); }, 2s))
        << "the invitation thread went on with no monitor waiting";
    while (!waiting.Quiet(0)) {
        waiting.ReadFrame(100);
    }
    EXPECT_TRUE(waiting.Quiet(150));
}

TEST_F(UpgradeManagerTest, MonitorThatLeftTheListIsNoLongerInvited) {
    FakeMonitor gone;
    FakeMonitor stays;
    listed.Set({&gone.object, &stays.object});
    UpdateConfigManager manager(listed.Source(), 30ms);
    manager.StartUpgrade(0, folder.path());
    ASSERT_EQ(gone.ReadFrame().size(), 9u);
    listed.Set({&stays.object});
    while (!gone.Quiet(0)) {
        gone.ReadFrame(100);
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(stays.ReadFrame().size(), 9u);
    }
    EXPECT_TRUE(gone.Quiet(0));
}

TEST_F(UpgradeManagerTest, SecondStartReusesTheRunningThread) {
    FakeMonitor m;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 10s);
    // ThreadSanitizer starts a helper thread of its own with the first thread it sees.
    std::thread([] {}).join();
    const int before = ThreadCount();
    {
        // First check that the count sees one more thread.
        std::promise<void> release;
        std::thread probe([&] { release.get_future().wait(); });
        const int during = ThreadCount();
        release.set_value();
        probe.join();
        ASSERT_GT(before, 0);
        ASSERT_EQ(during, before + 1) << "the thread count misses threads";
    }
    manager.StartUpgrade(0, folder.path());
    ASSERT_EQ(m.ReadFrame().size(), 9u);
    EXPECT_EQ(ThreadCount(), before + 1);

    // The restart puts the finished monitor back to waiting and the sleeping thread invites it
    // at once.
    manager.SetUpgradeStatus(&m.object, UpgradeStatus{100, kUpgradeFinished});
    manager.StartUpgrade(0, folder.path());
    EXPECT_EQ(manager.GetUpgradeStatus(&m.object), (UpgradeStatus{0, kUpgradeWaiting}));
    Bytes again = m.ReadFrame();
    ASSERT_EQ(again.size(), 9u);
    EXPECT_EQ(ReadCmpHead(again.data()).serial, 2);
    EXPECT_EQ(ThreadCount(), before + 1);
    EXPECT_TRUE(manager.IsUpgradePolling());
}

TEST_F(UpgradeManagerTest, StartAfterTheThreadEndedStartsAnother) {
    FakeMonitor m;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 20ms);
    manager.StartUpgrade(0, folder.path());
    ASSERT_EQ(m.ReadFrame().size(), 9u);
    manager.SetUpgradeStatus(&m.object, UpgradeStatus{0, kUpgradeFinished});
    ASSERT_TRUE(WaitUntil([&] { return !manager.IsUpgradePolling(); }, 2s))
        << "the invitation thread went on with no monitor waiting";
    while (!m.Quiet(0)) {
        m.ReadFrame(100);
    }
    manager.StartUpgrade(0, folder.path());
    EXPECT_EQ(m.ReadFrame().size(), 9u);
}

TEST_F(UpgradeManagerTest, StoppingThePollingEndsTheThreadAndALaterStartRunsAgain) {
    FakeMonitor m;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 60s);
    manager.StartUpgrade(0, folder.path());
    ASSERT_EQ(m.ReadFrame().size(), 9u);
    const auto start = std::chrono::steady_clock::now();
    manager.StopUpgradePolling();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_FALSE(manager.IsUpgradePolling());
    manager.StopUpgradePolling();  // nothing left to stop
    manager.StartUpgrade(0, folder.path());
    EXPECT_EQ(m.ReadFrame().size(), 9u);
    EXPECT_TRUE(manager.IsUpgradePolling());
}

TEST_F(UpgradeManagerTest, DestroyingTheManagerEndsItsThreadPromptly) {
    FakeMonitor m;
    listed.Set({&m.object});
    auto manager = std::make_unique<UpdateConfigManager>(listed.Source(), 60s);
    manager->StartUpgrade(0, folder.path());
    ASSERT_EQ(m.ReadFrame().size(), 9u);
    ASSERT_TRUE(manager->IsUpgradePolling());
    const auto start = std::chrono::steady_clock::now();
    manager.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // not the 60 s period
}

// The count or length and the first 12 data bytes of the answer to a request ("" without
// one); invitations that went out meanwhile are passed over.
std::string Answer(FakeMonitor& m, UpdateConfigManager& manager, int fileSerial, int piece) {
    m.Request(static_cast<std::int8_t>(fileSerial), piece);
    manager.UpdateUpgradeReq(&m.object);
    Bytes frame = m.ReadFrame(200);
    while (frame.size() == 9u) {
        frame = m.ReadFrame(200);
    }
    if (frame.size() != 524u) {
        return std::string();
    }
    return std::to_string(ReadLe16(&frame[10])) + ":" +
           std::string(frame.begin() + 12, frame.begin() + 24);
}

void Registered(FakeMonitor& m, std::uint32_t data1) {
    m.object.SetGuid(GUID{data1, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}});
    m.object.GetStatus()->SetConnectTime(1);
}

TEST_F(UpgradeManagerTest, PullsFinishOnTheirOwnSetAndArrivalsAreTakenIn) {
    TempDir newer;
    const std::string c = Pattern(700, 5);
    WriteFirmware(newer.file("c.bin"), c);
    FakeMonitor pulling;
    FakeMonitor waiting;
    FakeMonitor newcomer;
    Registered(pulling, 1);
    Registered(waiting, 2);
    listed.Set({&pulling.object, &waiting.object});
    UpdateConfigManager manager(listed.Source(), 10s);

    // Nothing is served yet: nobody is taken in.
    EXPECT_TRUE(manager.AdmitArrivals().empty());
    ASSERT_TRUE(manager.StartUpgrade(0, folder.path()));
    ASSERT_EQ(pulling.ReadFrame().size(), 9u);
    ASSERT_EQ(waiting.ReadFrame().size(), 9u);
    EXPECT_EQ(Answer(pulling, manager, 0, -1).substr(0, 2), "2:");
    EXPECT_EQ(Answer(pulling, manager, 1, 1), "512:" + a.substr(0, 12));

    // Start again with another set: the pull under way goes on with the first set, the monitor
    // that had not started pulls the new one.
    ASSERT_TRUE(manager.StartUpgrade(0, newer.path()));
    EXPECT_EQ(manager.GetUpgradeStatus(&pulling.object).state, kUpgradeTransferring);
    EXPECT_EQ(manager.GetUpgradeStatus(&waiting.object).state, kUpgradeWaiting);
    EXPECT_EQ(Answer(waiting, manager, 0, -1).substr(0, 2), "1:");
    EXPECT_EQ(Answer(waiting, manager, 1, 1), "512:" + c.substr(0, 12));
    EXPECT_EQ(Answer(pulling, manager, 1, 2), "488:" + a.substr(512, 12));

    // A damaged folder stops serving: the pulls under way still finish, each on its own set;
    // nobody is taken in and no new pull starts.
    manager.StopUpgrade();
    listed.Set({&pulling.object, &waiting.object, &newcomer.object});
    Registered(newcomer, 3);
    EXPECT_TRUE(manager.AdmitArrivals().empty());
    EXPECT_EQ(Answer(pulling, manager, 2, 1), "512:" + b.substr(0, 12));
    EXPECT_EQ(manager.GetUpgradeStatus(&pulling.object), (UpgradeStatus{100, kUpgradeFinished}));
    EXPECT_EQ(Answer(waiting, manager, 1, 2), "188:" + c.substr(512, 12));
    EXPECT_EQ(manager.GetUpgradeStatus(&waiting.object).state, kUpgradeFinished);
    EXPECT_EQ(Answer(pulling, manager, 0, -1), "");

    // Served again: everyone not pulling waits for it, and an arrival is taken in; one that
    // finished this set and comes back (in another slot, under its GUID) is up to date.
    ASSERT_TRUE(manager.StartUpgrade(0, newer.path()));
    for (FakeMonitor* m : {&pulling, &waiting}) {
        ASSERT_EQ(m->ReadFrame().size(), 9u);
    }
    const std::vector<UpdateConfigManager::Admission> first = manager.AdmitArrivals();
    ASSERT_EQ(first.size(), 0u);  // the restart already put the newcomer into the waiting state
    EXPECT_EQ(manager.GetUpgradeStatus(&newcomer.object).state, kUpgradeWaiting);
    ASSERT_EQ(newcomer.ReadFrame().size(), 9u);
    EXPECT_EQ(Answer(newcomer, manager, 0, -1).substr(0, 2), "1:");
    EXPECT_EQ(Answer(newcomer, manager, 1, 1), "512:" + c.substr(0, 12));
    EXPECT_EQ(Answer(newcomer, manager, 1, 2), "188:" + c.substr(512, 12));
    EXPECT_EQ(manager.GetUpgradeStatus(&newcomer.object).state, kUpgradeFinished);

    FakeMonitor back;     // the newcomer, rebooted into its new firmware
    FakeMonitor dropped;  // the one that was waiting, back after a drop
    Registered(back, 3);
    dropped.object.SetGuid(GUID{2, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}});  // still registering
    manager.ForgetMonitor(&newcomer.object);
    manager.ForgetMonitor(&waiting.object);
    listed.Set({&pulling.object, &back.object, &dropped.object});
    manager.GetUpgradeStatus(&dropped.object);  // the list's look-up leaves {0, 6}
    const std::vector<UpdateConfigManager::Admission> later = manager.AdmitArrivals();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].monitor, &back.object);
    EXPECT_EQ(later[0].state, kUpgradeFinished);
    EXPECT_TRUE(back.Quiet(50));
    dropped.object.GetStatus()->SetConnectTime(1);
    const std::vector<UpdateConfigManager::Admission> rejoined = manager.AdmitArrivals();
    ASSERT_EQ(rejoined.size(), 1u);
    EXPECT_EQ(rejoined[0].state, kUpgradeWaiting);
    ASSERT_EQ(dropped.ReadFrame().size(), 9u);  // invited at once, not a period later
    EXPECT_TRUE(manager.AdmitArrivals().empty());
}

TEST_F(UpgradeManagerTest, AnUpgradeRunsWhileAListedMonitorIsInvitedOrPulling) {
    FakeMonitor m;
    FakeMonitor unlisted;
    listed.Set({&m.object});
    UpdateConfigManager manager(listed.Source(), 10s);
    EXPECT_FALSE(manager.IsUpgradeRunning());  // no record
    manager.SetUpgradeStatus(&unlisted.object, {0, kUpgradeTransferring});
    const std::pair<int, bool> states[] = {
        {kUpgradeCountAsked, true}, {kUpgradeTransferring, true}, {kUpgradeHeaderAsked, true},
        {kUpgradeWaiting, true},    {kUpgradeFinished, false},    {kUpgradeFailed, false},
    };
    for (const auto& [state, running] : states) {
        manager.SetUpgradeStatus(&m.object, {50, state});
        EXPECT_EQ(manager.IsUpgradeRunning(), running) << state;
    }
}

TEST(UpgradeFolderLoaderTest, OneLoadAtATimeResultOnTheUiThreadDroppedWhenGone) {
    ScopedLogDir logs;
    TempDir folder;
    WriteFirmware(folder.file("fw.bin"), "firmware");
    QueuedUiThread ui(QueuedUiThread::Scope::ProcessWide);
    int served = -1;
    auto loader = std::make_unique<UpgradeFolderLoader>();
    auto done = [&](std::shared_ptr<UpgradeFileSet> files) {
        served = files->GetServedFileCount();
    };
    ASSERT_TRUE(loader->Load(folder.path(), done));
    EXPECT_FALSE(loader->Load(folder.path(), done));  // busy until its result is handed over
    std::size_t ran = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return (ran += static_cast<std::size_t>(ui.RunPending())) > 0; }, 5s));
    EXPECT_EQ(served, 1);
    EXPECT_FALSE(loader->Busy());

    served = -1;
    ASSERT_TRUE(loader->Load(folder.path(), done));
    loader.reset();  // joins the thread; its queued result must not reach the callback
    EXPECT_EQ(static_cast<std::size_t>(ui.RunPending()), 1u);
    EXPECT_EQ(served, -1);
}

}  // namespace
