#include "platform/SocketPoller.h"

#include "platform/SockaddrConv.h"
#include "platform/Socket.h"
#include "platform/win32/SocketStartup.h"

#include <vector>

namespace {

// A UDP socket on 127.0.0.1 connected to itself: Wake sends it a byte, which makes it readable
// for WSAPoll. Non-blocking, so draining stops when it is empty.
SocketHandle OpenWakeSocket() {
    UniqueSocket s(NewSocket(SOCK_DGRAM, IPPROTO_UDP));
    if (!s) {
        return kInvalidSocket;
    }
    const SOCKET sock = static_cast<SOCKET>(s.get());
    Ipv4Endpoint loopback;
    loopback.ip = HostToNet32(0x7F000001);
    sockaddr_in addr = ToSockaddr(loopback);
    int size = sizeof(addr);
    u_long nonBlocking = 1;
    if (::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &size) != 0 ||
        ::connect(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::ioctlsocket(sock, FIONBIO, &nonBlocking) != 0) {
        return kInvalidSocket;
    }
    return s.release();
}

}  // namespace

struct SocketPoller::Impl {
    UniqueSocket wake;
    std::vector<WSAPOLLFD> fds;  // [0] is the wake socket
    bool woken = false;
};

SocketPoller::SocketPoller() : impl_(std::make_unique<Impl>()) {
    impl_->wake = UniqueSocket(OpenWakeSocket());
    Clear();
}

SocketPoller::~SocketPoller() = default;

bool SocketPoller::IsValid() const {
    return static_cast<bool>(impl_->wake);
}

void SocketPoller::Clear() {
    impl_->fds.clear();
    WSAPOLLFD wake{};
    // WSAPoll ignores entries whose socket is INVALID_SOCKET.
    wake.fd = static_cast<SOCKET>(impl_->wake.get());
    wake.events = POLLRDNORM;
    impl_->fds.push_back(wake);
}

std::size_t SocketPoller::Add(SocketHandle s) {
    WSAPOLLFD entry{};
    entry.fd = static_cast<SOCKET>(s);
    entry.events = POLLRDNORM;
    impl_->fds.push_back(entry);
    return impl_->fds.size() - 2;
}

std::size_t SocketPoller::Size() const {
    return impl_->fds.size() - 1;
}

int SocketPoller::Wait(int timeoutMs) {
    impl_->woken = false;
    for (WSAPOLLFD& p : impl_->fds) {
        p.revents = 0;
    }
    const int ready = ::WSAPoll(impl_->fds.data(), static_cast<ULONG>(impl_->fds.size()),
                                timeoutMs < 0 ? -1 : timeoutMs);
    if (ready > 0 && impl_->fds[0].revents != 0) {
        impl_->woken = true;
        char scratch[64];
        while (::recv(impl_->fds[0].fd, scratch, sizeof(scratch), 0) > 0) {
        }
    }
    return ready == SOCKET_ERROR ? -1 : ready;
}

unsigned SocketPoller::Events(std::size_t index) const {
    const SHORT r = index + 1 < impl_->fds.size() ? impl_->fds[index + 1].revents : 0;
    unsigned events = 0;
    // WSAPoll reports a peer's orderly close as POLLHUP alone; poll's POLLIN covers it, and a
    // receive then reads the end of stream either way.
    events |= (r & (POLLRDNORM | POLLHUP)) != 0 ? kReadable : 0;
    events |= (r & POLLHUP) != 0 ? kHangUp : 0;
    events |= (r & (POLLERR | POLLNVAL)) != 0 ? kError : 0;
    return events;
}

bool SocketPoller::Woken() const {
    return impl_->woken;
}

void SocketPoller::Wake() {
    if (impl_->wake) {
        const char one = 1;
        ::send(static_cast<SOCKET>(impl_->wake.get()), &one, 1, 0);
    }
}
