#pragma once
// Everything one simulated monitor announces, reports and how it misbehaves on purpose.
#include <array>
#include <cstdint>
#include <string>

#include "foundation/Guid.h"

inline constexpr std::size_t kSimModuleSlots = 26;
using SimModuleMask = std::array<std::uint8_t, kSimModuleSlots>;

// The Wi-Fi report (attribute item 0x0053) and the server address (item 0x0056), as sent.
struct SimWifiSettings {
    std::string ssid = "ZR40-NET";      // at most 39 bytes of UTF-8 go out
    std::uint8_t authen = 3;            // 0 OPEN, 1 WEP, 2 WPA, 3 WPA2
    std::string password = "zr40pass";  // at most 39 bytes of UTF-8 go out
    std::int16_t roamThreshold = -65;   // dBm
    std::uint8_t roamSwitch = 1;
    std::uint8_t wifiPower = 0;
    std::array<std::uint8_t, 4> deviceIp{192, 168, 1, 101};  // a.b.c.d in that order
    std::uint8_t ipAccess = 0;                               // IP access mode index
    std::uint8_t reserved = 0;
    std::uint8_t channel = 0;  // 0 Auto, 1 to 13
    std::array<std::uint8_t, 4> serverIp{127, 0, 0, 1};
    std::uint16_t serverPort = 9500;
    std::uint8_t reconnectSel = 0;  // item 0x0059: 0 "5s", 1 "30s", 2 "60s", 3 "3min"
};

// The patient message (command 0x0011). Dates are calendar values (month 1 to 12).
struct SimPatientInfo {
    std::uint16_t bedNo = 1;
    std::uint8_t code1 = 1;
    std::uint8_t code2 = 0;
    std::uint8_t code3 = 0;
    float value1 = 170.0f;
    float value2 = 65.0f;
    std::uint8_t code4 = 0;
    std::uint16_t year1 = 1980;
    std::uint8_t month1 = 1;
    std::uint8_t day1 = 1;
    std::uint16_t year2 = 2026;
    std::uint8_t month2 = 1;
    std::uint8_t day2 = 1;
    std::string text1 = "Test Patient";  // each text: at most 63 bytes of UTF-8 go out
    std::string text2 = "SIM";
    std::string text3 = "";
    std::string text4 = "";
    std::string text5 = "";
    std::string text6 = "";
    float value3 = -1000.0f;
    float value4 = -1000.0f;
};

struct SimMonitorConfig {
    // Identity. Bytes 8..15 of the GUID must not be all zero or the tool rejects the monitor.
    GUID guid{0x5A523430, 0x0001, 0x0000, {'S', 'I', 'M', '0', 0x01, 0x01, 0x01, 0x01}};
    std::array<std::uint8_t, 4> protocolVersion{1, 2, 0, 0};  // 1.2
    std::uint8_t connectType = 1;

    // Reports sent right after the handshake.
    std::string deviceName = "Zr40";             // item 0x0050, at most 49 bytes go out
    std::string softwareVersion = "1.0.0";       // item 0x0003, at most 15 bytes go out
    std::string infoText1;                       // item 0x0001, sent only when not empty
    std::string infoText2;                       // item 0x0002, sent only when not empty
    SimModuleMask loadedModules{0, 1, 1, 0, 1};  // command 0x0012: ECG, RESP, SpO2
    SimModuleMask moduleConfig{0, 1, 1, 0, 1};   // item 0x0007
    SimWifiSettings wifi;
    SimPatientInfo patient;
    bool sendReports = true;
    // After accepting an order, report the changed value again as a real monitor would.
    bool reportAfterOrder = true;

    // Timing; all waits are bounded.
    int keepAliveMs = 1000;
    std::uint16_t keepAliveCommand =
        1;                         // NET_PACKET_ACK: any valid frame resets the tool's time-out
    int connectTimeoutMs = 10000;  // total time spent retrying the connection
    int connectRetryMs = 200;
    int greetingTimeoutMs = 10000;  // wait for NET_CONNECT_SUCCESS
    int pieceTimeoutMs = 3000;      // wait for one answer before asking again
    int pieceRetries = 3;           // requests repeated before the upgrade is given up
    int pieceWriteMs = 0;           // time taken to store a data piece before asking for the next
    // Each upgrade request is held this long before it goes out: the round trip of a ward's
    // Wi-Fi (2 to 10 ms), so a pull takes at least its requests times this.
    int linkDelayMs = 0;

    // Failure injection.
    bool refuseOrders = false;         // answer orders with a failure status
    int dropAfterPieces = -1;          // close the connection after this many data pieces
    bool leaveAfterUpgrade = false;    // close right after reporting the upgrade's result
    bool garbage = false;              // send junk bytes between frames (after the handshake)
    bool byteByByte = false;           // write each frame one byte per send (after the handshake)
    bool byteByByteHandshake = false;  // the same for the handshake frames too
    bool silent = false;               // no keep-alive: lets the tool's time-out end the session
    // Firmware that keeps talking but no longer reads: after the handshake and the reports,
    // upgrade requests go out back to back and nothing is received until the tool ends the
    // connection.
    bool floodRequests = false;
    // A monitor that reboots or loses Wi-Fi for a moment: after going online and sending its
    // reports, it neither sends nor reads on that connection and leaves it open, waits
    // halfOpenSilenceMs, then connects again with the same GUID.
    bool reconnectHalfOpen = false;
    int halfOpenSilenceMs = 2500;
    // A host that holds the tool's handshake: after the greeting it sends one byte that is no
    // frame every stallByteMs and never finishes, until the tool ends the connection.
    bool stallHandshake = false;
    int stallByteMs = 1000;
    std::string localAddress;  // dotted: connect from this address (another host on loopback)
    int recvBufferBytes = 0;  // above 0: the socket's receive buffer, so a full window comes sooner
    std::uint32_t seed = 1;   // for the junk bytes

    // A monitor of a fleet: a distinct GUID, device name and bed number derived from index
    // (0-based); salt tells fleets of different runs apart.
    static SimMonitorConfig ForIndex(const SimMonitorConfig& base, int index,
                                     const std::string& namePrefix, std::uint32_t salt = 0);
};
