#pragma once
// Completes a frame's header in the caller's buffer and sends the whole frame.
#include <cstdint>
#include <mutex>

#include "platform/SocketAddr.h"

// pHead: writable buffer of at least bodyLength + 8 bytes, body already at offset 8.
// Returns 1 when the whole frame went out, -1 otherwise (missing buffer: nothing sent).
int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial);
// The same, holding sendLock for the whole write so frames of two threads never interleave.
int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial, std::mutex& sendLock);
