#pragma once
// Outgoing TCP connection with a bounded wait, for tools and tests.
#include <string>

#include "platform/Socket.h"

// Connects to an IPv4 host (dotted address or name) and port, waiting at most timeoutMs.
// The returned socket is blocking; it is empty when the connection failed. A dotted
// localAddress binds the near end to it first (a test's stand-in for another host).
UniqueSocket ConnectTcp(const std::string& host, int port, int timeoutMs,
                        const std::string& localAddress = std::string());
