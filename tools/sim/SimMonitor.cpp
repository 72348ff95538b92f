#include "SimMonitor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>

#include "network/CmpPacketHead.h"

namespace {

constexpr int kSliceMs = 20;  // longest wait between looks at the stop flag
constexpr int kFloodSendTimeoutMs = 5000;
constexpr std::uint16_t kStatusOk = 1;
constexpr std::uint16_t kStatusFailed = 0;

std::string Hex4(unsigned v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", v & 0xFFFFu);
    return text;
}

int MillisUntil(std::chrono::steady_clock::time_point t) {
    const auto d =
        std::chrono::duration_cast<std::chrono::milliseconds>(t - std::chrono::steady_clock::now());
    return d.count() < 0 ? 0 : static_cast<int>(d.count());
}

}  // namespace

SimMonitor::SimMonitor(SimMonitorConfig config)
    : initial_(config), config_(std::move(config)), rng_(initial_.seed) {
    record_.Update([&](SimSnapshot& s) {
        s.deviceName = config_.deviceName;
        s.loadedModules = config_.loadedModules;
        s.wifi = config_.wifi;
    });
}

SimMonitor::~SimMonitor() {
    Stop();
}

bool SimMonitor::Start(const std::string& host, int port) {
    if (started_.exchange(true)) {
        return false;
    }
    thread_ = std::thread(&SimMonitor::Run, this, host, port);
    return true;
}

void SimMonitor::Stop() {
    stop_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool SimMonitor::WaitOnline(std::chrono::milliseconds timeout) const {
    return record_.WaitFor(
               [](const SimSnapshot& s) {
                   return s.phase == SimPhase::Online || s.phase == SimPhase::Closed;
               },
               timeout) &&
           record_.Snapshot().phase == SimPhase::Online;
}

bool SimMonitor::WaitClosed(std::chrono::milliseconds timeout) const {
    return record_.WaitFor([](const SimSnapshot& s) { return s.phase == SimPhase::Closed; },
                           timeout);
}

void SimMonitor::Emit(const std::string& text) {
    if (sink_) {
        sink_(text);
    }
}

void SimMonitor::Run(std::string host, int port) {
    record_.Update([](SimSnapshot& s) { s.phase = SimPhase::Connecting; });
    if (!link_.Connect(host, port, config_.connectTimeoutMs, config_.connectRetryMs, stop_,
                       config_.localAddress)) {
        if (!stop_.load()) {
            record_.Update([&](SimSnapshot& s) {
                s.connectFailed = true;
                s.lastError = "could not connect to " + host + ":" + std::to_string(port);
            });
            Emit("could not connect to " + host + ":" + std::to_string(port));
        }
    } else {
        record_.Update([](SimSnapshot& s) { s.phase = SimPhase::Handshake; });
        if (config_.recvBufferBytes > 0) {
            link_.LimitReceiveBuffer(config_.recvBufferBytes);
        }
        if (config_.stallHandshake) {
            if (WaitForGreeting()) {
                StallHandshake();
            }
        } else if (WaitForGreeting() && SendHandshake()) {
            GoOnline();
            if (config_.reconnectHalfOpen && !ReconnectLeavingHalfOpen(host, port)) {
                // could not come back; the reason is in the record
            } else if (config_.floodRequests) {
                FloodLoop();
            } else {
                Loop();
            }
        }
    }
    link_.Close();
    halfOpen_ = UniqueSocket();
    // An upgrade cut short by the tool or the network is a failed upgrade; a deliberate drop
    // or a stop is not counted.
    const bool interrupted = puller_.Active() && !dropNow_ && !stop_.load();
    if (interrupted) {
        puller_.Abort("connection lost during the upgrade");
        Emit("upgrade FAILED: connection lost during the upgrade");
    }
    record_.Update([&](SimSnapshot& s) {
        s.phase = SimPhase::Closed;
        s.upgrading = false;
        if (interrupted) {
            ++s.upgradesFailed;
            s.lastError = puller_.FailureReason();
        }
    });
    finished_.store(true);
}

void SimMonitor::StallHandshake() {
    const auto start = Clock::now();
    const SimBytes junk{0xEE};
    while (!stop_.load()) {
        if (!link_.SendRaw(junk)) {
            break;
        }
        const auto next = Clock::now() + std::chrono::milliseconds(config_.stallByteMs);
        int got = 0;
        while (!stop_.load() && got >= 0 && Clock::now() < next) {
            got = link_.Receive(std::min(kSliceMs, std::max(1, MillisUntil(next))));
            link_.TakeFrames([](const std::uint8_t*, std::size_t) { return true; });
        }
        if (got < 0) {
            const std::int64_t heldMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            const bool reset = link_.EndedByReset();
            record_.Update([&](SimSnapshot& s) {
                s.peerClosed = true;
                s.stallEndedAfterMs = heldMs;
                s.endedByReset = reset;
            });
            Emit("the tool ended the stalled handshake after " + std::to_string(heldMs) + " ms (" +
                 (reset ? "reset" : "closed") + ")");
            return;
        }
    }
}

void SimMonitor::GoOnline() {
    online_ = true;
    record_.Update([](SimSnapshot& s) {
        s.phase = SimPhase::Online;
        s.wentOnline = true;
    });
    Emit("online");
    if (config_.sendReports) {
        SendReports();
    }
}

bool SimMonitor::ReconnectLeavingHalfOpen(const std::string& host, int port) {
    halfOpen_ = link_.Abandon();
    online_ = false;
    Emit("silent on this connection, leaving it open; back in " +
         std::to_string(config_.halfOpenSilenceMs) + " ms");
    const auto back = Clock::now() + std::chrono::milliseconds(config_.halfOpenSilenceMs);
    while (!stop_.load() && Clock::now() < back) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min(kSliceMs, MillisUntil(back))));
    }
    if (stop_.load()) {
        return false;
    }
    record_.Update([](SimSnapshot& s) { s.phase = SimPhase::Connecting; });
    if (!link_.Connect(host, port, config_.connectTimeoutMs, config_.connectRetryMs, stop_)) {
        record_.Update([&](SimSnapshot& s) {
            s.lastError = "could not connect again to " + host + ":" + std::to_string(port);
        });
        Emit("could not connect again to " + host + ":" + std::to_string(port));
        return false;
    }
    record_.Update([](SimSnapshot& s) { s.phase = SimPhase::Handshake; });
    if (config_.recvBufferBytes > 0) {
        link_.LimitReceiveBuffer(config_.recvBufferBytes);
    }
    if (!WaitForGreeting() || !SendHandshake()) {
        return false;
    }
    record_.Update([](SimSnapshot& s) { ++s.halfOpenReconnects; });
    GoOnline();
    return true;
}

