#include "network/CmpHandShakeProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "foundation/Log.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "platform/LocalTime.h"
#include "platform/Socket.h"

namespace {

constexpr std::uint16_t kNetConnectSuccess = 0x0002;
constexpr std::uint16_t kNetProtocolVersion = 0x0004;
constexpr std::uint16_t kNetConnectType = 0x0006;
constexpr std::uint16_t kNetPatientGuid = 0x0010;

// Body bytes each handler reads.
constexpr std::size_t kVersionBody = 4;
constexpr std::size_t kConnectTypeBody = 1;
constexpr std::size_t kGuidBody = 16;
constexpr std::size_t kOldBedNoOffset = 146;  // only monitors below version 1.2 carry it

constexpr int kRecvBufferBytes = 65536;

}  // namespace

CmpHandShakeProcess::CmpHandShakeProcess(int recvTimeoutMs, int deadlineMs)
    : recvTimeoutMs_(recvTimeoutMs), deadlineMs_(deadlineMs), cutter_(kMaxFrameLength) {}

bool CmpHandShakeProcess::Process(ConnectionInfo* connection) {
    if (connection == nullptr) {
        return true;
    }
    connection_ = connection;
    const SocketHandle sock = connection->peer.sock;
    SetRecvBufferSize(sock, kRecvBufferBytes);
    SendConnectSuccess(connection, static_cast<std::int64_t>(std::time(nullptr)));
    SetRecvTimeout(sock, recvTimeoutMs_);
    SetNoDelay(sock, true);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(deadlineMs_);
    int timeoutOnSocket = recvTimeoutMs_;

    std::uint8_t buffer[kBufferSize] = {};
    std::uint8_t* const recvArea = buffer + (kBufferSize - kRecvSize);
    std::size_t left = 0;
    int passes = 0;
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (remaining <= 0) {
            fault_ = true;
            TraceLog("LogSocketError:%s %d: error(%d,%d) \n", "CmpHandShakeProcess::Process", 649,
                     -1, RecvTimeoutError());
            return true;
        }
        // The last receive before the deadline waits only for what is left of it.
        const int wait = recvTimeoutMs_ > 0
                             ? static_cast<int>(std::min<long long>(recvTimeoutMs_, remaining))
                             : static_cast<int>(remaining);
        if (wait != timeoutOnSocket) {
            SetRecvTimeout(sock, wait);
            timeoutOnSocket = wait;
        }
        const long got = SocketRecv(sock, recvArea, kRecvSize);
        if (got <= 0) {
            const int error = LastSocketError();
            // Only an interrupted call is repeated. A closed connection (0) leaves errno as it
            // was, and EAGAIN on a blocking socket is the receive time-out: both end the
            // handshake.
            if (got < 0 && error == EINTR) {
                TraceLog("LogSocketError:%s %d: error(%d,%d) \n", "CmpHandShakeProcess::Process",
                         644, static_cast<int>(got), error);
                continue;
            }
            TraceLog("LogSocketError:%s %d: error(%d,%d) \n", "CmpHandShakeProcess::Process", 649,
                     static_cast<int>(got), error);
            peerClosed_ = got == 0;
            fault_ = !peerClosed_;
            return true;
        }
        std::uint8_t* window = recvArea - left;
        const std::size_t n = left + static_cast<std::size_t>(got);
        int count = static_cast<int>(n);
        if (ParseHandShakeData(window, count) != 0) {
            count = 0;
        }
        left = n - static_cast<std::size_t>(count);
        if (done_) {
            // Everything after the GUID frame belongs to the session, however long it is and
            // even on the last pass.
            Leftover.assign(window + count, window + n);
            return false;
        }
        if (passes++ >= kMaxPasses) {
            return false;
        }
        if (left >= kRecvSize) {
            left = 0;
        } else if (left > 0) {
            std::memmove(recvArea - left, window + count, left);
        }
    }
}

