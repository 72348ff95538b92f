// The simulator against a small fake PC on loopback (handshake bytes, report layouts, order
// answers, keep-alives, failure injections), and against the tool itself for upgrades.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackTestSupport.h"
#include "SimFleet.h"
#include "SimMd5.h"
#include "SimMessages.h"
#include "SimMonitor.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"
#include "network/SendCmpData.h"
#include "platform/Socket.h"
#include "platform/TcpListener.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"
#include "upgrade/UpgradeState.h"

using namespace std::chrono_literals;

namespace {

constexpr int kWaitMs = 3000;  // upper bound for anything the simulator should do promptly

struct Frame {
    std::uint16_t cmd = 0;
    std::uint16_t serial = 0;
    SimBytes body;
    SimBytes raw;
    std::uint16_t Item() const { return body.size() >= 2 ? ReadLe16(body.data()) : 0; }
};

// One accepted monitor connection, seen from the PC.
class FakeConn {
  public:
    explicit FakeConn(UniqueSocket s) : s_(std::move(s)) {}

    bool Send(std::uint16_t cmd, const SimBytes& body) {
        std::vector<std::uint8_t> buf(kCmpHeadSize + body.size());
        if (!body.empty()) {
            std::memcpy(buf.data() + kCmpHeadSize, body.data(), body.size());
        }
        SocketHandle h = s_.get();
        return SendCmpControlCommand(buf.data(), static_cast<std::uint16_t>(body.size()), cmd, h,
                                     serial_++) == 1;
    }
    bool Greet() { return Send(SimCmd::kConnectSuccess, SimBytes{0xEA, 0x07, 12, 8, 1, 6, 2, 2}); }

    // The next frame, or nothing when none came within timeoutMs or the monitor closed.
    std::optional<Frame> Next(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (frames_.empty() && !closed_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || WaitReadable(s_.get(), static_cast<int>(left.count())) <= 0) {
                break;
            }
            std::uint8_t chunk[4096];
            const long got = SocketRecv(s_.get(), chunk, sizeof chunk);
            if (got <= 0) {
                closed_ = true;
                break;
            }
            pending_.insert(pending_.end(), chunk, chunk + got);
            const std::size_t used = cutter_.Cut(pending_.data(), pending_.size(),
                                                 [&](const std::uint8_t* f, std::size_t n) {
                                                     Frame fr;
                                                     const CmpPacketHead h = ReadCmpHead(f);
                                                     fr.cmd = h.cmd;
                                                     fr.serial = h.serial;
                                                     fr.raw.assign(f, f + n);
                                                     fr.body.assign(f + kCmpHeadSize, f + n);
                                                     frames_.push_back(std::move(fr));
                                                     return true;
                                                 });
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
        }
        if (frames_.empty()) {
            return std::nullopt;
        }
        Frame f = std::move(frames_.front());
        frames_.pop_front();
        return f;
    }
    // The next frame of command cmd (and item, for 0x0200), skipping others.
    std::optional<Frame> NextOf(std::uint16_t cmd, int timeoutMs, int item = -1) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            auto f = Next(static_cast<int>(left.count()));
            if (!f) {
                return std::nullopt;
            }
            if (f->cmd == cmd && (item < 0 || f->Item() == item)) {
                return f;
            }
        }
    }
    // True when the monitor closes the connection within timeoutMs.
    bool WaitClosed(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!closed_ && std::chrono::steady_clock::now() < deadline) {
            Next(10);
            frames_.clear();
        }
        return closed_;
    }
    void Close() { s_ = UniqueSocket(); }

  private:
    UniqueSocket s_;
    FrameCutter cutter_{16383};
    std::vector<std::uint8_t> pending_;
    std::deque<Frame> frames_;
    std::uint16_t serial_ = 0;
    bool closed_ = false;
};

class FakePc {
  public:
    FakePc() { EXPECT_TRUE(listener_.Open("127.0.0.1", 0)); }
    int Port() const { return listener_.LocalPort(); }
    std::optional<FakeConn> Accept(int timeoutMs = kWaitMs) {
        if (listener_.WaitReadable(timeoutMs) != 1) {
            return std::nullopt;
        }
        UniqueSocket s = listener_.Accept();
        if (!s) {
            return std::nullopt;
        }
        SetNoDelay(s.get(), true);
        return FakeConn(std::move(s));
    }

