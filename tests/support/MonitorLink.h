#pragma once
// A monitor's connection for tests: a connected loopback pair whose near end goes to the code
// under test as the monitor's socket, while the test reads and writes the far end as the
// monitor would.
#include <cstddef>

#include "TestBytes.h"
#include "platform/Socket.h"

class MonitorLink {
  public:
    MonitorLink();
    explicit operator bool() const { return near_ && far_; }

    SocketHandle Near() const { return near_.get(); }
    SocketHandle Far() const { return far_.get(); }
    // Closes the far end, as a monitor that hangs up.
    void CloseFar() { far_ = UniqueSocket(); }

    // Exactly n bytes from the far end; false when they do not all come, each wait bounded by
    // waitMs.
    bool ReadExactly(std::size_t n, Bytes& out, int waitMs = 2000) const;
    // The next whole frame by its length field (empty when none came whole in time).
    Bytes ReadFrame(int waitMs = 2000) const;
    // True when a byte waits on the far end within timeoutMs.
    bool HasData(int timeoutMs = 0) const { return WaitReadable(far_.get(), timeoutMs) == 1; }
    bool Send(const Bytes& bytes) const;

  private:
    UniqueSocket near_;
    UniqueSocket far_;
};
