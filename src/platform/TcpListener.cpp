#include "platform/TcpListener.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>

bool TcpListener::Open(const std::string& address, int port, int backlog) {
    Close();
    local_ = sockaddr_in{};
    if (port < 0 || port > 65535) {
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (address.empty()) {
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return false;
    }
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
    socklen_t size = sizeof(local_);
    if (::getsockname(s.get(), reinterpret_cast<sockaddr*>(&local_), &size) != 0) {
        local_ = sockaddr_in{};
        return false;
    }
    socket_ = std::move(s);
    return true;
}

UniqueSocket TcpListener::Accept(sockaddr_in* peer) const {
    sockaddr_in from{};
    socklen_t size = sizeof(from);
    int s;
    do {
        s = ::accept4(socket_.get(), reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    if (s >= 0 && peer != nullptr) {
        *peer = from;
    }
    return UniqueSocket(s);
}