  private:
    TcpListener listener_;
};

SimMonitorConfig FastConfig() {
    SimMonitorConfig c;
    c.keepAliveMs = 60000;  // out of the way unless a test wants them
    c.connectTimeoutMs = kWaitMs;
    c.greetingTimeoutMs = kWaitMs;
    c.pieceTimeoutMs = kWaitMs;
    return c;
}

// Runs the greeting and consumes the three handshake frames and every report.
void OnlineWithReports(FakeConn& pc) {
    ASSERT_TRUE(pc.Greet());
    ASSERT_TRUE(pc.NextOf(SimCmd::kPatientGuid, kWaitMs));
    ASSERT_TRUE(pc.NextOf(SimCmd::kPatientInfo, kWaitMs));
}

// The tool itself, headless, serving the files of `folder` and inviting every monitor at once.
std::unique_ptr<HeadlessApp> StartTool(const std::string& folder) {
    HeadlessOptions options;
    options.upgradeFolder = folder;
    options.network = LoopbackTestSettings(6000);
    options.invitationPeriod = 20ms;
    auto app = std::make_unique<HeadlessApp>(options);
    if (!app->Start()) {
        ADD_FAILURE() << "the tool did not start";
        return nullptr;
    }
    EXPECT_TRUE(app->Network().WaitListening(kWaitMs));
    return app;
}

void WriteUpgradeFile(const TempDir& folder, const std::string& name, const SimBytes& content,
                      const std::string& digestText) {
    WriteFileBytes(folder.file(name), std::string(content.begin(), content.end()));
    WriteFileBytes(folder.file(name + ".md5"), digestText);
}

// The monitor's record at the moment its first upgrade ended, or nothing when none ended.
std::optional<SimSnapshot> FirstUpgradeEnd(const SimMonitor& m) {
    std::optional<SimSnapshot> seen;
    m.Record().WaitFor(
        [&](const SimSnapshot& s) {
            if (!seen && s.upgradesSucceeded + s.upgradesFailed > 0) {
                seen = s;
            }
            return seen.has_value();
        },
        std::chrono::milliseconds(kWaitMs));
    return seen;
}

// Whether the tool's upgrade column shows a finished upgrade, as the monitor's result made it.
bool ToolShowsFinished(HeadlessApp& app) {
    bool finished = false;
    app.RunOnUi(
        [&] {
            for (MonitorObject* m : GetMonitorTable().GetAllMonitors()) {
                finished = finished ||
                           GetUpdateConfigManager().GetUpgradeStatus(m).state == kUpgradeFinished;
            }
        },
        std::chrono::milliseconds(kWaitMs));
    return finished;
}

std::vector<std::pair<int, int>> Requests(const SimSnapshot& s) {
    std::vector<std::pair<int, int>> out;
    for (const SimPieceRequest& r : s.requests) {
        out.emplace_back(r.fileSerial, r.serialNum);
    }
    return out;
}

