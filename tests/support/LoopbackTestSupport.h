#pragma once
// What the loopback integration tests share: polling for a condition with a deadline, and
// server settings with ephemeral ports on 127.0.0.1 and every long pause cut short.
#include <chrono>
#include <functional>

#include "network/NetworkListenManager.h"

// True as soon as condition() holds; false when it still fails after timeout.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

NetworkListenSettings LoopbackTestSettings(int recvTimeoutMs = 3000);
