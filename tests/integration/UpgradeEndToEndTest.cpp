// Simulated monitors pull a firmware folder through the headless front end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "LoopbackTestSupport.h"
#include "MonitorKeyText.h"
#include "SimFleet.h"
#include "SimMonitor.h"
#include "StatusLines.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeState.h"

namespace {

using namespace std::chrono_literals;

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

// fw.bin of `size` bytes in `folder`, with its companion unless `withDigest` is false (the
// firmware copied in before its digest).
void WriteFw(const TempDir& folder, std::size_t size, bool withDigest = true) {
    const std::string bytes = Pattern(size, static_cast<unsigned>(size));
    if (withDigest) {
        WriteFirmware(folder.file("fw.bin"), bytes);
    } else {
        WriteFileBytes(folder.file("fw.bin"), bytes);
    }
}

// True once whatever the station sent `monitor` until now has been taken in by it: the
// station's loop has finished the beat under way (where arrivals are invited), and the
// monitor's loop has gone round twice since, reading all that had come.
bool MonitorTookAllSent(HeadlessApp& app, SimMonitor& monitor) {
    if (!app.RunOnUi([] {}, 5s)) {
        return false;
    }
    const std::uint64_t beats = monitor.Record().Snapshot().keepAlivesSent;
    return monitor.Record().WaitFor(
        [&](const SimSnapshot& s) { return s.keepAlivesSent >= beats + 2; }, 5s);
}

}  // namespace

TEST(UpgradeEndToEnd, SixteenMonitorsPullEveryFileAndFinish) {
    ScopedLogDir logs;
    TempDir folder;
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"a_one.bin", 1}, {"b_piece.bin", 512}, {"c_odd.bin", 1000}, {"d_big.bin", 1 << 20}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string bytes = Pattern(files[i].second, static_cast<unsigned>(i + 1));
        WriteFirmware(folder.file(files[i].first), bytes);
    }

    StatusLines status;
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.invitationPeriod = 200ms;
    options.status = status.Sink();
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));

    SimMonitorConfig base;
    base.keepAliveMs = 500;
    SimFleet fleet(base, 16, "UPG-", 4242);
    fleet.StartAll("127.0.0.1", app.Network().SessionPort());
    const bool done = fleet.WaitAll(
        [&](const SimSnapshot& s) {
            return s.upgradesSucceeded >= 1 && s.filesVerified == files.size();
        },
        90s);  // 17 MB in small pieces: slow under Wine on a loaded machine
    const SimFleetSummary summary = fleet.Summary();
    ASSERT_TRUE(done) << summary.Text();
    EXPECT_EQ(summary.filesVerified, 16u * files.size());
    EXPECT_EQ(summary.filesFailed, 0u);
    EXPECT_EQ(summary.upgradesFailed, 0);
    for (int i = 0; i < fleet.Size(); ++i) {
        const SimSnapshot s = fleet.At(i).Record().Snapshot();
        ASSERT_EQ(s.files.size(), files.size());
        for (std::size_t f = 0; f < files.size(); ++f) {
            EXPECT_EQ(s.files[f].size, files[f].second);
            EXPECT_TRUE(s.files[f].verified);
        }
    }

    // Every monitor ends finished, as the table's upgrade column sees it.
    int finished = 0;
    EXPECT_TRUE(WaitUntil(
        [&] {
            finished = 0;
            app.RunOnUi(
                [&] {
                    for (MonitorObject* m : GetMonitorTable().GetAllMonitors()) {
                        finished +=
                            GetUpdateConfigManager().GetUpgradeStatus(m).state == kUpgradeFinished
                                ? 1
                                : 0;
                    }
                },
                2s);
            return finished == 16;
        },
        20s))
        << "only " << finished << " of 16 monitors ended finished in the table";

    // The status line follows at the next refresh beat; the monitors must still be there then.
    auto count = [&](const std::string& prefix) { return status.Count(prefix); };
    EXPECT_TRUE(WaitUntil([&] { return count("Upgrade finished: ") == 16; }, 20s))
        << count("Upgrade finished: ") << " of 16 \"Upgrade finished\" lines";

    fleet.StopAll();
    app.Stop();
    const std::vector<std::string> lines = status.All();
    int online = 0;
    int offline = 0;
    int upgraded = 0;
    for (const std::string& line : lines) {
        online += line.rfind("Online: ", 0) == 0 ? 1 : 0;
        offline += line.rfind("Offline: ", 0) == 0 ? 1 : 0;
        upgraded += line.rfind("Upgrade finished: ", 0) == 0 ? 1 : 0;
        // named, even for a monitor that arrived before it told its name
        EXPECT_EQ(line.rfind("Upgrade finished: UPG-", 0) == 0, line.rfind("Upgrade f", 0) == 0)
            << line;
    }
    EXPECT_EQ(online, 16);
    EXPECT_EQ(upgraded, 16);
    EXPECT_LE(offline, 16);
}