SimBytes Pattern(std::size_t n, std::uint8_t seed) {
    SimBytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return b;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

class SimMonitorTest : public ::testing::Test {
  protected:
    ScopedLogDir logs_;
    FakePc pc_;
};

TEST_F(SimMonitorTest, WaitsForTheGreetingThenAnnouncesVersionTypeAndGuid) {
    SimMonitor m(FastConfig());
    ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
    auto pc = pc_.Accept();
    ASSERT_TRUE(pc);
    EXPECT_FALSE(pc->Next(100)) << "a monitor speaks only after the PC's greeting";
    ASSERT_TRUE(pc->Greet());

    auto version = pc->Next(kWaitMs);
    auto type = pc->Next(kWaitMs);
    auto guid = pc->Next(kWaitMs);
    ASSERT_TRUE(version && type && guid);
    for (const Frame* f : {&*version, &*type, &*guid}) {
        EXPECT_EQ(ReadLe16(f->raw.data()), f->raw.size());
        EXPECT_EQ(CmpChecksum(f->raw.data(), static_cast<std::int32_t>(f->raw.size())), 0);
    }
    EXPECT_EQ(version->cmd, 4);
    EXPECT_EQ(version->body, (SimBytes{1, 2, 0, 0}));
    EXPECT_EQ(type->cmd, 6);
    EXPECT_EQ(type->body, SimBytes{1});
    EXPECT_EQ(guid->cmd, 16);
    ASSERT_GE(guid->body.size(), 16u);
    EXPECT_EQ(guid->body, SimGuidBody(m.InitialConfig().guid));
    bool anyNonZero = false;
    for (std::size_t i = 8; i < 16; ++i) {
        anyNonZero = anyNonZero || guid->body[i] != 0;
    }
    EXPECT_TRUE(anyNonZero) << "bytes 8..15 all zero would be rejected by the tool";
    EXPECT_TRUE(m.WaitOnline(std::chrono::milliseconds(kWaitMs)));
}

TEST_F(SimMonitorTest, ReportsArriveWithTheDocumentedLayouts) {
    SimMonitorConfig c = FastConfig();
    c.deviceName = "Zr40";
    c.softwareVersion = "2.3.4";
    c.wifi.ssid = "WARD-7";
    c.wifi.password = "secret";
    c.wifi.authen = 2;
    c.wifi.roamThreshold = -70;
    c.wifi.deviceIp = {10, 0, 0, 42};
    c.wifi.channel = 11;
    c.wifi.serverIp = {127, 0, 0, 1};
    c.wifi.serverPort = 9500;
    c.wifi.reconnectSel = 3;
    c.patient.bedNo = 7;
    c.patient.text1 = "Jane";
    SimMonitor m(c);
    ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
    auto pc = pc_.Accept();
    ASSERT_TRUE(pc);
    ASSERT_TRUE(pc->Greet());
    ASSERT_TRUE(pc->NextOf(SimCmd::kPatientGuid, kWaitMs));

    std::vector<Frame> reports;
    while (auto f = pc->Next(kWaitMs)) {
        reports.push_back(*f);
        if (f->cmd == SimCmd::kPatientInfo) {
            break;
        }
    }
    auto find = [&](std::uint16_t cmd, int item) -> const Frame* {
        for (const Frame& f : reports) {
            if (f.cmd == cmd && (item < 0 || f.Item() == item)) {
                return &f;
            }
        }
        return nullptr;
    };
    const struct {
        std::uint16_t cmd;
        int item;
        std::size_t bodySize;
    } kExpected[] = {
        {SimCmd::kAttribute, 0x0050, 52}, {SimCmd::kAttribute, 0x0003, 18},
        {SimCmd::kModuleSet, -1, 26},     {SimCmd::kAttribute, 0x0007, 28},
        {SimCmd::kAttribute, 0x0053, 94}, {SimCmd::kAttribute, 0x0056, 8},
        {SimCmd::kAttribute, 0x0059, 3},  {SimCmd::kPatientInfo, -1, 424},
    };
    for (const auto& e : kExpected) {
        const Frame* f = find(e.cmd, e.item);
        ASSERT_NE(f, nullptr) << "cmd " << e.cmd << " item " << e.item;
        EXPECT_EQ(f->body.size(), e.bodySize) << "cmd " << e.cmd << " item " << e.item;
    }

    SimBytes name(52, 0);
    name[0] = 0x50;
    std::memcpy(name.data() + 2, "Zr40", 4);
    EXPECT_EQ(find(SimCmd::kAttribute, 0x0050)->body, name);
    EXPECT_EQ(SimFieldText(find(SimCmd::kAttribute, 0x0003)->body.data() + 2, 16), "2.3.4");
    EXPECT_EQ(find(SimCmd::kModuleSet, -1)->body, SimModuleSetBody(c.loadedModules));

    const std::uint8_t* w = find(SimCmd::kAttribute, 0x0053)->body.data() + 2;
    EXPECT_EQ(SimFieldText(w, 40), "WARD-7");
    EXPECT_EQ(w[40], 2);
    EXPECT_EQ(SimFieldText(w + 41, 40), "secret");
    EXPECT_EQ(static_cast<std::int16_t>(ReadLe16(w + 81)), -70);
    EXPECT_EQ(SimBytes(w + 85, w + 89), (SimBytes{10, 0, 0, 42}));
    EXPECT_EQ(w[91], 11);

    const SimBytes& server = find(SimCmd::kAttribute, 0x0056)->body;
    EXPECT_EQ(SimBytes(server.begin() + 2, server.begin() + 6), (SimBytes{127, 0, 0, 1}));
    EXPECT_EQ(ReadLe16(server.data() + 6), 9500);
    EXPECT_EQ(find(SimCmd::kAttribute, 0x0059)->body[2], 3);

    const SimBytes& patient = find(SimCmd::kPatientInfo, -1)->body;
    EXPECT_EQ(ReadLe16(patient.data() + 2), 7);
    EXPECT_EQ(SimFieldText(patient.data() + 352, 64), "Jane");
}

TEST_F(SimMonitorTest, OrdersAreAnsweredWithACommandResult) {
    SimBytes nameOrder(52, 0);
    nameOrder[0] = 0x50;
    std::memcpy(nameOrder.data() + 2, "BED-12", 6);
    SimBytes wifiOrder = SimWifiBody(SimWifiSettings{});
    SimBytes serverOrder{0x56, 0x00, 192, 168, 1, 2, 0x24, 0x25};
    SimBytes reconnectOrder{0x59, 0x00, 0x03};
    SimBytes moduleOrder(26, 0);
    moduleOrder[1] = moduleOrder[4] = 1;
    const struct {
        const char* what;
        std::uint16_t cmd;
        SimBytes body;
        bool refuse;
        std::uint16_t status;
        std::uint16_t detail;
    } kCases[] = {
        {"device name", 0x0200, nameOrder, false, 1, 0x0050},
        {"device name refused", 0x0200, nameOrder, true, 0, 0x0050},
        {"device name too short", 0x0200, SimBytes{0x50, 0x00, 'A', 0}, false, 0, 0x0050},
        {"wifi", 0x0200, wifiOrder, false, 1, 0x0053},
        {"server address", 0x0200, serverOrder, false, 1, 0x0056},
        {"reconnect time", 0x0200, reconnectOrder, false, 1, 0x0059},
        {"unknown item", 0x0200, SimBytes{0x51, 0x00, 0x01}, false, 0, 0x0051},
        {"module set", 0x0012, moduleOrder, false, 1, 0},
        {"module set refused", 0x0012, moduleOrder, true, 0, 0},
        {"unknown command", 0x0101, SimBytes{1, 2, 3}, false, 0, 0},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.what);
        SimMonitorConfig c = FastConfig();
        c.refuseOrders = k.refuse;
        SimMonitor m(c);
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        OnlineWithReports(*pc);
        ASSERT_TRUE(pc->Send(k.cmd, k.body));
        auto answer = pc->NextOf(SimCmd::kCommandResult, kWaitMs);
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->body.size(), 8u);
        auto r = SimParseCommandResult(answer->raw.data(), answer->raw.size());
        EXPECT_EQ(r->command, k.cmd);
        EXPECT_EQ(r->status, k.status);
        EXPECT_EQ(r->detail, k.detail);

        const SimSnapshot s = m.Record().Snapshot();
        ASSERT_EQ(s.orders.size(), 1u);
        EXPECT_EQ(s.orders[0].cmd, k.cmd);
        EXPECT_EQ(s.orders[0].serial, 1);  // the fake PC's greeting had serial 0
        EXPECT_EQ(s.orders[0].accepted, k.status == 1);
        EXPECT_EQ(s.orders[0].frame.size(), k.body.size() + 8);
    }
}

