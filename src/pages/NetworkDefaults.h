#pragma once
// Addresses the pages offer before the user types any. The PC serves the monitors on the
// Windows hosted network (192.168.137.0/24); the access point page gives the PC the server
// address, and the network page offers host .1 of the same network as a monitor's address.
inline constexpr char kDefaultServerIp[] = "192.168.137.100";
inline constexpr char kDefaultDeviceIp[] = "192.168.137.1";
