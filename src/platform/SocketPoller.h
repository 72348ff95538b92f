#pragma once
// Waits on many sockets at once (no descriptor-set limit) until one is readable, hung up or in
// error, and can be woken from another thread. poll plus an eventfd on Linux; WSAPoll plus a
// loopback datagram socket on Windows, since WSAPoll waits on sockets only.
#include <cstddef>
#include <memory>

#include "platform/SocketAddr.h"

class SocketPoller {
  public:
    // What Events() reports for a watched socket after Wait.
    static constexpr unsigned kReadable = 1;  // data, a pending connection or end of stream
    static constexpr unsigned kHangUp = 2;
    static constexpr unsigned kError = 4;  // in error, or not a socket

    SocketPoller();
    ~SocketPoller();
    SocketPoller(const SocketPoller&) = delete;
    SocketPoller& operator=(const SocketPoller&) = delete;

    // False when the wake channel could not be made; Wait still works but Wake does nothing.
    bool IsValid() const;

    // The set of sockets to watch, rebuilt by the waiting thread before each Wait.
    void Clear();
    // Returns the index Events() takes for this socket.
    std::size_t Add(SocketHandle s);
    std::size_t Size() const;

    // Waits until a watched socket has an event or Wake was called (timeoutMs < 0: no limit).
    // Returns the number of sockets with events plus 1 when woken, 0 on timeout, -1 on error
    // (LastSocketError() says which; EINTR is worth a retry). A wake is consumed here.
    int Wait(int timeoutMs);
    unsigned Events(std::size_t index) const;
    // Whether the last Wait returned because of Wake.
    bool Woken() const;

    // Any thread: makes the current or next Wait return.
    void Wake();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
