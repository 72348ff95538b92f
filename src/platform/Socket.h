#pragma once
// TCP sockets behind one small seam: BSD sockets on Linux, Winsock 2 on Windows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/SocketAddr.h"

// Writes all `length` bytes, looping over partial writes and EINTR; never raises SIGPIPE.
// Returns length, or -1 when the connection failed before everything went out.
// timeoutMs >= 0 bounds the whole write: a peer that stops reading makes it fail (-1, error
// ETIMEDOUT) once that time has passed, whatever part of the bytes went out. timeoutMs < 0
// waits as long as the connection lives.
long SocketSendAll(SocketHandle s, const void* data, std::size_t length, int timeoutMs = -1);
// One receive call (recv semantics): >0 bytes, 0 closed, -1 error.
long SocketRecv(SocketHandle s, void* buffer, std::size_t length);
// The calling thread's last socket error number.
int LastSocketError();
// Closes the socket and sets it to kInvalidSocket; harmless on kInvalidSocket.
void CloseSocket(SocketHandle& s);
// Ends both directions of the connection without closing the descriptor: a receive blocked on
// it returns, later sends fail. Harmless on kInvalidSocket.
void ShutdownSocket(SocketHandle s);

// Makes a receive blocked on the socket return, and later receives report the end, without
// sending the peer anything (no FIN): for a connection that is to be reset next. Harmless on
// kInvalidSocket.
void InterruptReceive(SocketHandle s);

// Closes with a reset instead of an orderly close (no lingering), as a peer that vanishes does,
// and sets it to kInvalidSocket. Harmless on kInvalidSocket.
void ResetSocket(SocketHandle& s);

bool SetRecvTimeout(SocketHandle s, int milliseconds);
bool SetRecvBufferSize(SocketHandle s, int bytes);
bool SetNoDelay(SocketHandle s, bool on);

// Waits with poll / WSAPoll (any descriptor number) until the socket is readable (data, a pending
// connection, or the peer's close). Returns 1 readable, 0 timed out, -1 error.
// timeoutMs < 0 waits without limit.
int WaitReadable(SocketHandle s, int timeoutMs);

// Dotted form of an IPv4 address in network byte order, and the port in host byte order.
inline std::string DottedAddress(const Ipv4Endpoint& addr) {
    return FormatDottedIpv4(addr.ip);
}
inline int HostPort(const Ipv4Endpoint& addr) {
    return NetToHost16(addr.port);
}
// The address and port a socket is bound to. False when it cannot be asked.
bool LocalEndpoint(SocketHandle s, Ipv4Endpoint& local);

// The error number a receive reports when the socket's receive time-out runs out (EAGAIN on
// Linux, ETIMEDOUT on Windows).
int RecvTimeoutError();

// A TCP socket for listening: non-blocking (readiness can be stale by the time accept runs),
// not inherited by child processes. Linux lets a restart bind while old connections sit in
// TIME_WAIT; Windows takes the port exclusively, so no other program can bind it too. Either
// way a live listener makes a second bind fail. kInvalidSocket on failure.
SocketHandle OpenListeningSocket();
bool BindSocket(SocketHandle s, const Ipv4Endpoint& local);
// A backlog of kSystemMaxBacklog asks for the largest queue the system allows.
inline constexpr int kSystemMaxBacklog = -1;
bool ListenOnSocket(SocketHandle s, int backlog);
// Takes one pending connection from a listening socket, repeating an interrupted call. The new
// socket blocks and is not inherited by child processes; peer receives its address. Returns
// kInvalidSocket when none was taken (LastSocketError() says why).
SocketHandle AcceptConnection(SocketHandle listener, Ipv4Endpoint& peer);
// An accept error that only says a pending connection vanished before it was taken: no failure
// of the listener.
bool IsTransientAcceptError(int err);
// One receive that never blocks: >0 bytes, 0 closed, -1 error (EAGAIN: nothing waits).
long SocketRecvNow(SocketHandle s, void* buffer, std::size_t length);

// Owns one socket descriptor.
class UniqueSocket {
  public:
    UniqueSocket() = default;
    explicit UniqueSocket(SocketHandle s) : s_(s) {}
    ~UniqueSocket() { CloseSocket(s_); }
    UniqueSocket(UniqueSocket&& o) noexcept : s_(o.release()) {}
    UniqueSocket& operator=(UniqueSocket&& o) noexcept {
        if (this != &o) {
            CloseSocket(s_);
            s_ = o.release();
        }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    SocketHandle get() const { return s_; }
    SocketHandle release() {
        SocketHandle s = s_;
        s_ = kInvalidSocket;
        return s;
    }
    explicit operator bool() const { return s_ != kInvalidSocket; }

  private:
    SocketHandle s_ = kInvalidSocket;
};
