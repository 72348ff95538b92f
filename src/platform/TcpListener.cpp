#include "platform/TcpListener.h"

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
    UniqueSocket s(OpenListeningSocket());
    if (!s || !BindSocket(s.get(), wanted) || !ListenOnSocket(s.get(), backlog)) {
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
    Ipv4Endpoint from;
    for (;;) {
        const SocketHandle s = AcceptConnection(socket_.get(), from);
        if (s != kInvalidSocket) {
            if (peer != nullptr) {
                *peer = from;
            }
            return UniqueSocket(s);
        }
        // The listening socket does not block: wait for the next connection instead.
        const int err = LastSocketError();
        if ((err != EAGAIN && err != EWOULDBLOCK) || WaitReadable(-1) != 1) {
            return UniqueSocket();
        }
    }
}
