#pragma once
// A socket with its IPv4 address, and the record of one accepted connection. Nothing here
// includes an operating-system header, so the core never sees windows.h or the BSD headers.
#include <bit>
#include <cstdint>
#include <string>

#ifdef _WIN32
// SOCKET is UINT_PTR and INVALID_SOCKET is ~0.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~std::uintptr_t{0};
#else
using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;
#endif

// Byte order of the wire (big-endian) from and to this machine's.
constexpr std::uint16_t HostToNet16(std::uint16_t v) {
    if constexpr (std::endian::native == std::endian::big) {
        return v;
    }
    return static_cast<std::uint16_t>((v >> 8) | (v << 8));
}
constexpr std::uint32_t HostToNet32(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) {
        return v;
    }
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
constexpr std::uint16_t NetToHost16(std::uint16_t v) {
    return HostToNet16(v);
}
constexpr std::uint32_t NetToHost32(std::uint32_t v) {
    return HostToNet32(v);
}

// An IPv4 address and port, both in network byte order as the socket calls give them.
struct Ipv4Endpoint {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
};

// Strict dotted a.b.c.d (four decimal numbers 0..255, no leading zeros, nothing else) into an
// address in network byte order. False when the text is not one.
bool ParseDottedIpv4(const std::string& dotted, std::uint32_t& networkOrder);
// The dotted form of an address in network byte order.
std::string FormatDottedIpv4(std::uint32_t networkOrder);

struct SocketAddr {
    SocketHandle sock = kInvalidSocket;
    Ipv4Endpoint addr{};
    int type = 0;  // listening type of the port the socket belongs to
};

struct ConnectionInfo {
    SocketAddr peer;      // the accepted socket and the monitor's address
    SocketAddr listener;  // the listening socket and its own address
};
