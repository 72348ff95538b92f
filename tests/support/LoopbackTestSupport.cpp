#include "LoopbackTestSupport.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "TempDir.h"

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

long UnreadTcpBytes(int localPort, int remotePort) {
    // "sl local_address rem_address st tx_queue:rx_queue ...", addresses as HEXIP:HEXPORT
    std::istringstream table(ReadFileText("/proc/net/tcp"));
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues;
        if (!(fields >> slot >> local >> remote >> state >> queues)) {
            continue;
        }
        const auto port = [](const std::string& address) {
            const std::size_t colon = address.find(':');
            return colon == std::string::npos
                       ? -1
                       : static_cast<int>(std::strtol(address.c_str() + colon + 1, nullptr, 16));
        };
        const std::size_t colon = queues.find(':');
        if (colon != std::string::npos && port(local) == localPort && port(remote) == remotePort) {
            return std::strtol(queues.c_str() + colon + 1, nullptr, 16);
        }
    }
    return -1;
}
