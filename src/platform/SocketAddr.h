#pragma once
// A socket with its IPv4 address, and the record of one accepted connection.
#include <netinet/in.h>

using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;

struct SocketAddr {
    SocketHandle sock = kInvalidSocket;
    sockaddr_in addr{};  // port and address in network byte order
    int type = 0;        // listening type of the port the socket belongs to
};

struct ConnectionInfo {
    SocketAddr peer;      // the accepted socket and the monitor's address
    SocketAddr listener;  // the listening socket and its own address
};
