#pragma once
// Winsock must be started once per process before the first socket call. Private to the
// Windows sources.
#include "platform/SocketAddr.h"

// Starts Winsock on first use (thread-safe) and leaves it running for the process's life.
// False when it could not be started.
bool StartSockets();

// A new TCP or UDP socket that child processes do not inherit (a listener handed on to netsh
// would keep its port bound). kInvalidSocket on failure.
SocketHandle NewSocket(int type, int protocol);

// Sets the calling thread's socket error that LastSocketError() then reports.
void SetSocketErrorFromErrno(int errnoValue);