// Whatever the tool still sent on the half-open connection is dropped unread; only its close
// is noticed.
void SimMonitor::WatchHalfOpen() {
    if (!halfOpen_) {
        return;
    }
    std::uint8_t scrap[4096];
    for (;;) {
        const long n = SocketRecvNow(halfOpen_.get(), scrap, sizeof scrap);
        if (n > 0) {
            continue;
        }
        const int err = n < 0 ? LastSocketError() : 0;
        if (n < 0 && (err == EAGAIN || err == EINTR)) {
            return;  // still open
        }
        break;
    }
    halfOpen_ = UniqueSocket();
    record_.Update([](SimSnapshot& s) { s.halfOpenClosed = true; });
    Emit("the tool closed the connection left half-open");
}

bool SimMonitor::WaitForGreeting() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.greetingTimeoutMs);
    bool greeted = false;
    while (!stop_.load() && !greeted) {
        const int left = MillisUntil(deadline);
        if (left <= 0) {
            break;
        }
        const int r = link_.Receive(std::min(left, kSliceMs));
        if (r < 0) {
            record_.Update([](SimSnapshot& s) {
                s.connectFailed = true;
                s.peerClosed = true;
                s.lastError = "connection closed before the greeting";
            });
            Emit("connection closed before the greeting");
            return false;
        }
        // Frames after the greeting stay in the link for the session loop.
        link_.TakeFrames([&](const std::uint8_t* frame, std::size_t) {
            record_.Update([](SimSnapshot& s) { ++s.framesReceived; });
            greeted = ReadCmpHead(frame).cmd == SimCmd::kConnectSuccess;
            return !greeted;
        });
    }
    if (!greeted && !stop_.load()) {
        record_.Update([](SimSnapshot& s) {
            s.connectFailed = true;
            s.lastError = "no greeting from the tool";
        });
        Emit("no greeting from the tool");
    }
    return greeted;
}

