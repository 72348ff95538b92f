#pragma once
// The kernel's view of one TCP connection of this machine, read from Linux's /proc/net/tcp
// (under Wine through drive Z:): its state, so a test can tell a reset connection (gone at once)
// from one closed in order and still lingering in a closing state, and its unread bytes.

inline constexpr int kTcpGone = 0;      // no such connection any more
inline constexpr int kTcpFinWait1 = 4;  // FIN sent, not yet acknowledged
inline constexpr int kTcpFinWait2 = 5;  // FIN acknowledged, waiting for the peer's
inline constexpr int kTcpUnknown = -1;  // the table cannot be read here

// The state of the connection from localPort to remotePort on the loopback interface.
int TcpStateOf(int localPort, int remotePort);

// Bytes waiting unread in the receive queue of the connection from localPort to remotePort; -1
// when it is not listed or the table cannot be read. Zero right after a send to the tool means
// the tool has taken those bytes with receives of their own.
long UnreadTcpBytes(int localPort, int remotePort);