// The answers go out from the session threads: a station whose loop is busy (here held by a
// task) still serves a pull under way to its end, each piece answered once.
TEST(UpgradeEndToEnd, PullFinishesWhileTheStationsLoopIsBusy) {
    ScopedLogDir logs;
    TempDir folder;
    const std::string bytes = Pattern(128 * 1024, 7);  // 256 pieces
    WriteFirmware(folder.file("fw.bin"), bytes);
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.invitationPeriod = 200ms;
    options.status = [](const std::string&) {};
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));

    SimMonitorConfig config = SimMonitorConfig::ForIndex(SimMonitorConfig{}, 0, "BUSY-");
    config.keepAliveMs = 500;
    config.linkDelayMs = 2;  // the pull lasts at least half a second
    SimMonitor monitor(config);
    monitor.Start("127.0.0.1", app.Network().SessionPort());
    ASSERT_TRUE(WaitUntil([&] { return monitor.Record().Snapshot().piecesPulled > 0; }, 20s));

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto busy = std::make_shared<std::atomic<int>>(0);  // 1 while the loop is held, 2 after
    app.RunOnUi(
        [busy, released] {
            busy->store(1);
            released.wait();
            busy->store(2);
        },
        0ms);
    ASSERT_TRUE(WaitUntil([&] { return busy->load() == 1; }, 5s));
    const std::uint64_t atHold = monitor.Record().Snapshot().piecesPulled;
    const bool finished =
        WaitUntil([&] { return monitor.Record().Snapshot().upgradesSucceeded == 1; }, 10s);
    const int stillHeld = busy->load();
    release.set_value();
    ASSERT_TRUE(WaitUntil([&] { return busy->load() == 2; }, 5s));

    const SimSnapshot s = monitor.Record().Snapshot();
    EXPECT_LT(atHold, 256u) << "the pull ended before the loop was held";
    EXPECT_TRUE(finished) << s.piecesPulled << " of 256 pieces while the loop was held";
    EXPECT_EQ(stillHeld, 1);
    ASSERT_EQ(s.files.size(), 1u);
    EXPECT_TRUE(s.files[0].verified);
    EXPECT_EQ(s.piecesPulled, 256u);
    EXPECT_EQ(s.strayAnswers, 0u);
    EXPECT_EQ(s.requestRetries, 0u);
    monitor.Stop();
    app.Stop();
}