bool SimMonitor::Send(std::uint16_t cmd, const SimBytes& body) {
    const bool byteByByte = online_ ? config_.byteByByte : config_.byteByByteHandshake;
    if (online_ && config_.garbage) {
        const int junk = link_.SendJunk(rng_, config_.keepAliveCommand, byteByByte);
        if (junk < 0) {
            return false;
        }
        record_.Update([&](SimSnapshot& s) {
            s.garbageBytesSent += static_cast<std::uint64_t>(junk);
            ++s.framesSent;
        });
    }
    const bool ok = link_.SendFrame(cmd, body, byteByByte);
    if (ok) {
        record_.Update([](SimSnapshot& s) { ++s.framesSent; });
    }
    return ok;
}

bool SimMonitor::SendHandshake() {
    const bool ok = Send(SimCmd::kProtocolVersion, SimVersionBody(config_)) &&
                    Send(SimCmd::kConnectType, SimConnectTypeBody(config_)) &&
                    Send(SimCmd::kPatientGuid, SimGuidBody(config_.guid));
    if (!ok) {
        record_.Update([](SimSnapshot& s) {
            s.connectFailed = true;
            s.lastError = "handshake could not be sent";
        });
        Emit("handshake could not be sent");
    }
    return ok;
}

void SimMonitor::SendReports() {
    Send(SimCmd::kAttribute, SimDeviceNameBody(config_.deviceName));
    Send(SimCmd::kAttribute, SimTextItemBody(SimItem::kSoftwareVersion, config_.softwareVersion));
    if (!config_.infoText1.empty()) {
        Send(SimCmd::kAttribute, SimTextItemBody(SimItem::kInfoText1, config_.infoText1));
    }
    if (!config_.infoText2.empty()) {
        Send(SimCmd::kAttribute, SimTextItemBody(SimItem::kInfoText2, config_.infoText2));
    }
    Send(SimCmd::kModuleSet, SimModuleSetBody(config_.loadedModules));
    Send(SimCmd::kAttribute, SimModuleConfigBody(config_.moduleConfig));
    Send(SimCmd::kAttribute, SimWifiBody(config_.wifi));
    Send(SimCmd::kAttribute, SimServerAddressBody(config_.wifi));
    Send(SimCmd::kAttribute, SimReconnectBody(config_.wifi.reconnectSel));
    Send(SimCmd::kPatientInfo, SimPatientInfoBody(config_.patient));
}

void SimMonitor::Loop() {
    const auto interval =
        std::chrono::milliseconds(config_.keepAliveMs > 0 ? config_.keepAliveMs : 1000);
    auto nextKeepAlive = Clock::now() + interval;
    while (!stop_.load()) {
        int wait = kSliceMs;
        if (!config_.silent) {
            wait = std::min(wait, MillisUntil(nextKeepAlive));
        }
        const int r = link_.Receive(wait);
        WatchHalfOpen();
        if (r < 0) {
            record_.Update([](SimSnapshot& s) { s.peerClosed = true; });
            Emit("connection closed by the tool");
            return;
        }
        {
            const SimRecord::Hold hold(record_);
            link_.TakeFrames([this](const std::uint8_t* frame, std::size_t length) {
                return OnFrame(frame, length);
            });
            if (!dropNow_) {
                CheckUpgradeTimeout();
            }
        }
        if (dropNow_) {
            link_.Close();
            record_.Update([](SimSnapshot& s) { s.dropped = true; });
            Emit("dropped the connection on purpose");
            return;
        }
        if (!config_.silent && Clock::now() >= nextKeepAlive) {
            if (Send(config_.keepAliveCommand, SimBytes{0})) {
                record_.Update([](SimSnapshot& s) { ++s.keepAlivesSent; });
            }
            nextKeepAlive += interval;
            if (nextKeepAlive < Clock::now()) {
                nextKeepAlive = Clock::now() + interval;  // fell behind: do not burst
            }
        }
    }
}

