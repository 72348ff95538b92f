#include "MonitorPeer.h"

#include <array>
#include <cerrno>
#include <chrono>

#include "LoopbackTestSupport.h"
#include "SimMonitorConfig.h"
#include "TcpState.h"
#include "TestBytes.h"
#include "platform/TcpConnect.h"

SimBytes HandshakeBytes(const GUID& guid, std::uint8_t minor, bool withType) {
    SimMonitorConfig c;
    c.protocolVersion = {1, minor, 0, 0};
    SimBytes bytes = SimBuildFrame(SimCmd::kProtocolVersion, 1, SimVersionBody(c));
    if (withType) {
        bytes = Concat({bytes, SimBuildFrame(SimCmd::kConnectType, 2, SimConnectTypeBody(c))});
    }
    SimBytes guidBody = SimGuidBody(guid);
    if (minor < 2) {
        guidBody.resize(147, 0);  // older monitors carry their bed number at byte 146
        guidBody[146] = 7;
    }
    return Concat({bytes, SimBuildFrame(SimCmd::kPatientGuid, 3, guidBody)});
}

GUID KeyOf(GUID guid) {
    guid.Data1 = 0;
    return guid;
}

bool MonitorPeer::Connect(int port, const std::string& from) {
    sock_ = ConnectTcp("127.0.0.1", port, 2000, from);
    if (!sock_) {
        return false;
    }
    Ipv4Endpoint local;
    LocalEndpoint(sock_.get(), local);
    localPort_ = HostPort(local);
    return true;
}

bool MonitorPeer::ReadGreeting() {
    std::array<std::uint8_t, 16> buf{};
    return ReadGreetingBytes(sock_.get(), buf) && buf[0] == 16 && buf[2] == 2;
}

bool MonitorPeer::Send(const SimBytes& bytes) {
    return SocketSendAll(sock_.get(), bytes.data(), bytes.size()) ==
           static_cast<long>(bytes.size());
}

bool MonitorPeer::TakenBy(int serverPort) {
    return WaitUntil([&] { return UnreadTcpBytes(serverPort, localPort_) == 0; },
                     std::chrono::milliseconds(2000));
}

bool MonitorPeer::SendByteByByte(const SimBytes& bytes, int serverPort) {
    for (std::uint8_t b : bytes) {
        if (SocketSendAll(sock_.get(), &b, 1) != 1 || !TakenBy(serverPort)) {
            return false;
        }
    }
    return true;
}

MonitorPeer::End MonitorPeer::WaitForEnd(int waitMs) {
    std::array<std::uint8_t, 4096> scratch{};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < until) {
        if (WaitReadable(sock_.get(), 20) != 1) {
            continue;
        }
        const long n = SocketRecv(sock_.get(), scratch.data(), scratch.size());
        if (n == 0) {
            return End::Orderly;
        }
        if (n < 0) {
            return LastSocketError() == ECONNRESET ? End::Reset : End::Orderly;
        }
    }
    return End::StillOpen;
}
