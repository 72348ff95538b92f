#pragma once
// Between the neutral endpoint and the socket API's IPv4 address, and name resolution, for the
// platform's socket sources only (the core never includes this).
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstring>
#include <string>

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

// A dotted address as it stands, otherwise the first IPv4 address the name resolves to.
inline bool ResolveIpv4(const std::string& host, sockaddr_in& out) {
    std::uint32_t ip = 0;
    if (ParseDottedIpv4(host, ip)) {
        out.sin_addr.s_addr = ip;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    std::memcpy(&out.sin_addr, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr,
                sizeof(out.sin_addr));
    ::freeaddrinfo(found);
    return true;
}
