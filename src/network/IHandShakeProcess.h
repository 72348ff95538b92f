#pragma once
// The handshake a session runs on a freshly accepted connection before serving it.
#include <cstdint>

#include "platform/SocketAddr.h"

class IHandShakeProcess {
  public:
    virtual ~IHandShakeProcess() = default;
    // Runs the whole handshake on the connection. Returns true when it failed.
    virtual bool Process(ConnectionInfo* connection) = 0;
    // Greets the monitor with the PC's local date and time (seconds since 1970 UTC).
    virtual void SendConnectSuccess(ConnectionInfo* connection, std::int64_t time) = 0;
};
