#include "platform/TcpListener.h"

#include "platform/posix/SockaddrConv.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>

bool TcpListener::Open(const std::string& address, int port, int backlog) {
    Close();
    local_ = Ipv4Endpoint{};
    if (port < 0 || port > 65535) {
        return false;
    }
    Ipv4Endpoint wanted;
    wanted.port = HostToNet16(static_cast<std::uint16_t>(port));
    if (!address.empty() && !ParseDottedIpv4(address, wanted.ip)) {
        return false;
    }
    const sockaddr_in addr = ToSockaddr(wanted);
    UniqueSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) {
        return false;
    }
    // Lets a restart bind while old connections sit in TIME_WAIT; a live listener still wins.
    const int one = 1;
    if (::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0) {
        return false;
    }
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(s.get(), backlog) != 0) {
        return false;
    }
    if (!LocalEndpoint(s.get(), local_)) {
        local_ = Ipv4Endpoint{};
        return false;
    }
    socket_ = std::move(s);
    return true;
}

UniqueSocket TcpListener::Accept(Ipv4Endpoint* peer) const {
    sockaddr_in from{};
    socklen_t size = sizeof(from);
    int s;
    do {
        s = ::accept4(socket_.get(), reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    if (s >= 0 && peer != nullptr) {
        *peer = FromSockaddr(from);
    }
    return UniqueSocket(s);
}
