#pragma once
// A hand-driven monitor connection to the tool's server over loopback, for tests that need
// exact bytes on the wire or a peer that misbehaves in a way the simulator does not; and the
// handshake frames such a peer sends.
#include <cstdint>
#include <string>

#include "SimMessages.h"
#include "foundation/Guid.h"
#include "platform/Socket.h"

// The monitor's announcement: version 1.minor, connect type 1 (left out when !withType) and the
// GUID frame (below version 1.2 with the bed number 7 at byte 146).
SimBytes HandshakeBytes(const GUID& guid, std::uint8_t minor = 2, bool withType = true);
// The identity the tool keeps for a GUID: its first part cleared.
GUID KeyOf(GUID guid);

class MonitorPeer {
  public:
    // How the tool ended the connection, as this end sees it.
    enum class End { Reset, Orderly, StillOpen };

    // from: a dotted local address to connect from (another host on loopback); empty for any.
    bool Connect(int port, const std::string& from = std::string());
    bool ConnectAndGreet(int port) { return Connect(port) && ReadGreeting(); }
    // Reads the 16-byte greeting.
    bool ReadGreeting();
    bool Send(const SimBytes& bytes);
    // True once the tool has taken all that was sent, so the next send is a receive of its own.
    bool TakenBy(int serverPort);
    // Each byte its own receive for the tool.
    bool SendByteByByte(const SimBytes& bytes, int serverPort);
    // Reads and drops what comes until the tool ends the connection or waitMs pass.
    End WaitForEnd(int waitMs);
    // True when the server closed the connection within the time.
    bool ClosedByServer(int timeoutMs) { return WaitForEnd(timeoutMs) != End::StillOpen; }
    void Close() { sock_ = UniqueSocket(); }
    // Closes with a zero linger time: a reset instead of a FIN, as a monitor that vanishes.
    void Reset() {
        SocketHandle s = sock_.release();
        ResetSocket(s);
    }
    SocketHandle Socket() const { return sock_.get(); }
    int LocalPort() const { return localPort_; }

  private:
    UniqueSocket sock_;
    int localPort_ = 0;
};