void SimMonitor::FloodLoop() {
    Emit("flooding upgrade requests without reading");
    const SimUpgradePuller::Request count;  // the file-count request
    const SimBytes body = SimUpgradeRequestBody(count.fileSerial, count.serialNum);
    while (!stop_.load()) {
        // Bounded: a tool that let go of the connection may leave it with a shut window rather
        // than a reset, and this monitor never reads to see the close.
        if (!link_.SendFrameWithin(SimCmd::kUpgradeRequest, body, kFloodSendTimeoutMs)) {
            record_.Update([](SimSnapshot& s) { s.peerClosed = true; });
            Emit("connection closed by the tool, or it takes no more requests");
            return;
        }
        record_.Update([](SimSnapshot& s) { ++s.framesSent; });
    }
}

bool SimMonitor::SendResult(std::uint32_t command, bool ok, std::uint16_t detail) {
    return Send(SimCmd::kCommandResult,
                SimCommandResultBody(command, ok ? kStatusOk : kStatusFailed, detail));
}

bool SimMonitor::OnFrame(const std::uint8_t* frame, std::size_t length) {
    record_.Update([](SimSnapshot& s) { ++s.framesReceived; });
    const CmpPacketHead head = ReadCmpHead(frame);
    SimOrder order;
    order.cmd = head.cmd;
    order.serial = head.serial;
    // Kept only for what the monitor treats as an order, not for every upgrade answer.
    if (head.cmd != SimCmd::kConnectSuccess && head.cmd != SimCmd::kUpgradeRequest &&
        head.cmd != SimCmd::kUpgradeData) {
        order.frame.assign(frame, frame + length);
    }
    switch (head.cmd) {
        case SimCmd::kConnectSuccess:
            break;  // a repeated greeting needs no answer
        case SimCmd::kUpgradeRequest:
            OnInvitation(frame, length);
            break;
        case SimCmd::kUpgradeData:
            OnUpgradeData(frame, length);
            break;
        case SimCmd::kAttribute:
            OnAttributeOrder(frame, length, std::move(order));
            break;
        case SimCmd::kModuleSet:
            OnModuleSetOrder(frame, length, std::move(order));
            break;
        default: {
            // A hand-typed frame of a code the monitor does not know: acknowledged as failed.
            order.accepted = false;
            record_.Update([&](SimSnapshot& s) { s.orders.push_back(order); });
            Emit("unknown command " + Hex4(head.cmd) + " refused");
            SendResult(head.cmd, false, 0);
            break;
        }
    }
    return !dropNow_;
}

void SimMonitor::OnAttributeOrder(const std::uint8_t* frame, std::size_t length, SimOrder order) {
    const std::size_t bodyLength = length - kCmpHeadSize;
    const std::uint8_t* body = frame + kCmpHeadSize;
    order.item = bodyLength >= 2 ? ReadLe16(body) : 0;
    const std::uint8_t* v = body + 2;
    std::size_t need = 0;
    switch (order.item) {
        case SimItem::kDeviceName:
            need = 52;
            break;
        case SimItem::kWifi:
            need = 2 + kSimWifiValueSize;
            break;
        case SimItem::kServerAddress:
            need = 8;
            break;
        case SimItem::kReconnectTime:
            need = 3;
            break;
        default:
            need = 0;  // not an item the monitor can be ordered to change
            break;
    }
    bool ok = need != 0 && bodyLength >= need && !config_.refuseOrders;
    SimBytes report;
    if (ok) {
        SimWifiSettings& w = config_.wifi;
        switch (order.item) {
            case SimItem::kDeviceName:
                config_.deviceName = SimFieldText(v, 49);
                report = SimDeviceNameBody(config_.deviceName);
                break;
            case SimItem::kWifi:
                w.ssid = SimFieldText(v, 39);
                w.authen = v[40];
                w.password = SimFieldText(v + 41, 39);
                w.roamThreshold = static_cast<std::int16_t>(ReadLe16(v + 81));
                w.roamSwitch = v[83];
                w.wifiPower = v[84];
                std::copy(v + 85, v + 89, w.deviceIp.begin());
                w.ipAccess = v[89];
                w.reserved = v[90];
                w.channel = v[91];
                report = SimWifiBody(w);
                break;
            case SimItem::kServerAddress:
                std::copy(v, v + 4, w.serverIp.begin());
                w.serverPort = ReadLe16(v + 4);
                report = SimServerAddressBody(w);
                break;
            case SimItem::kReconnectTime:
                w.reconnectSel = v[0];
                report = SimReconnectBody(w.reconnectSel);
                break;
            default:
                break;
        }
    }
    order.accepted = ok;
    record_.Update([&](SimSnapshot& s) {
        s.orders.push_back(order);
        s.deviceName = config_.deviceName;
        s.wifi = config_.wifi;
    });
    Emit("order " + Hex4(SimCmd::kAttribute) + " item " + Hex4(order.item) + " serial " +
         std::to_string(order.serial) + (ok ? " accepted" : " refused"));
    SendResult(SimCmd::kAttribute, ok, order.item);
    if (ok && config_.reportAfterOrder && !report.empty()) {
        Send(SimCmd::kAttribute, report);
    }
}

