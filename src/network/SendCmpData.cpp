#include "network/SendCmpData.h"

#include <mutex>

#include "foundation/Log.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "platform/Socket.h"
#include "registry/MonitorObject.h"

namespace {

// Writes the header of a frame whose body is in place; returns the frame's length, 0 when
// there is no buffer.
std::uint16_t CompleteHeader(void* pHeadBuffer, std::uint16_t bodyLength, std::uint16_t command,
                             std::uint16_t serial) {
    // The names make the recorded check texts read as the documented ones.
    std::uint8_t* const pHead = static_cast<std::uint8_t*>(pHeadBuffer);
    const unsigned len = bodyLength;
    ASSERT_LOG_AT(pHead != NULL, "SendCmpControlCommand", 38);
    ASSERT_LOG_AT((len > 0) && (len < 1448), "SendCmpControlCommand", 39);
    if (pHead == nullptr) {
        return 0;
    }
    const std::uint16_t frameLength = static_cast<std::uint16_t>(len + kCmpHeadSize);
    WriteLe16(pHead, frameLength);
    WriteLe16(pHead + 2, command);
    WriteLe16(pHead + 4, serial);
    WriteLe16(pHead + 6, 0);
    WriteLe16(pHead + 6, static_cast<std::uint16_t>(CmpChecksum(pHead, frameLength)));
    return frameLength;
}

}  // namespace

int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial) {
    const std::uint16_t frameLength = CompleteHeader(pHead, bodyLength, command, serial);
    if (frameLength == 0) {
        return -1;
    }
    const long sent = SocketSendAll(socket, pHead, frameLength);
    return sent == static_cast<long>(frameLength) ? 1 : -1;
}

int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          MonitorObject& monitor, std::uint16_t serial) {
    const std::uint16_t frameLength = CompleteHeader(pHead, bodyLength, command, serial);
    if (frameLength == 0) {
        return -1;
    }
    return SendFrameToMonitor(monitor, pHead, frameLength);
}

int SendFrameToMonitor(MonitorObject& monitor, const void* frame, std::size_t length) {
    std::lock_guard<std::mutex> sending(monitor.SendLock());
    // Read under the lock: the session clears the socket under the same lock before it closes
    // the descriptor, so the number read here is still this monitor's connection.
    const SocketHandle socket = monitor.GetPeer().sock;
    if (socket == kInvalidSocket || monitor.ConnectionLost()) {
        return -1;
    }
    const long sent = SocketSendAll(socket, frame, length, monitor.GetSendTimeoutMs());
    if (sent == static_cast<long>(length)) {
        return 1;
    }
    // A half-sent frame leaves the stream unusable, and a monitor that stopped reading would
    // stall every later sender: the session ends the connection with a reset, even if the
    // monitor keeps sending. No FIN goes first: a peer that does not read would keep a closing
    // connection alive.
    monitor.MarkConnectionLost();
    InterruptReceive(socket);
    return -1;
}
