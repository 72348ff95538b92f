#include "network/SendCmpData.h"

#include <cstddef>

#include "foundation/Log.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "platform/Socket.h"

int SendCmpControlCommand(void* pHeadBuffer, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial) {
    // The names make the recorded check texts read as the documented ones.
    std::uint8_t* const pHead = static_cast<std::uint8_t*>(pHeadBuffer);
    const unsigned len = bodyLength;
    ASSERT_LOG_AT(pHead != NULL, "SendCmpControlCommand", 38);
    ASSERT_LOG_AT((len > 0) && (len < 1448), "SendCmpControlCommand", 39);
    if (pHead == nullptr) {
        return -1;
    }

    const std::uint16_t frameLength = static_cast<std::uint16_t>(len + kCmpHeadSize);
    WriteLe16(pHead, frameLength);
    WriteLe16(pHead + 2, command);
    WriteLe16(pHead + 4, serial);
    WriteLe16(pHead + 6, 0);
    WriteLe16(pHead + 6, static_cast<std::uint16_t>(CmpChecksum(pHead, frameLength)));

    const long sent = SocketSendAll(socket, pHead, frameLength);
    return sent == static_cast<long>(frameLength) ? 1 : -1;
}

int SendCmpControlCommand(void* pHead, std::uint16_t bodyLength, std::uint16_t command,
                          SocketHandle& socket, std::uint16_t serial, std::mutex& sendLock) {
    std::lock_guard<std::mutex> lock(sendLock);
    return SendCmpControlCommand(pHead, bodyLength, command, socket, serial);
}
