#include "platform/TcpConnect.h"

#include "platform/SockaddrConv.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

UniqueSocket ConnectTcp(const std::string& host, int port, int timeoutMs,
                        const std::string& localAddress) {
    if (port <= 0 || port > 65535) {
        return UniqueSocket();
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!ResolveIpv4(host, addr)) {
        return UniqueSocket();
    }
    UniqueSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) {
        return UniqueSocket();
    }
    if (!localAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (!ResolveIpv4(localAddress, local) ||
            ::bind(s.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
            return UniqueSocket();
        }
    }
    const int flags = ::fcntl(s.get(), F_GETFL, 0);
    if (flags < 0 || ::fcntl(s.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        return UniqueSocket();
    }
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (errno != EINPROGRESS) {
            return UniqueSocket();
        }
        pollfd pfd{};
        pfd.fd = s.get();
        pfd.events = POLLOUT;
        int r;
        do {
            r = ::poll(&pfd, 1, timeoutMs);
        } while (r < 0 && errno == EINTR);
        if (r <= 0) {
            return UniqueSocket();
        }
        int error = 0;
        socklen_t size = sizeof(error);
        if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
            return UniqueSocket();
        }
    }
    if (::fcntl(s.get(), F_SETFL, flags) != 0) {
        return UniqueSocket();
    }
    return s;
}
