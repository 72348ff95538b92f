#pragma once
// Completes a frame's header in the caller's buffer and sends the whole frame. Every frame to a
// connected monitor goes through the MonitorObject overloads: they hold the monitor's send lock
// from reading its socket to the last byte, so frames of two threads never interleave and no
// frame reaches a descriptor number that a later connection reuses; and they bound the send in
// time, so a monitor that stops reading cannot hold the sending thread.
#include <cstddef>
#include <cstdint>

#include "platform/SocketAddr.h"

class MonitorObject;

// pHead: writable buffer of at least bodyLength + 8 bytes, body already at offset 8.
// Returns 1 when the whole frame went out, -1 otherwise (missing buffer: nothing sent).
int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial);
// The same to the monitor's current connection (see SendFrameToMonitor).
int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          MonitorObject& monitor, std::uint16_t serial);

// Sends a finished frame to the monitor's current connection within its send time-out.
// Returns 1 when all of it went out, -1 otherwise. A send that fails or runs out of time shuts
// the connection down: the monitor counts as gone and its session ends as for a closed
// connection. Nothing is sent once the session has let go of the connection.
int SendFrameToMonitor(MonitorObject& monitor, const void* frame, std::size_t length);
