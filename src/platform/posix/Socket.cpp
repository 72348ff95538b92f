#include "platform/Socket.h"

#include "platform/SockaddrConv.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

namespace {

int MillisLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until the socket can take more bytes or the deadline passes: 1 writable, 0 timed out,
// -1 error.
int WaitWritable(SocketHandle s, std::chrono::steady_clock::time_point deadline) {
    pollfd pfd{};
    pfd.fd = s;
    pfd.events = POLLOUT;
    for (;;) {
        const int r = ::poll(&pfd, 1, MillisLeft(deadline));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        return r < 0 ? -1 : (r == 0 ? 0 : 1);  // hung up or in error: the send reports which
    }
}

}  // namespace

long SocketSendAll(SocketHandle s, const void* data, std::size_t length, int timeoutMs) {
    if (length == 0) {
        return 0;
    }
    if (s == kInvalidSocket || data == nullptr) {
        errno = EBADF;
        return -1;
    }
    const bool bounded = timeoutMs >= 0;
    // Bounded writes never block inside send: a full socket is waited on with poll, so the
    // whole frame shares one deadline however the kernel splits it.
    const int flags = MSG_NOSIGNAL | (bounded ? MSG_DONTWAIT : 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const char* p = static_cast<const char*>(data);
    std::size_t left = length;
    while (left > 0) {
        const ssize_t n = ::send(s, p, left, flags);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (bounded && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // The deadline is checked here too: poll may call a socket writable that still
                // has no room for these bytes.
                const int ready =
                    std::chrono::steady_clock::now() < deadline ? WaitWritable(s, deadline) : 0;
                if (ready == 0) {
                    errno = ETIMEDOUT;
                }
                if (ready <= 0) {
                    return -1;
                }
                continue;
            }
            return -1;
        }
        if (n == 0) {
            return -1;  // no progress: treat as a failed connection rather than spin
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return static_cast<long>(length);
}

long SocketRecv(SocketHandle s, void* buffer, std::size_t length) {
    return static_cast<long>(::recv(s, buffer, length, 0));
}

int LastSocketError() {
    return errno;
}

void CloseSocket(SocketHandle& s) {
    if (s != kInvalidSocket) {
        ::close(s);
        s = kInvalidSocket;
    }
}

void ShutdownSocket(SocketHandle s) {
    if (s != kInvalidSocket) {
        ::shutdown(s, SHUT_RDWR);
    }
}

void InterruptReceive(SocketHandle s) {
    if (s != kInvalidSocket) {
        ::shutdown(s, SHUT_RD);
    }
}

void ResetSocket(SocketHandle& s) {
    if (s != kInvalidSocket) {
        const linger l{1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
        CloseSocket(s);
    }
}

bool SetRecvTimeout(SocketHandle s, int milliseconds) {
    timeval tv{};
    if (milliseconds > 0) {
        tv.tv_sec = milliseconds / 1000;
        tv.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    }
    return ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) == 0;
}

bool SetRecvBufferSize(SocketHandle s, int bytes) {
    return ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes)) == 0;
}

bool SetNoDelay(SocketHandle s, bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &value, sizeof(value)) == 0;
}

int WaitReadable(SocketHandle s, int timeoutMs) {
    if (s == kInvalidSocket) {
        errno = EBADF;
        return -1;
    }
    pollfd pfd{};
    pfd.fd = s;
    pfd.events = POLLIN;
    for (;;) {
        const int r = ::poll(&pfd, 1, timeoutMs);
        if (r < 0 && errno == EINTR) {
            continue;  // a signal is no reason to report a timeout early
        }
        if (r <= 0) {
            return r;
        }
        if ((pfd.revents & POLLNVAL) != 0) {
            errno = EBADF;
            return -1;
        }
        return 1;  // readable, hung up or in error: the next call reports which
    }
}

bool LocalEndpoint(SocketHandle s, Ipv4Endpoint& local) {
    sockaddr_in a{};
    socklen_t size = sizeof(a);
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        return false;
    }
    local = FromSockaddr(a);
    return true;
}

int RecvTimeoutError() {
    return EAGAIN;
}

SocketHandle OpenListeningSocket() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s == -1) {
        return kInvalidSocket;
    }
    // A restart while old connections sit in TIME_WAIT must still bind; a live listener still
    // makes the bind fail.
    const int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    return s;
}

bool BindSocket(SocketHandle s, const Ipv4Endpoint& local) {
    const sockaddr_in addr = ToSockaddr(local);
    return ::bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
}

bool ListenOnSocket(SocketHandle s, int backlog) {
    // Linux quietly caps any larger value at net.core.somaxconn.
    return ::listen(s, backlog < 0 ? INT_MAX : backlog) == 0;
}

SocketHandle AcceptConnection(SocketHandle listener, Ipv4Endpoint& peer) {
    sockaddr_in from{};
    socklen_t size = sizeof(from);
    int s;
    do {
        // accept4 never passes O_NONBLOCK on to the new socket: it blocks.
        s = ::accept4(listener, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    peer = FromSockaddr(from);
    return s < 0 ? kInvalidSocket : s;
}

bool IsTransientAcceptError(int err) {
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR || err == ECONNABORTED ||
           err == EPROTO || err == ENETDOWN || err == ENOPROTOOPT || err == EHOSTDOWN ||
           err == ENONET || err == EHOSTUNREACH || err == EOPNOTSUPP || err == ENETUNREACH;
}

long SocketRecvNow(SocketHandle s, void* buffer, std::size_t length) {
    return static_cast<long>(::recv(s, buffer, length, MSG_DONTWAIT));
}