TEST_F(SimMonitorTest, AcceptedOrdersChangeTheMonitorAndAreReportedAgain) {
    SimMonitor m(FastConfig());
    ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
    auto pc = pc_.Accept();
    ASSERT_TRUE(pc);
    OnlineWithReports(*pc);
    SimBytes order(52, 0);
    order[0] = 0x50;
    std::memset(order.data() + 2, 'N', 50);  // no terminator: only 49 bytes may be taken
    ASSERT_TRUE(pc->Send(SimCmd::kAttribute, order));
    ASSERT_TRUE(pc->NextOf(SimCmd::kCommandResult, kWaitMs));
    auto report = pc->NextOf(SimCmd::kAttribute, kWaitMs, 0x0050);
    ASSERT_TRUE(report);
    EXPECT_EQ(SimFieldText(report->body.data() + 2, 50), std::string(49, 'N'));
    EXPECT_EQ(m.Record().Snapshot().deviceName, std::string(49, 'N'));
}

TEST_F(SimMonitorTest, PullsATwoFileUpgradeInOrderAndChecksDigests) {
    const SimBytes a = Pattern(1000, 3);
    const SimBytes b = Pattern(512, 99);
    const std::string da = SimMd5Hex(a.data(), a.size());
    const std::string db = SimMd5Hex(b.data(), b.size());
    using Order = std::vector<std::pair<int, int>>;
    const Order kAll = {{0, -1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}};
    // A file whose digest does not match stops the whole set: the tool does not start serving,
    // so no monitor ever pulls part of it (the monitor's own digest check of a damaged file is
    // the puller's test).
    const struct {
        const char* what;
        std::string digestA;
        std::string digestB;
        std::uint16_t status;
        std::uint64_t verified;
        std::uint64_t failed;
        Order order;
        std::uint64_t sizeA;
        std::uint64_t sizeB;
    } kCases[] = {
        {"correct digests", da, db, 1, 2, 0, kAll, 1000, 512},
        {"upper-case digest text", Upper(da), db, 1, 2, 0, kAll, 1000, 512},
        {"wrong digest of file 2",
         da,
         std::string(32, '0'),
         0,
         1,
         1,
         {{0, -1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}},
         1000,
         0},
        {"blank digest of file 1",
         std::string(32, '\0'),
         db,
         0,
         1,
         1,
         {{0, -1}, {1, 0}, {2, 0}, {2, 1}},
         0,
         512},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.what);
        TempDir folder;
        WriteUpgradeFile(folder, "a_firmware.bin", a, k.digestA);
        WriteUpgradeFile(folder, "b_boot.bin", b, k.digestB);
        if (k.status == 0) {
            HeadlessOptions options;
            options.upgradeFolder = folder.path();
            options.network = LoopbackTestSettings(6000);
            EXPECT_FALSE(HeadlessApp(options).Start());
            continue;
        }
        const auto tool = StartTool(folder.path());
        ASSERT_TRUE(tool);
        SimMonitor m(FastConfig());
        ASSERT_TRUE(m.Start("127.0.0.1", tool->Network().SessionPort()));
        const std::optional<SimSnapshot> end = FirstUpgradeEnd(m);
        ASSERT_TRUE(end) << "no upgrade ended";
        const SimSnapshot& s = *end;
        EXPECT_EQ(Requests(s), k.order);
        EXPECT_EQ(s.upgradesSucceeded, k.status == 1 ? 1u : 0u);
        EXPECT_EQ(s.filesVerified, k.verified);
        EXPECT_EQ(s.filesFailed, k.failed);
        EXPECT_EQ(s.piecesPulled, (k.sizeA + 511) / 512 + (k.sizeB + 511) / 512);
        EXPECT_EQ(s.bytesPulled, k.sizeA + k.sizeB);
        ASSERT_EQ(s.files.size(), 2u);
        EXPECT_EQ(s.files[0].size, k.sizeA);
        EXPECT_EQ(s.files[1].size, k.sizeB);
        if (k.sizeA > 0) {
            EXPECT_EQ(s.files[0].name, "a_firmware.bin");
        }
        if (k.sizeB > 0) {
            EXPECT_EQ(s.files[1].actualDigest, db);
        }
        if (k.status == 1) {
            EXPECT_TRUE(WaitUntil([&] { return ToolShowsFinished(*tool); },
                                  std::chrono::milliseconds(kWaitMs)))
                << "the tool never took the monitor's result as finished";
        }
    }
}

