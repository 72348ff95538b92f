#include "platform/TcpConnect.h"

#include "platform/SockaddrConv.h"
#include "platform/win32/SocketStartup.h"

#include <cstring>

UniqueSocket ConnectTcp(const std::string& host, int port, int timeoutMs,
                        const std::string& localAddress) {
    if (port <= 0 || port > 65535 || !StartSockets()) {
        return UniqueSocket();
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = HostToNet16(static_cast<std::uint16_t>(port));
    if (!ResolveIpv4(host, addr)) {
        return UniqueSocket();
    }
    UniqueSocket s(NewSocket(SOCK_STREAM, IPPROTO_TCP));
    if (!s) {
        return UniqueSocket();
    }
    if (!localAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (!ResolveIpv4(localAddress, local) ||
            ::bind(static_cast<SOCKET>(s.get()), reinterpret_cast<const sockaddr*>(&local),
                   sizeof(local)) != 0) {
            return UniqueSocket();
        }
    }
    const SOCKET sock = static_cast<SOCKET>(s.get());
    u_long mode = 1;
    if (::ioctlsocket(sock, FIONBIO, &mode) != 0) {
        return UniqueSocket();
    }
    if (::connect(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            return UniqueSocket();
        }
        // A refused connection shows as POLLERR (or POLLHUP); SO_ERROR then says why.
        WSAPOLLFD pfd{};
        pfd.fd = sock;
        pfd.events = POLLWRNORM;
        const int r = ::WSAPoll(&pfd, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (r <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return UniqueSocket();
        }
        int error = 0;
        int size = sizeof(error);
        if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 ||
            error != 0) {
            return UniqueSocket();
        }
    }
    mode = 0;
    if (::ioctlsocket(sock, FIONBIO, &mode) != 0) {
        return UniqueSocket();
    }
    return s;
}
