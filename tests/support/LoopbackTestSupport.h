#pragma once
// What the loopback integration tests share: polling for a condition with a deadline, and
// server settings with ephemeral ports on 127.0.0.1 and every long pause cut short.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

#include "network/NetworkListenManager.h"
#include "platform/Socket.h"

// True as soon as condition() holds; false when it still fails after timeout.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

NetworkListenSettings LoopbackTestSettings(int recvTimeoutMs = 3000);

// Reads the tool's 16-byte greeting; false when it does not come whole within 2 s.
bool ReadGreetingBytes(SocketHandle sock, std::array<std::uint8_t, 16>& greeting);