TEST_F(SimMonitorTest, AsksAgainWhenAnAnswerIsLostAndGivesUpInTheEnd) {
    SimMonitorConfig c = FastConfig();
    c.pieceTimeoutMs = 50;
    c.pieceRetries = 2;
    SimMonitor m(c);
    ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
    auto pc = pc_.Accept();
    ASSERT_TRUE(pc);
    OnlineWithReports(*pc);
    ASSERT_TRUE(pc->Send(SimCmd::kUpgradeRequest, SimBytes{1}));
    for (int i = 0; i < 3; ++i) {  // the first request and two repeats, never answered
        auto f = pc->NextOf(SimCmd::kUpgradeRequest, kWaitMs);
        ASSERT_TRUE(f);
        EXPECT_EQ(static_cast<std::int32_t>(ReadLe32(f->body.data() + 1)), -1);
    }
    auto result = pc->NextOf(SimCmd::kCommandResult, kWaitMs);
    ASSERT_TRUE(result);
    auto r = SimParseCommandResult(result->raw.data(), result->raw.size());
    EXPECT_EQ(r->command, SimCmd::kUpgradeRequest);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(m.Record().Snapshot().requestRetries, 2u);
}

TEST_F(SimMonitorTest, DropAfterPiecesClosesTheSocket) {
    TempDir folder;
    const SimBytes fw = Pattern(2048, 1);
    WriteUpgradeFile(folder, "fw.bin", fw, SimMd5Hex(fw.data(), fw.size()));
    const auto tool = StartTool(folder.path());
    ASSERT_TRUE(tool);
    SimMonitorConfig c = FastConfig();
    c.dropAfterPieces = 1;
    SimMonitor m(c);
    ASSERT_TRUE(m.Start("127.0.0.1", tool->Network().SessionPort()));
    ASSERT_TRUE(m.WaitClosed(std::chrono::milliseconds(kWaitMs)));
    const SimSnapshot s = m.Record().Snapshot();
    EXPECT_EQ(s.upgradesSucceeded + s.upgradesFailed, 0u);
    EXPECT_EQ(Requests(s), (std::vector<std::pair<int, int>>{{0, -1}, {1, 0}, {1, 1}}));
    EXPECT_TRUE(s.dropped);
    EXPECT_EQ(s.piecesPulled, 1u);
}