void SimMonitor::OnModuleSetOrder(const std::uint8_t* frame, std::size_t length, SimOrder order) {
    const bool ok = length >= kCmpHeadSize + kSimModuleSlots && !config_.refuseOrders;
    if (ok) {
        std::copy(frame + kCmpHeadSize, frame + kCmpHeadSize + kSimModuleSlots,
                  config_.loadedModules.begin());
    }
    order.accepted = ok;
    record_.Update([&](SimSnapshot& s) {
        s.orders.push_back(order);
        s.loadedModules = config_.loadedModules;
    });
    Emit("order " + Hex4(SimCmd::kModuleSet) + " serial " + std::to_string(order.serial) +
         (ok ? " accepted" : " refused"));
    SendResult(SimCmd::kModuleSet, ok, 0);
    if (ok && config_.reportAfterOrder) {
        Send(SimCmd::kModuleSet, SimModuleSetBody(config_.loadedModules));
    }
}

void SimMonitor::OnInvitation(const std::uint8_t* frame, std::size_t length) {
    if (length < kCmpHeadSize + 1 || frame[kCmpHeadSize] != 1) {
        return;
    }
    record_.Update([](SimSnapshot& s) { ++s.invitations; });
    if (puller_.Active()) {
        return;  // the tool keeps inviting until our first request arrives
    }
    if (config_.dropAfterPieces == 0) {
        dropNow_ = true;
        return;
    }
    Emit("upgrade invitation: asking for the file count");
    record_.Update([](SimSnapshot& s) {
        s.upgrading = true;
        s.pullStartedAt = Clock::now();
    });
    SendRequest(puller_.Start());
}

void SimMonitor::HoldForLink() {
    if (config_.linkDelayMs <= 0) {
        return;
    }
    // A sleeping thread wakes late (about 0.1 ms on a busy virtual machine, 5 % of a 2 ms
    // link); aiming ahead by the lateness seen so far keeps the holds at D on average, so the
    // simulator's own timer does not count as the tool's delay.
    const auto delay = std::chrono::microseconds(config_.linkDelayMs * 1000);
    const auto due = Clock::now() + delay - holdLateness_;
    while (!stop_.load()) {
        const auto slice = Clock::now() + std::chrono::milliseconds(kSliceMs);
        if (slice >= due) {
            std::this_thread::sleep_until(due);
            break;
        }
        std::this_thread::sleep_until(slice);
    }
    const auto late = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - due);
    // A long stall (the machine busy elsewhere) says nothing about the timer: bounded.
    const auto sample = std::clamp(late, std::chrono::microseconds(0), delay / 4);
    holdLateness_ += (sample - holdLateness_) / 8;
}

void SimMonitor::SendRequest(const SimUpgradePuller::Request& request) {
    HoldForLink();
    requestSentAt_ = Clock::now();
    requestDeadline_ = requestSentAt_ + std::chrono::milliseconds(config_.pieceTimeoutMs);
    record_.Update([&](SimSnapshot& s) {
        s.requests.push_back(SimPieceRequest{request.fileSerial, request.serialNum});
    });
    Send(SimCmd::kUpgradeRequest, SimUpgradeRequestBody(request.fileSerial, request.serialNum));
}

