#pragma once
// The monitor's end of one TCP connection: connecting with retries, sending frames (whole, byte
// by byte, or behind junk bytes) and cutting received bytes into frames. Used by one thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "SimMessages.h"
#include "network/FrameCutter.h"
#include "platform/Socket.h"

class SimLink {
  public:
    // The largest frame the monitor accepts; longer candidate lengths are stepped over.
    static constexpr std::size_t kMaxFrame = 16383;

    SimLink();

    // Tries to connect until it succeeds, totalMs ran out or stop is set.
    // A dotted localAddress binds the monitor's end to it (another host on loopback).
    bool Connect(const std::string& host, int port, int totalMs, int retryMs,
                 const std::atomic<bool>& stop, const std::string& localAddress = {});
    bool IsOpen() const { return static_cast<bool>(socket_); }
    void Close();
    // Gives up the connection without closing it: the socket is handed over as it is and the
    // link is left unconnected (a monitor that vanished from the network without a word).
    UniqueSocket Abandon();
    // Shrinks the socket's receive buffer (a monitor with little memory for the tool's data).
    void LimitReceiveBuffer(int bytes);

    // Sends one frame with the next serial number. False when the connection failed.
    bool SendFrame(std::uint16_t cmd, const SimBytes& body, bool byteByByte);
    // The same, giving up when the frame cannot go out within timeoutMs.
    bool SendFrameWithin(std::uint16_t cmd, const SimBytes& body, int timeoutMs);
    // Sends 1 to 8 junk bytes followed by a padded frame of spacerCmd. The junk bytes are
    // chosen so that no position in them reads as a frame length the tool would wait for
    // (every candidate length is above kMaxFrame), so the frames after them are never held up.
    // Returns the number of junk bytes sent, or -1 when the connection failed.
    int SendJunk(std::mt19937& rng, std::uint16_t spacerCmd, bool byteByByte);

    // Waits up to timeoutMs for data and keeps it. 1 data, 0 nothing yet, -1 closed or failed.
    int Receive(int timeoutMs);
    // Hands every complete frame received so far to consumer (false: stop after this frame).
    void TakeFrames(const FrameCutter::Consumer& consumer);

    std::uint16_t NextSerial() const { return serial_; }
    // Sends bytes that are no frame at all. False when the connection failed.
    bool SendRaw(const SimBytes& bytes) { return SendBytes(bytes.data(), bytes.size(), false); }
    // Whether the last Receive that reported the end saw a reset rather than an orderly close.
    bool EndedByReset() const { return endedByReset_; }

  private:
    bool SendBytes(const std::uint8_t* data, std::size_t length, bool byteByByte);

    UniqueSocket socket_;
    FrameCutter cutter_{kMaxFrame};
    std::vector<std::uint8_t> pending_;
    std::uint16_t serial_ = 1;
    int recvTimeoutMs_ = 0;  // the receive time-out set on socket_; 0: none (blocking)
    bool endedByReset_ = false;
};
