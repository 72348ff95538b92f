#include "network/SessionControl.h"

#include <utility>

#include "platform/Socket.h"

SessionControl::SessionControl(SocketHandle sock, std::function<void()> onFinished)
    : sock_(sock), onFinished_(std::move(onFinished)) {}

void SessionControl::CloseSocket(SocketHandle& sock, bool abortive) {
    std::lock_guard<std::mutex> guard(lock_);
    if (sock != kInvalidSocket && sock == sock_) {
        sock_ = kInvalidSocket;
    }
    if (abortive) {
        ResetSocket(sock);
    } else {
        ::CloseSocket(sock);
    }
}

void SessionControl::Shutdown() {
    std::lock_guard<std::mutex> guard(lock_);
    shutdown_.store(true);
    if (sock_ != kInvalidSocket) {
        ShutdownSocket(sock_);
    }
}

void SessionControl::MarkFinished() {
    finished_.store(true);
    if (onFinished_) {
        onFinished_();
    }
}