TEST_F(SimMonitorTest, KeepAlivesArriveAboutEveryIntervalUnlessSilent) {
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "keep-alive");
        SimMonitorConfig c = FastConfig();
        c.keepAliveMs = 40;
        c.silent = silent;
        SimMonitor m(c);
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        OnlineWithReports(*pc);
        const auto start = std::chrono::steady_clock::now();
        int seen = 0;
        while (seen < 5) {
            auto f = pc->NextOf(SimCmd::kPacketAck, silent ? 300 : kWaitMs);
            if (!f) {
                break;
            }
            EXPECT_EQ(f->body.size(), 1u);
            ++seen;
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (silent) {
            EXPECT_EQ(seen, 0);
            EXPECT_EQ(m.Record().Snapshot().keepAlivesSent, 0u);
        } else {
            EXPECT_EQ(seen, 5);
            // Five at 40 ms take at least about 160 ms: they are paced, not sent in a burst.
            EXPECT_GE(elapsed, 120ms);
        }
    }
}

TEST_F(SimMonitorTest, GarbageAndByteByByteDeliveryStillReachThePc) {
    const struct {
        bool garbage;
        bool byteByByte;
    } kCases[] = {{true, false}, {false, true}, {true, true}};
    for (const auto& k : kCases) {
        SCOPED_TRACE(::testing::Message() << "garbage " << k.garbage << " bytes " << k.byteByByte);
        SimMonitorConfig c = FastConfig();
        c.garbage = k.garbage;
        c.byteByByte = k.byteByByte;
        SimMonitor m(c);
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        OnlineWithReports(*pc);
        ASSERT_TRUE(pc->Send(SimCmd::kAttribute, SimBytes{0x59, 0x00, 0x01}));
        auto answer = pc->NextOf(SimCmd::kCommandResult, kWaitMs);
        ASSERT_TRUE(answer);
        EXPECT_EQ(SimParseCommandResult(answer->raw.data(), answer->raw.size())->status, 1);
        EXPECT_EQ(m.Record().Snapshot().garbageBytesSent > 0, k.garbage);
    }
}

