#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"
#include "network/CmpHandlers.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

std::vector<std::uint8_t> RequestFrame(std::int8_t fileSerial, std::int32_t serialNum) {
    std::vector<std::uint8_t> frame = {13, 0, 0x13, 0x01, 0, 0, 0, 0};  // header, not checked
    frame.push_back(static_cast<std::uint8_t>(fileSerial));
    std::uint32_t u = static_cast<std::uint32_t>(serialNum);
    for (int i = 0; i < 4; ++i) {
        frame.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    return frame;
}

TEST(UpgradeStatusTableTest, UnknownMonitorGetsDefaultRecordInserted) {
    UpdateConfigManager manager;
    MonitorObject monitor;
    EXPECT_FALSE(manager.HasUpgradeStatus(&monitor));
    EXPECT_EQ(manager.GetUpgradeStatus(&monitor), (UpgradeStatus{0, kUpgradeNoRecord}));
    EXPECT_TRUE(manager.HasUpgradeStatus(&monitor));
    manager.SetUpgradeStatus(&monitor, UpgradeStatus{10, kUpgradeWaiting});
    EXPECT_EQ(manager.GetUpgradeStatus(&monitor), (UpgradeStatus{10, kUpgradeWaiting}));
    manager.ClearUpgradeStatus();
    EXPECT_FALSE(manager.HasUpgradeStatus(&monitor));
    EXPECT_EQ(manager.GetUpgradeStatus(nullptr), (UpgradeStatus{0, kUpgradeNoRecord}));
}

TEST(UpgradeStatusTableTest, RequestMovesState) {
    // Two files of 1000 and 512 bytes: 2 + 1 data pieces.
    TempDir folder;
    WriteFirmware(folder.file("a.bin"), std::string(1000, 'a'));
    WriteFirmware(folder.file("b.bin"), std::string(512, 'b'));
    UpdateConfigManager manager;
    ASSERT_TRUE(manager.Files().LoadFolder(folder.path()));
    const int twoPieceFile = manager.Files().GetPieceCount(1) == 2 ? 1 : 2;

    struct Case {
        const char* name;
        bool hasRecord;
        UpgradeStatus before;
        std::int8_t fileSerial;
        std::int32_t serialNum;
        UpgradeStatus after;
        int resultAfter;  // lastResult.result, which starts at -1
    };
    const Case cases[] = {
        {"count asked", true, {0, kUpgradeWaiting}, 0, -1, {0, kUpgradeCountAsked}, 0},
        {"header asked", true, {0, kUpgradeCountAsked}, 1, 0, {0, kUpgradeHeaderAsked}, -1},
        {"data piece",
         true,
         {0, kUpgradeHeaderAsked},
         static_cast<std::int8_t>(twoPieceFile),
         1,
         {33, kUpgradeTransferring},
         -1},
        {"header keeps progress",
         true,
         {33, kUpgradeTransferring},
         2,
         0,
         {33, kUpgradeHeaderAsked},
         -1},
        {"other negative", true, {5, kUpgradeTransferring}, 1, -2, {5, kUpgradeTransferring}, -1},
        {"unknown piece", true, {5, kUpgradeHeaderAsked}, 9, 3, {0, kUpgradeTransferring}, -1},
        {"second of three pieces",
         true,
         {33, kUpgradeTransferring},
         static_cast<std::int8_t>(twoPieceFile),
         2,
         {66, kUpgradeTransferring},
         -1},
        // Finished only once that piece has been answered, which is the manager's part.
        {"last piece",
         true,
         {66, kUpgradeHeaderAsked},
         static_cast<std::int8_t>(3 - twoPieceFile),
         1,
         {100, kUpgradeTransferring},
         -1},
    };
    for (const Case& c : cases) {
        MonitorObject monitor;
        monitor.SetLastResult(CommandResult{13, 0, -1, 0, 0});
        manager.SetUpgradeStatus(&monitor, c.before);
        monitor.SetUpgradeRequest(UpgradeRequest{c.fileSerial, c.serialNum});
        manager.UpdateUpgradeState(&monitor);
        EXPECT_EQ(manager.GetUpgradeStatus(&monitor), c.after) << c.name;
        EXPECT_EQ(monitor.GetLastResult().result, c.resultAfter) << c.name;
        manager.ForgetMonitor(&monitor);
    }

    // A monitor without a record: nothing changes and no record appears.
    MonitorObject stranger;
    stranger.SetLastResult(CommandResult{13, 0, -1, 0, 0});
    stranger.SetUpgradeRequest(UpgradeRequest{0, -1});
    manager.UpdateUpgradeState(&stranger);
    EXPECT_FALSE(manager.HasUpgradeStatus(&stranger));
    EXPECT_EQ(stranger.GetLastResult().result, -1);
    manager.UpdateUpgradeState(nullptr);
}

TEST(UpgradeStatusTableTest, AckMovesStateOnlyForResultsAboutTheRequest) {
    struct Case {
        int stateBefore;
        int code;
        int result;
        int stateAfter;
    };
    const Case cases[] = {
        {kUpgradeTransferring, 13, 0, kUpgradeFinished},
        {kUpgradeTransferring, 13, -1, kUpgradeFailed},
        {kUpgradeHeaderAsked, 13, -1, kUpgradeFailed},
        {kUpgradeWaiting, 13, 0, kUpgradeWaiting},
        {kUpgradeWaiting, 13, -1, kUpgradeWaiting},
        {kUpgradeTransferring, 12, 0, kUpgradeTransferring},
        {kUpgradeTransferring, -1, -1, kUpgradeTransferring},
    };
    UpdateConfigManager manager;
    for (const Case& c : cases) {
        MonitorObject monitor;
        manager.SetUpgradeStatus(&monitor, UpgradeStatus{40, c.stateBefore});
        monitor.SetLastResult(CommandResult{c.code, 0, c.result, 0, 0});
        manager.OnUpgradeAck(&monitor);
        EXPECT_EQ(manager.GetUpgradeStatus(&monitor), (UpgradeStatus{40, c.stateAfter}))
            << c.stateBefore << " " << c.code << " " << c.result;
        manager.ForgetMonitor(&monitor);
    }
}

TEST(UpgradeStatusTableTest, RequestFrameIsStoredAndLoggedButShortFrameIgnored) {
    ScopedLogDir logs;
    UpdateConfigManager manager;
    MonitorObject monitor;
    manager.SetUpgradeStatus(&monitor, UpgradeStatus{0, kUpgradeWaiting});

    std::vector<std::uint8_t> frame = RequestFrame(-128, 0x01020304);
    EXPECT_EQ(HandleCmpUpgradeReq(frame.data(), static_cast<int>(frame.size()), &monitor), 0);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().fileSerial}, -128);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().serialNum}, 0x01020304);

    frame = RequestFrame(2, -1);
    frame.push_back(0x55);  // a longer body is fine
    EXPECT_EQ(HandleCmpUpgradeReq(frame.data(), static_cast<int>(frame.size()), &monitor), 0);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().fileSerial}, 2);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().serialNum}, -1);

    std::vector<std::uint8_t> shortFrame = RequestFrame(3, 7);
    shortFrame.pop_back();
    EXPECT_EQ(HandleCmpUpgradeReq(shortFrame.data(), static_cast<int>(shortFrame.size()), &monitor),
              -1);
    EXPECT_EQ(HandleCmpUpgradeReq(frame.data(), static_cast<int>(frame.size()), nullptr), -1);
    EXPECT_EQ(HandleCmpUpgradeReq(nullptr, 13, &monitor), -1);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().fileSerial}, 2);
    EXPECT_EQ(int{monitor.GetUpgradeRequest().serialNum}, -1);

    // The handler leaves the status table alone.
    EXPECT_EQ(manager.GetUpgradeStatus(&monitor), (UpgradeStatus{0, kUpgradeWaiting}));
    const std::string first = "HandleCmpUpgradeReq file Serial: -128 serial num: 16909060\n";
    const std::string second = "HandleCmpUpgradeReq file Serial: 2 serial num: -1\n";
    std::string text = ReadLogText(logs.file("Trace.log"));
    ASSERT_EQ(text.size(), 20 + first.size() + 20 + second.size());  // time stamp and tab each
    EXPECT_EQ(text.substr(20, first.size()), first);
    EXPECT_EQ(text.substr(20 + first.size() + 20), second);
}