void SimMonitor::OnUpgradeData(const std::uint8_t* frame, std::size_t length) {
    const auto data = SimParseUpgradeData(frame, length);
    if (!data || !puller_.Active()) {
        record_.Update([](SimSnapshot& s) { ++s.strayAnswers; });
        return;
    }
    const SimUpgradePuller::Reply reply = puller_.OnData(*data);
    if (reply.step == SimUpgradePuller::Step::Stray) {
        record_.Update([](SimSnapshot& s) { ++s.strayAnswers; });
        return;
    }
    requestTries_ = 0;
    const auto waited =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - requestSentAt_);
    record_.Update([&](SimSnapshot& s) {
        s.slowestAnswerMs = std::max<std::int64_t>(s.slowestAnswerMs, waited.count() / 1000);
        s.answerWaitsUs.push_back(static_cast<std::uint32_t>(
            std::min<std::int64_t>(waited.count(), std::numeric_limits<std::uint32_t>::max())));
    });
    if (reply.headerPiece) {
        progressQuarter_ = 0;
        Emit("file " + std::to_string(puller_.CurrentFile()) + "/" +
             std::to_string(puller_.FileCount()) + ": " + std::to_string(puller_.PieceCount()) +
             " pieces");
    }
    std::uint64_t pulled = 0;
    if (reply.dataPiece) {
        record_.Update([&](SimSnapshot& s) {
            ++s.piecesPulled;
            s.bytesPulled += data->countOrLength <= kSimPieceSize ? data->countOrLength : 0;
            pulled = s.piecesPulled;
        });
        if (!reply.fileDone) {
            const int n = puller_.PieceCount();
            const int k = reply.next.serialNum - 1;  // pieces of this file received so far
            const int quarter = n > 0 ? k * 4 / n : 0;
            if (quarter > progressQuarter_) {
                progressQuarter_ = quarter;
                Emit("file " + std::to_string(puller_.CurrentFile()) + ": " + std::to_string(k) +
                     "/" + std::to_string(n) + " pieces");
            }
        }
    }
    if (reply.fileDone) {
        const SimFileResult f = *reply.fileDone;
        record_.Update([&](SimSnapshot& s) {
            s.files.push_back(f);
            ++(f.verified ? s.filesVerified : s.filesFailed);
        });
        Emit("file " + std::to_string(f.fileSerial) + " '" + f.name + "' " +
             std::to_string(f.size) + " bytes: " +
             (f.verified ? "digest verified"
                         : "DIGEST FAILED (expected '" + f.expectedDigest + "', got '" +
                               f.actualDigest + "')"));
    }
    if (config_.dropAfterPieces >= 0 &&
        pulled >= static_cast<std::uint64_t>(config_.dropAfterPieces) && reply.dataPiece) {
        dropNow_ = true;
        return;
    }
    if (reply.step == SimUpgradePuller::Step::Next) {
        if (reply.dataPiece && config_.pieceWriteMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(config_.pieceWriteMs));
        }
        SendRequest(reply.next);
    } else {
        FinishUpgrade();
    }
}

void SimMonitor::FinishUpgrade() {
    const bool ok = puller_.Succeeded();
    record_.Update([&](SimSnapshot& s) {
        ++(ok ? s.upgradesSucceeded : s.upgradesFailed);
        s.pullEndedAt = Clock::now();
        s.upgrading = false;
        if (!ok) {
            s.lastError = puller_.FailureReason();
        }
    });
    Emit(ok ? "upgrade finished: all files verified"
            : "upgrade FAILED: " + puller_.FailureReason());
    SendResult(SimCmd::kUpgradeRequest, ok, 0);
    if (config_.leaveAfterUpgrade) {
        dropNow_ = true;  // as a monitor that reboots into its new firmware
    }
}

void SimMonitor::CheckUpgradeTimeout() {
    if (!puller_.Active() || Clock::now() < requestDeadline_) {
        return;
    }
    if (requestTries_ < config_.pieceRetries) {
        ++requestTries_;
        record_.Update([](SimSnapshot& s) { ++s.requestRetries; });
        SendRequest(puller_.Current());
        return;
    }
    puller_.Abort("no answer to upgrade request");
    FinishUpgrade();
}
