#pragma once
// Between the neutral endpoint and the BSD socket address.
#include <netinet/in.h>

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
