#include "platform/Socket.h"

#include "platform/SockaddrConv.h"
#include "platform/win32/SocketStartup.h"

#include <cerrno>
#include <chrono>

namespace {

constexpr DWORD kNoInherit = 0x80;  // WSA_FLAG_NO_HANDLE_INHERIT

int MillisLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits with WSAPoll for one event: 1 ready (or hung up / in error), 0 timed out, -1 error.
int PollOne(SocketHandle s, SHORT events, int timeoutMs) {
    WSAPOLLFD pfd{};
    pfd.fd = static_cast<SOCKET>(s);
    pfd.events = events;
    const int r = ::WSAPoll(&pfd, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (r <= 0) {
        return r < 0 ? -1 : 0;
    }
    if ((pfd.revents & POLLNVAL) != 0) {
        ::WSASetLastError(WSAENOTSOCK);
        return -1;
    }
    return 1;
}

bool SetSendTimeout(SocketHandle s, int milliseconds) {
    const DWORD ms = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    return ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_SNDTIMEO,
                        reinterpret_cast<const char*>(&ms), sizeof(ms)) == 0;
}

}  // namespace

bool StartSockets() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SocketHandle NewSocket(int type, int protocol) {
    if (!StartSockets()) {
        return kInvalidSocket;
    }
    SOCKET s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | kNoInherit);
    if (s == INVALID_SOCKET) {
        // Systems without the flag refuse it: take the socket and clear inheritance instead.
        s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
        if (s != INVALID_SOCKET) {
            ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
        }
    }
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

void SetSocketErrorFromErrno(int errnoValue) {
    int code = errnoValue;
    switch (errnoValue) {
        case ETIMEDOUT:
            code = WSAETIMEDOUT;
            break;
        case EBADF:
            code = WSAENOTSOCK;
            break;
        case EAGAIN:
            code = WSAEWOULDBLOCK;
            break;
        case EINTR:
            code = WSAEINTR;
            break;
        default:
            break;
    }
    ::WSASetLastError(code);
}

long SocketSendAll(SocketHandle s, const void* data, std::size_t length, int timeoutMs) {
    if (length == 0) {
        return 0;
    }
    if (s == kInvalidSocket || data == nullptr) {
        SetSocketErrorFromErrno(EBADF);
        return -1;
    }
    const bool bounded = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const SOCKET sock = static_cast<SOCKET>(s);
    // Winsock has no per-call "don't wait" and a shared socket must stay blocking for its
    // reader, so a bounded send waits for room with WSAPoll and carries the time left as the
    // socket's send time-out, in case the room was smaller than the chunk. A socket with room
    // takes the bytes even when this thread got to run only after the deadline (a busy
    // machine): only a peer that leaves no room times out.
    bool timeoutSet = false;
    const char* p = static_cast<const char*>(data);
    std::size_t left = length;
    while (left > 0) {
        if (bounded) {
            // past the deadline, a look without waiting
            const int ready = PollOne(s, POLLWRNORM, MillisLeft(deadline));
            if (ready <= 0) {
                if (ready == 0) {
                    SetSocketErrorFromErrno(ETIMEDOUT);
                }
                break;
            }
            // 0 would mean no time-out at all
            const int remaining = MillisLeft(deadline);
            if (!SetSendTimeout(s, remaining > 0 ? remaining : 1)) {
                break;
            }
            timeoutSet = true;
        }
        const int chunk = left > 0x10000 ? 0x10000 : static_cast<int>(left);
        const int n = ::send(sock, p, chunk, 0);
        if (n == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEINTR) {
                continue;
            }
            break;
        }
        if (n == 0) {
            break;  // no progress: treat as a failed connection rather than spin
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (timeoutSet) {
        const int saved = ::WSAGetLastError();
        SetSendTimeout(s, 0);
        ::WSASetLastError(saved);
    }
    return left == 0 ? static_cast<long>(length) : -1;
}

long SocketRecv(SocketHandle s, void* buffer, std::size_t length) {
    const int n = static_cast<int>(length > 0x7FFFFFFF ? 0x7FFFFFFF : length);
    const int got = ::recv(static_cast<SOCKET>(s), static_cast<char*>(buffer), n, 0);
    return got == SOCKET_ERROR ? -1 : static_cast<long>(got);
}

int LastSocketError() {
    const int code = ::WSAGetLastError();
    switch (code) {
        case 0:
            return 0;
        case WSAEINTR:
            return EINTR;
        case WSAEWOULDBLOCK:
            return EAGAIN;
        case WSAETIMEDOUT:
            return ETIMEDOUT;
        case WSAECONNRESET:
            return ECONNRESET;
        case WSAECONNABORTED:
            return ECONNABORTED;
        case WSAECONNREFUSED:
            return ECONNREFUSED;
        case WSAENOTSOCK:
            return EBADF;
        case WSAEBADF:
            return EBADF;
        case WSAEINVAL:
            return EINVAL;
        case WSAEFAULT:
            return EFAULT;
        case WSAEMFILE:
            return EMFILE;
        case WSAENOBUFS:
            return ENOBUFS;
        case WSAEINPROGRESS:
            return EINPROGRESS;
        case WSAEALREADY:
            return EALREADY;
        case WSAENOTCONN:
            return ENOTCONN;
        case WSAESHUTDOWN:
            return EPIPE;
        case WSAEADDRINUSE:
            return EADDRINUSE;
        case WSAEADDRNOTAVAIL:
            return EADDRNOTAVAIL;
        case WSAEACCES:
            return EACCES;
        case WSAENETDOWN:
            return ENETDOWN;
        case WSAENETUNREACH:
            return ENETUNREACH;
        case WSAENETRESET:
            return ENETRESET;
        case WSAEHOSTUNREACH:
            return EHOSTUNREACH;
        case WSAEMSGSIZE:
            return EMSGSIZE;
        case WSAEOPNOTSUPP:
            return EOPNOTSUPP;
        case WSAEISCONN:
            return EISCONN;
        default:
            return code;
    }
}

void CloseSocket(SocketHandle& s) {
    if (s != kInvalidSocket) {
        ::closesocket(static_cast<SOCKET>(s));
        s = kInvalidSocket;
    }
}

void ShutdownSocket(SocketHandle s) {
    if (s != kInvalidSocket) {
        ::shutdown(static_cast<SOCKET>(s), SD_BOTH);
        // A receive already blocked on the socket is not woken by the shutdown alone: cancel
        // it. Its caller then finds the socket shut down on the next call.
        ::CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
    }
}

void InterruptReceive(SocketHandle s) {
    if (s != kInvalidSocket) {
        ::shutdown(static_cast<SOCKET>(s), SD_RECEIVE);
        ::CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
    }
}

void ResetSocket(SocketHandle& s) {
    if (s != kInvalidSocket) {
        linger l{};
        l.l_onoff = 1;
        l.l_linger = 0;
        ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_LINGER,
                     reinterpret_cast<const char*>(&l), sizeof(l));
        CloseSocket(s);
    }
}

