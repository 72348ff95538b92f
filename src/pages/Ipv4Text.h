#pragma once
// Dotted IPv4 text and 32-bit addresses in network byte order, as the pages show and send them.
#include <cstdint>
#include <string>

namespace Ipv4Text {

// Strict a.b.c.d; text that does not parse gives 255.255.255.255.
std::uint32_t Parse(const std::string& dotted);
std::string Format(std::uint32_t networkOrder);
// Usable as a host address: first and last numbers both in 1..254 (the middle two are free).
bool IsUsableHost(std::uint32_t networkOrder);

}  // namespace Ipv4Text
