#pragma once
// One listening TCP socket, closed with the object. Waits with poll, never select.
#include <string>

#include "platform/Socket.h"

class TcpListener {
  public:
    TcpListener() = default;
    TcpListener(TcpListener&&) noexcept = default;
    TcpListener& operator=(TcpListener&&) noexcept = default;

    // Binds to a dotted IPv4 address ("" or "0.0.0.0": any) and port (0: an ephemeral one)
    // as OpenListeningSocket sets it up, and listens. Closes any socket held before. False on
    // failure, also when another listener holds the port.
    bool Open(const std::string& address, int port, int backlog = 128);
    void Close() { socket_ = UniqueSocket(); }
    bool IsOpen() const { return static_cast<bool>(socket_); }

    SocketHandle Handle() const { return socket_.get(); }
    // The bound address and port (host order), as the kernel reports them.
    const Ipv4Endpoint& LocalAddr() const { return local_; }
    int LocalPort() const { return HostPort(local_); }

    // 1 when a connection is pending, 0 on timeout, -1 on error (timeoutMs < 0: no limit).
    int WaitReadable(int timeoutMs) const { return ::WaitReadable(socket_.get(), timeoutMs); }
    // Accepts one connection (blocking); empty on failure. peer receives its address if given.
    UniqueSocket Accept(Ipv4Endpoint* peer = nullptr) const;

  private:
    UniqueSocket socket_;
    Ipv4Endpoint local_{};
};