bool SetRecvTimeout(SocketHandle s, int milliseconds) {
    const DWORD ms = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    return ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVTIMEO,
                        reinterpret_cast<const char*>(&ms), sizeof(ms)) == 0;
}

bool SetRecvBufferSize(SocketHandle s, int bytes) {
    return ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVBUF,
                        reinterpret_cast<const char*>(&bytes), sizeof(bytes)) == 0;
}

bool SetNoDelay(SocketHandle s, bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return ::setsockopt(static_cast<SOCKET>(s), IPPROTO_TCP, TCP_NODELAY,
                        reinterpret_cast<const char*>(&value), sizeof(value)) == 0;
}

int WaitReadable(SocketHandle s, int timeoutMs) {
    if (s == kInvalidSocket) {
        SetSocketErrorFromErrno(EBADF);
        return -1;
    }
    return PollOne(s, POLLRDNORM, timeoutMs);
}

bool LocalEndpoint(SocketHandle s, Ipv4Endpoint& local) {
    sockaddr_in a{};
    int size = sizeof(a);
    if (::getsockname(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
        a.sin_family != AF_INET) {
        return false;
    }
    local = FromSockaddr(a);
    return true;
}

int RecvTimeoutError() {
    return ETIMEDOUT;
}

SocketHandle OpenListeningSocket() {
    const SocketHandle s = NewSocket(SOCK_STREAM, IPPROTO_TCP);
    if (s == kInvalidSocket) {
        return kInvalidSocket;
    }
    // The port is this program's alone: without it another program could bind the same port
    // and take connections meant for us. TIME_WAIT does not stop such a bind on Windows.
    const BOOL one = TRUE;
    u_long nonBlocking = 1;
    if (::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                     reinterpret_cast<const char*>(&one), sizeof(one)) != 0 ||
        ::ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &nonBlocking) != 0) {
        ::closesocket(static_cast<SOCKET>(s));
        return kInvalidSocket;
    }
    return s;
}

bool BindSocket(SocketHandle s, const Ipv4Endpoint& local) {
    const sockaddr_in addr = ToSockaddr(local);
    return ::bind(static_cast<SOCKET>(s), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) ==
           0;
}

bool ListenOnSocket(SocketHandle s, int backlog) {
    // SOMAXCONN lets Winsock choose its largest queue.
    return ::listen(static_cast<SOCKET>(s), backlog < 0 ? SOMAXCONN : backlog) == 0;
}

SocketHandle AcceptConnection(SocketHandle listener, Ipv4Endpoint& peer) {
    sockaddr_in from{};
    int size = sizeof(from);
    SOCKET s;
    do {
        s = ::accept(static_cast<SOCKET>(listener), reinterpret_cast<sockaddr*>(&from), &size);
    } while (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINTR);
    peer = FromSockaddr(from);
    if (s == INVALID_SOCKET) {
        return kInvalidSocket;
    }
    // An accepted socket takes the listener's non-blocking mode and inheritance: undo both.
    u_long blocking = 0;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    if (::ioctlsocket(s, FIONBIO, &blocking) != 0) {
        const int saved = ::WSAGetLastError();
        ::closesocket(s);
        ::WSASetLastError(saved);
        return kInvalidSocket;
    }
    return static_cast<SocketHandle>(s);
}

bool IsTransientAcceptError(int err) {
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR || err == ECONNABORTED ||
           err == ECONNRESET || err == ENETDOWN || err == EHOSTUNREACH || err == ENETUNREACH ||
           err == EOPNOTSUPP;
}

long SocketRecvNow(SocketHandle s, void* buffer, std::size_t length) {
    // Only called when WSAPoll reported the socket: look again without waiting, so a stale
    // report can never block the caller in recv.
    const int ready = PollOne(s, POLLRDNORM, 0);
    if (ready <= 0) {
        if (ready == 0) {
            SetSocketErrorFromErrno(EAGAIN);
        }
        return -1;
    }
    return SocketRecv(s, buffer, length);
}