TEST(UpgradeStatusTableTest, NewOccupantOfASlotInheritsNoUpgradeRecord) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    UpdateConfigManager manager;
    pool.SetSlotResetHook([&](MonitorObject* slot) { manager.ForgetMonitor(slot); });
    GUID first{};
    first.Data4[0] = 1;
    GUID second{};
    second.Data4[0] = 2;

    MonitorObject* a = pool.GetAvailableObj(first);
    manager.SetUpgradeStatus(a, UpgradeStatus{100, kUpgradeFinished});
    pool.ReleaseObj(first, a);
    EXPECT_FALSE(manager.HasUpgradeStatus(a));  // gone with the monitor

    // Even a record written after the release (a late table refresh) is dropped on acquisition.
    manager.SetUpgradeStatus(a, UpgradeStatus{50, kUpgradeTransferring});
    MonitorObject* b = pool.GetAvailableObj(second);
    ASSERT_EQ(a, b);
    EXPECT_FALSE(manager.HasUpgradeStatus(b));
    EXPECT_EQ(manager.GetUpgradeStatus(b), (UpgradeStatus{0, kUpgradeNoRecord}));
}

TEST(UpgradeStatusTableTest, ProcessWideManagerIsWiredIntoTheProcessWidePool) {
    ScopedLogDir logs;
    UpdateConfigManager& manager = GetUpdateConfigManager();
    EXPECT_EQ(&manager, &GetUpdateConfigManager());
    CMonitorObjectMng& pool = GetMonitorObjectMng();
    GUID key{};
    key.Data4[1] = 0x77;
    MonitorObject* a = pool.GetAvailableObj(key);
    ASSERT_NE(a, nullptr);
    manager.SetUpgradeStatus(a, UpgradeStatus{0, kUpgradeFailed});
    pool.ReleaseObj(key, a);
    EXPECT_FALSE(manager.HasUpgradeStatus(a));
}

}  // namespace