TEST(UpgradeEndToEnd, HeadlessStationServesEachMonitorOncePerFolderContent) {
    ScopedLogDir logs;
    TempDir folder;
    auto writeFirmware = [&](std::size_t size) { WriteFw(folder, size); };
    writeFirmware(3000);

    StatusLines status;
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.invitationPeriod = 100ms;
    options.status = status.Sink();
    auto count = [&](const std::string& prefix, const std::string& key) {
        return status.Count(prefix, key);
    };
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));
    const int port = app.Network().SessionPort();

    SimMonitorConfig base;
    base.keepAliveMs = 200;
    // "Done" finishes and leaves at once (it reboots); "Cut" drops in the middle of its pull.
    SimMonitorConfig done = SimMonitorConfig::ForIndex(base, 0, "DONE-");
    SimMonitorConfig cut = SimMonitorConfig::ForIndex(base, 1, "CUT-");
    done.leaveAfterUpgrade = true;
    cut.dropAfterPieces = 2;
    auto run = [&](const SimMonitorConfig& config) {
        auto monitor = std::make_unique<SimMonitor>(config);
        monitor->Start("127.0.0.1", port);
        return monitor;
    };
    auto first = run(done);
    auto firstCut = run(cut);
    ASSERT_TRUE(first->WaitClosed(20s));
    ASSERT_TRUE(firstCut->WaitClosed(20s));
    EXPECT_EQ(first->Record().Snapshot().upgradesSucceeded, 1u);
    ASSERT_TRUE(WaitUntil([&] { return count("Offline: ", MonitorKeyText(cut.guid)) == 1; }, 5s));
    EXPECT_TRUE(
        WaitUntil([&] { return count("Upgrade finished: ", MonitorKeyText(done.guid)) == 1; }, 5s));

    // Both come back: the finished one is up to date and never invited; the cut one is served.
    done.leaveAfterUpgrade = false;
    cut.dropAfterPieces = -1;
    auto again = run(done);
    auto againCut = run(cut);
    ASSERT_TRUE(
        WaitUntil([&] { return againCut->Record().Snapshot().upgradesSucceeded == 1; }, 20s));
    // its own line, which need not come before the other monitor's pull ends
    EXPECT_TRUE(
        WaitUntil([&] { return count("Up to date: ", MonitorKeyText(done.guid)) == 1; }, 5s));
    EXPECT_EQ(count("Up to date: ", MonitorKeyText(cut.guid)), 0);
    ASSERT_TRUE(MonitorTookAllSent(app, *again));
    EXPECT_EQ(again->Record().Snapshot().invitations, 0u);

    // New firmware in the folder: the next one to come back is served again.
    again->Stop();
    ASSERT_TRUE(WaitUntil([&] { return count("Offline: ", MonitorKeyText(done.guid)) == 2; }, 5s));
    writeFirmware(5000);
    auto third = run(done);
    EXPECT_TRUE(WaitUntil([&] { return third->Record().Snapshot().upgradesSucceeded == 1; }, 20s));
    EXPECT_TRUE(
        WaitUntil([&] { return count("Upgrade finished: ", MonitorKeyText(done.guid)) == 2; }, 5s));
    EXPECT_EQ(count("Up to date: ", MonitorKeyText(done.guid)), 1);
    third->Stop();
    againCut->Stop();
    app.Stop();
}

TEST(UpgradeEndToEnd, HeadlessStationServesNothingWhileTheFolderHoldsADamagedSet) {
    ScopedLogDir logs;
    TempDir folder;
    auto writeFirmware = [&](std::size_t size, bool withDigest) {
        WriteFw(folder, size, withDigest);
    };
    writeFirmware(3000, true);
    // No firmware: neither counted nor offered.
    WriteFileBytes(folder.file("readme.txt"), "how to flash");
    WriteFileBytes(folder.file("Thumbs.db"), "thumbnails");

    StatusLines status;
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.invitationPeriod = 100ms;
    options.status = status.Sink();
    auto count = [&](const std::string& prefix, const std::string& key) {
        return status.Count(prefix, key);
    };
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));
    EXPECT_EQ(count("Ignored: readme.txt", ""), 1);

    SimMonitorConfig base;
    base.keepAliveMs = 200;
    const SimMonitorConfig one = SimMonitorConfig::ForIndex(base, 0, "ONE-");
    const SimMonitorConfig two = SimMonitorConfig::ForIndex(base, 1, "TWO-");
    auto run = [&](const SimMonitorConfig& config) {
        auto monitor = std::make_unique<SimMonitor>(config);
        monitor->Start("127.0.0.1", app.Network().SessionPort());
        return monitor;
    };
    auto first = run(one);
    ASSERT_TRUE(WaitUntil([&] { return first->Record().Snapshot().upgradesSucceeded == 1; }, 20s));
    EXPECT_EQ(first->Record().Snapshot().files.size(), 1u);  // the file count is 1

    // The firmware is replaced, its digest not yet: the station stops serving.
    writeFirmware(5000, false);
    ASSERT_TRUE(WaitUntil([&] { return count("Serving stopped: ", "") == 1; }, 10s));
    EXPECT_EQ(count("Refused: fw.bin: its MD5 does not match the .md5 companion", ""), 1);
    auto second = run(two);
    ASSERT_TRUE(WaitUntil([&] { return count("Online: ", MonitorKeyText(two.guid)) == 1; }, 10s));
    int waiting = -1;
    ASSERT_TRUE(app.RunOnUi(
        [&] {
            waiting = 0;
            for (MonitorObject* m : GetMonitorTable().GetAllMonitors()) {
                waiting += GetUpdateConfigManager().GetUpgradeStatus(m).state == kUpgradeWaiting;
            }
        },
        2s));
    EXPECT_EQ(waiting, 0);
    EXPECT_EQ(second->Record().Snapshot().upgradesSucceeded, 0u);

    // Whole again: everyone is served the new set.
    writeFirmware(5000, true);
    EXPECT_TRUE(WaitUntil([&] { return second->Record().Snapshot().upgradesSucceeded == 1; }, 20s))
        << [&] {
               std::string all;
               for (const std::string& line : status.All()) {
                   all += line + "\n";
               }
               return all;
           }();
    EXPECT_TRUE(WaitUntil([&] { return first->Record().Snapshot().upgradesSucceeded == 2; }, 20s));
    EXPECT_EQ(second->Record().Snapshot().files.at(0).size, 5000u);
    first->Stop();
    second->Stop();
    app.Stop();
}

