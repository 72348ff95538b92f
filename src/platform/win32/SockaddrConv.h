#pragma once
// Between the neutral endpoint and the Winsock address. Private to the Windows sources.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/SocketAddr.h"

inline sockaddr_in ToSockaddr(const Ipv4Endpoint& e) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = e.port;
    a.sin_addr.s_addr = e.ip;
    return a;
}

inline Ipv4Endpoint FromSockaddr(const sockaddr_in& a) {
    return Ipv4Endpoint{a.sin_addr.s_addr, a.sin_port};
}
