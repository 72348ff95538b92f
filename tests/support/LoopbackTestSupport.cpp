#include "LoopbackTestSupport.h"

#include <thread>

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

NetworkListenSettings LoopbackTestSettings(int recvTimeoutMs) {
    NetworkListenSettings s = NetworkListenSettings::Compact(0);
    s.bindAddress = "127.0.0.1";
    s.startPauseMs = 0;
    s.startReturnPauseMs = 0;
    s.bindRetryPauseMs = 5;
    s.acceptFailurePauseMs = 50;
    s.sessionRecvTimeoutMs = recvTimeoutMs;
    s.handshakeDeadlineMs = recvTimeoutMs;
    return s;
}

bool ReadGreetingBytes(SocketHandle sock, std::array<std::uint8_t, 16>& greeting) {
    std::size_t got = 0;
    while (got < greeting.size()) {
        if (WaitReadable(sock, 2000) != 1) {
            return false;
        }
        const long n = SocketRecv(sock, greeting.data() + got, greeting.size() - got);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}
