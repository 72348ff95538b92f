#pragma once
// What a session shares with the owner of its thread: the accepted socket, so the owner can
// wake the session's blocked receives without racing the session's own close of the socket.
#include <atomic>
#include <functional>
#include <mutex>

#include "platform/SocketAddr.h"

class SessionControl {
  public:
    // onFinished runs on the session thread as its last step (may be empty).
    SessionControl(SocketHandle sock, std::function<void()> onFinished);

    // Session side: closes the socket once and clears `sock`; abortive closes with a reset.
    void CloseSocket(SocketHandle& sock, bool abortive = false);
    // Owner side: shuts the socket down so receives return; nothing once it is closed.
    void Shutdown();
    bool ShutdownRequested() const { return shutdown_.load(); }

    void MarkFinished();
    bool Finished() const { return finished_.load(); }

  private:
    std::mutex lock_;
    SocketHandle sock_;
    std::function<void()> onFinished_;
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> finished_{false};
};
