#include "SimLink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "platform/TcpConnect.h"

namespace {

constexpr std::size_t kReceiveChunk = 4096;
// A spacer of 64 bytes starts with the byte 0x40, so the junk byte before it reads as a length
// of at least 0x4000, which is more than any receiver window holds.
constexpr std::size_t kSpacerBody = 56;

}  // namespace

SimLink::SimLink() = default;

bool SimLink::Connect(const std::string& host, int port, int totalMs, int retryMs,
                      const std::atomic<bool>& stop, const std::string& localAddress) {
    Close();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
    while (!stop.load()) {
        const auto now = std::chrono::steady_clock::now();
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count());
        if (left <= 0) {
            return false;
        }
        socket_ = ConnectTcp(host, port, std::min(left, 1000), localAddress);
        if (socket_) {
            SetNoDelay(socket_.get(), true);
            return true;
        }
        // Refused at once (the tool may not listen yet): wait a little, watching the stop flag.
        const auto retryAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(retryMs);
        while (!stop.load() && std::chrono::steady_clock::now() < std::min(retryAt, deadline)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return false;
}

void SimLink::LimitReceiveBuffer(int bytes) {
    if (socket_) {
        SetRecvBufferSize(socket_.get(), bytes);
    }
}

UniqueSocket SimLink::Abandon() {
    UniqueSocket taken(socket_.release());
    Close();
    return taken;
}

void SimLink::Close() {
    socket_ = UniqueSocket();
    recvTimeoutMs_ = 0;
    pending_.clear();
}

bool SimLink::SendBytes(const std::uint8_t* data, std::size_t length, bool byteByByte) {
    if (!socket_) {
        return false;
    }
    if (!byteByByte) {
        return SocketSendAll(socket_.get(), data, length) == static_cast<long>(length);
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (SocketSendAll(socket_.get(), data + i, 1) != 1) {
            return false;
        }
    }
    return true;
}

bool SimLink::SendFrame(std::uint16_t cmd, const SimBytes& body, bool byteByByte) {
    if (!socket_ || body.empty() || body.size() > kCmpMaxBody) {
        return false;
    }
    const std::uint16_t serial = serial_++;
    if (byteByByte) {
        const SimBytes frame = SimBuildFrame(cmd, serial, body);
        return SendBytes(frame.data(), frame.size(), true);
    }
    std::vector<std::uint8_t> buffer(kCmpHeadSize + body.size());
    std::copy(body.begin(), body.end(), buffer.begin() + kCmpHeadSize);
    SocketHandle handle = socket_.get();
    return SendCmpControlCommand(buffer.data(), static_cast<std::uint16_t>(body.size()), cmd,
                                 handle, serial) == 1;
}

bool SimLink::SendFrameWithin(std::uint16_t cmd, const SimBytes& body, int timeoutMs) {
    if (!socket_ || body.empty() || body.size() > kCmpMaxBody) {
        return false;
    }
    const SimBytes frame = SimBuildFrame(cmd, serial_++, body);
    return SocketSendAll(socket_.get(), frame.data(), frame.size(), timeoutMs) ==
           static_cast<long>(frame.size());
}

int SimLink::SendJunk(std::mt19937& rng, std::uint16_t spacerCmd, bool byteByByte) {
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> value(0x40, 0xFF);
    std::vector<std::uint8_t> junk(static_cast<std::size_t>(count(rng)));
    for (std::uint8_t& b : junk) {
        b = static_cast<std::uint8_t>(value(rng));
    }
    if (!SendBytes(junk.data(), junk.size(), byteByByte)) {
        return -1;
    }
    if (!SendFrame(spacerCmd, SimBytes(kSpacerBody, 0), byteByByte)) {
        return -1;
    }
    return static_cast<int>(junk.size());
}

int SimLink::Receive(int timeoutMs) {
    if (!socket_) {
        return -1;
    }
    if (timeoutMs <= 0) {
        // A receive time-out of zero would mean "wait for ever": only look.
        const int ready = WaitReadable(socket_.get(), 0);
        if (ready == 0) {
            return 0;
        }
        if (ready < 0) {
            return LastSocketError() == EINTR ? 0 : -1;
        }
    } else if (timeoutMs != recvTimeoutMs_) {
        // The wait is the socket's receive time-out rather than a poll before every read: one
        // system call per answer instead of two. Set again only when the wait changes.
        if (!SetRecvTimeout(socket_.get(), timeoutMs)) {
            return -1;
        }
        recvTimeoutMs_ = timeoutMs;
    }
    std::uint8_t chunk[kReceiveChunk];
    const long got = SocketRecv(socket_.get(), chunk, sizeof chunk);
    if (got > 0) {
        pending_.insert(pending_.end(), chunk, chunk + got);
        return 1;
    }
    const int err = got < 0 ? LastSocketError() : 0;
    if (got < 0 && (err == EINTR || err == EAGAIN || err == RecvTimeoutError())) {
        return 0;  // interrupted, or the receive time-out ran out
    }
    endedByReset_ = got < 0 && err == ECONNRESET;
    return -1;
}

void SimLink::TakeFrames(const FrameCutter::Consumer& consumer) {
    // The consumer may send or even close the link; it works on a window the link no longer owns.
    std::vector<std::uint8_t> window;
    window.swap(pending_);
    const std::size_t used = cutter_.Cut(window.data(), window.size(), consumer);
    if (!socket_) {
        return;
    }
    window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(used));
    // An unconsumed tail can never exceed one frame; anything longer is noise.
    if (window.size() > 2 * kMaxFrame) {
        window.clear();
    }
    pending_.swap(window);
}
