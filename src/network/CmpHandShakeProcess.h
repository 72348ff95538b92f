#pragma once
// The CMP handshake: greet the monitor with NET_CONNECT_SUCCESS, then read its protocol
// version, connect type and GUID. The session reads the public fields after Process.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

#include "foundation/Guid.h"
#include "network/FrameCutter.h"
#include "network/IHandShakeProcess.h"

class CmpHandShakeProcess : public IHandShakeProcess {
  public:
    static constexpr int kDefaultRecvTimeoutMs = 6000;
    static constexpr std::size_t kConnectSuccessLength = 16;
    // Largest window ParseHandShakeData accepts.
    static constexpr int kMaxWindow = 16384;
    // Receives land in the upper half of the buffer; the unconsumed tail is kept below it.
    static constexpr std::size_t kBufferSize = 1024;
    static constexpr std::size_t kRecvSize = 512;
    // A frame longer than the unconsumed area plus one receive can never be delivered.
    static constexpr std::size_t kMaxFrameLength = 511;
    static constexpr int kMaxPasses = 10;

    // recvTimeoutMs: the receive time-out put on the socket (it stays for the session).
    // deadlineMs: the whole handshake's bound, so a peer that sends a byte now and then cannot
    // hold the connection for every receive's time-out in turn.
    explicit CmpHandShakeProcess(int recvTimeoutMs = kDefaultRecvTimeoutMs,
                                 int deadlineMs = kDefaultRecvTimeoutMs);

    bool Process(ConnectionInfo* connection) override;
    void SendConnectSuccess(ConnectionInfo* connection, std::int64_t time) override;

    // Cuts the window into frames and handles them, stopping after the GUID frame.
    // Returns 0 with count = bytes consumed, or -1 (count unchanged) when the window is
    // missing or count is not within 1..16384.
    int ParseHandShakeData(std::uint8_t* window, int& count);
    // Takes the identity from a NET_PATIENT_GUID frame (header first, `len` bytes).
    void HandlePatientGuid(const std::uint8_t* frame);
    // 1 when a exceeds b by more than 0.0001, 2 when b exceeds a by more, else 0.
    static int CompareFloat(float a, float b);
    // The NET_CONNECT_SUCCESS frame for the given local time (serial 0, checksum filled in).
    static void BuildConnectSuccess(const std::tm& localTime,
                                    std::uint8_t (&out)[kConnectSuccessLength]);

    bool IsDone() const { return done_; }
    // True when the handshake ended for a time-out, a receive error or frames that never
    // brought a GUID, rather than for the peer's orderly close or a GUID the session refuses.
    bool DroppedForFault() const { return fault_ || (!done_ && !peerClosed_); }

    float ProtocolVersion = 1.0f;
    GUID KeyGuid = EmptyGuid();
    GUID PatientGuid{};
    int NetType = 0;
    int BedNo = 1;
    std::vector<std::uint8_t> Leftover;

  private:
    void HandleFrame(const std::uint8_t* frame, std::size_t length);

    bool done_ = false;
    bool fault_ = false;
    bool peerClosed_ = false;
    ConnectionInfo* connection_ = nullptr;
    int recvTimeoutMs_;
    int deadlineMs_;
    FrameCutter cutter_;
};