TEST_F(SimMonitorTest, ConnectionFailuresAndClosesAreRecorded) {
    {
        SimMonitorConfig c = FastConfig();
        c.connectTimeoutMs = 200;
        TcpListener closed;
        ASSERT_TRUE(closed.Open("127.0.0.1", 0));
        const int port = closed.LocalPort();
        closed.Close();
        SimMonitor m(c);
        ASSERT_TRUE(m.Start("127.0.0.1", port));
        ASSERT_TRUE(m.WaitClosed(std::chrono::milliseconds(kWaitMs)));
        EXPECT_TRUE(m.Record().Snapshot().connectFailed);
    }
    {
        SimMonitor m(FastConfig());
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        OnlineWithReports(*pc);
        pc->Close();
        ASSERT_TRUE(m.WaitClosed(std::chrono::milliseconds(kWaitMs)));
        const SimSnapshot s = m.Record().Snapshot();
        EXPECT_TRUE(s.peerClosed);
        EXPECT_TRUE(s.wentOnline);
        EXPECT_FALSE(s.connectFailed);
        EXPECT_EQ(s.upgradesFailed, 0u);
    }
    {
        // The tool goes away in the middle of an upgrade: that upgrade failed.
        SimMonitor m(FastConfig());
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        OnlineWithReports(*pc);
        ASSERT_TRUE(pc->Send(SimCmd::kUpgradeRequest, SimBytes{1}));
        ASSERT_TRUE(pc->NextOf(SimCmd::kUpgradeRequest, kWaitMs));
        pc->Close();
        ASSERT_TRUE(m.WaitClosed(std::chrono::milliseconds(kWaitMs)));
        EXPECT_EQ(m.Record().Snapshot().upgradesFailed, 1u);
    }
}

TEST_F(SimMonitorTest, StopEndsAMonitorPromptlyInEveryPhase) {
    // Waiting for the greeting that never comes, and fully online.
    for (const bool greet : {false, true}) {
        SimMonitor m(FastConfig());
        ASSERT_TRUE(m.Start("127.0.0.1", pc_.Port()));
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        if (greet) {
            OnlineWithReports(*pc);
        }
        const auto start = std::chrono::steady_clock::now();
        m.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_TRUE(m.Finished());
        EXPECT_TRUE(pc->WaitClosed(kWaitMs));
        EXPECT_FALSE(m.Start("127.0.0.1", pc_.Port())) << "a monitor runs once";
    }
}

TEST_F(SimMonitorTest, FleetMonitorsHaveDistinctIdentities) {
    SimFleet fleet(FastConfig(), 3, "SIM-", 0x1234);
    fleet.StartAll("127.0.0.1", pc_.Port());
    std::vector<FakeConn> conns;
    std::vector<SimBytes> keys;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        auto pc = pc_.Accept();
        ASSERT_TRUE(pc);
        ASSERT_TRUE(pc->Greet());
        auto guid = pc->NextOf(SimCmd::kPatientGuid, kWaitMs);
        ASSERT_TRUE(guid);
        keys.emplace_back(guid->body.begin() + 4, guid->body.begin() + 16);  // the tool's key
        auto name = pc->NextOf(SimCmd::kAttribute, kWaitMs, 0x0050);
        ASSERT_TRUE(name);
        names.push_back(SimFieldText(name->body.data() + 2, 50));
        conns.push_back(std::move(*pc));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"SIM-001", "SIM-002", "SIM-003"}));
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(std::unique(keys.begin(), keys.end()), keys.end());
    ASSERT_TRUE(fleet.WaitAll([](const SimSnapshot& s) { return s.wentOnline; },
                              std::chrono::milliseconds(kWaitMs)));
    fleet.StopAll();
    const SimFleetSummary sum = fleet.Summary();
    EXPECT_EQ(sum.online, 3);
    EXPECT_FALSE(sum.AnyFailure());
}

}  // namespace