void CmpHandShakeProcess::BuildConnectSuccess(const std::tm& localTime,
                                              std::uint8_t (&out)[kConnectSuccessLength]) {
    std::memset(out, 0, sizeof(out));
    WriteLe16(out, static_cast<std::uint16_t>(kConnectSuccessLength));
    WriteLe16(out + 2, kNetConnectSuccess);
    std::uint8_t* body = out + kCmpHeadSize;
    WriteLe16(body, static_cast<std::uint16_t>(localTime.tm_year + 1900));
    body[2] = static_cast<std::uint8_t>(localTime.tm_mon + 1);
    body[3] = static_cast<std::uint8_t>(localTime.tm_mday);
    body[4] = static_cast<std::uint8_t>(localTime.tm_hour);
    body[5] = static_cast<std::uint8_t>(localTime.tm_min);
    body[6] = static_cast<std::uint8_t>(localTime.tm_sec);
    body[7] = static_cast<std::uint8_t>(localTime.tm_wday);
    WriteLe16(out + 6, static_cast<std::uint16_t>(
                           CmpChecksum(out, static_cast<std::int32_t>(kConnectSuccessLength))));
}

void CmpHandShakeProcess::SendConnectSuccess(ConnectionInfo* connection, std::int64_t time) {
    if (connection == nullptr) {
        return;
    }
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!ToLocalTime(t, local)) {
        return;
    }
    std::uint8_t frame[kConnectSuccessLength];
    BuildConnectSuccess(local, frame);
    SocketSendAll(connection->peer.sock, frame, sizeof(frame));
}

int CmpHandShakeProcess::ParseHandShakeData(std::uint8_t* window, int& count) {
    if (count <= 0 || window == nullptr || count > kMaxWindow) {
        return -1;
    }
    const std::size_t consumed = cutter_.Cut(window, static_cast<std::size_t>(count),
                                             [this](const std::uint8_t* frame, std::size_t length) {
                                                 HandleFrame(frame, length);
                                                 return !done_;
                                             });
    count = static_cast<int>(consumed);
    return 0;
}

void CmpHandShakeProcess::HandleFrame(const std::uint8_t* frame, std::size_t length) {
    const std::uint8_t* body = frame + kCmpHeadSize;
    const std::size_t bodyLength = length - kCmpHeadSize;
    switch (ReadLe16(frame + 2)) {
        case kNetProtocolVersion:
            TraceLog("NET_PROTOCOL_VERSION \n");
            if (bodyLength >= kVersionBody) {
                const double version = body[0] + body[1] * 0.1 + body[2] * 0.01 + body[3] * 0.001;
                ProtocolVersion = static_cast<float>(version);
            }
            break;
        case kNetConnectType:
            TraceLog("NET_NET_CONNECT_TYPE \n");
            if (bodyLength >= kConnectTypeBody) {
                NetType = body[0];
            }
            break;
        case kNetPatientGuid:
            TraceLog("NET_PATIENT_GUID \n");
            HandlePatientGuid(frame);
            break;
        default:
            break;
    }
}

void CmpHandShakeProcess::HandlePatientGuid(const std::uint8_t* frame) {
    if (frame == nullptr) {
        return;
    }
    const std::size_t length = ReadLe16(frame);
    if (length < kCmpHeadSize + kGuidBody) {
        return;
    }
    const std::uint8_t* body = frame + kCmpHeadSize;
    if (CompareFloat(ProtocolVersion, 1.2f) == 2) {
        if (length < kCmpHeadSize + kOldBedNoOffset + 1) {
            return;
        }
        BedNo = body[kOldBedNoOffset];
        GUID g{};
        g.Data1 = static_cast<std::uint32_t>(BedNo);
        KeyGuid = g;
        PatientGuid = g;
    } else {
        // the address is in network byte order: its last byte in memory is the address's last
        // octet.
        std::uint8_t octets[4] = {};
        if (connection_ != nullptr) {
            std::memcpy(octets, &connection_->peer.addr.ip, sizeof(octets));
        }
        BedNo = octets[3];
        GUID g{};
        g.Data1 = ReadLe32(body);
        g.Data2 = ReadLe16(body + 4);
        g.Data3 = ReadLe16(body + 6);
        std::memcpy(g.Data4, body + 8, sizeof(g.Data4));
        PatientGuid = g;
        g.Data1 = 0;
        KeyGuid = g;
    }
    done_ = true;
}

int CmpHandShakeProcess::CompareFloat(float a, float b) {
    if (a - b > 0.0001) {
        return 1;
    }
    if (b - a > 0.0001) {
        return 2;
    }
    return 0;
}