TEST(UpgradeEndToEnd, HeadlessStationLetsEveryPullFinishOnTheSetItStartedWith) {
    ScopedLogDir logs;
    TempDir folder;
    auto writeFirmware = [&](std::size_t size, bool withDigest) {
        WriteFw(folder, size, withDigest);
    };
    writeFirmware(20000, true);
    StatusLines status;
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.invitationPeriod = 100ms;
    options.status = status.Sink();
    auto count = [&](const std::string& prefix) { return status.Count(prefix); };
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));
    SimMonitorConfig slow;
    slow.keepAliveMs = 200;
    slow.pieceWriteMs = 20;  // 40 pieces take most of a second
    auto run = [&](const SimMonitorConfig& base, int index) {
        auto monitor = std::make_unique<SimMonitor>(SimMonitorConfig::ForIndex(base, index, "P-"));
        monitor->Start("127.0.0.1", app.Network().SessionPort());
        return monitor;
    };
    auto pulledSome = [](const SimMonitor& m) {
        return WaitUntil([&] { return m.Record().Snapshot().piecesPulled >= 3; }, 20s);
    };
    auto upgraded = [](const SimMonitor& m) {
        return WaitUntil([&] { return !m.Record().Snapshot().upgrading; }, 30s) &&
               m.Record().Snapshot().upgradesSucceeded == 1 &&
               m.Record().Snapshot().filesVerified == 1;
    };

    // New firmware arrives while a monitor pulls the old: it finishes the old set whole, and the
    // next monitor to arrive is served the new one.
    auto old = run(slow, 0);
    ASSERT_TRUE(pulledSome(*old));
    writeFirmware(30000, true);
    ASSERT_TRUE(WaitUntil([&] { return count("Folder changed: ") == 1; }, 10s));
    EXPECT_EQ(old->Record().Snapshot().upgradesSucceeded, 0u) << "the pull ended too soon";
    auto next = run(slow, 1);
    ASSERT_TRUE(upgraded(*old)) << old->Record().Snapshot().lastError;
    EXPECT_EQ(old->Record().Snapshot().files.at(0).size, 20000u);
    ASSERT_TRUE(pulledSome(*next));

    // The folder goes bad while that one pulls: nobody new is invited, and the pull under way
    // finishes on its own set.
    writeFirmware(40000, false);
    ASSERT_TRUE(WaitUntil([&] { return count("Serving stopped: ") == 1; }, 10s));
    EXPECT_EQ(next->Record().Snapshot().upgradesSucceeded, 0u) << "the pull ended too soon";
    ASSERT_TRUE(upgraded(*next)) << next->Record().Snapshot().lastError;
    EXPECT_EQ(next->Record().Snapshot().files.at(0).size, 30000u);
    auto late = run(slow, 2);
    ASSERT_TRUE(late->WaitOnline(10s));
    EXPECT_TRUE(WaitUntil([&] { return count("Online: ") == 3; }, 5s));
    ASSERT_TRUE(MonitorTookAllSent(app, *late));
    EXPECT_EQ(late->Record().Snapshot().invitations, 0u);
    late->Stop();
    next->Stop();
    old->Stop();
    app.Stop();
}
