#include "platform/StopRequest.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

// Write end of the catching object's pipe, for the signal handler.
std::atomic<int> g_signalFd{-1};

void WriteByte(int fd) {
    if (fd != -1) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
}

void OnStopSignal(int) {
    WriteByte(g_signalFd.load());
}

}  // namespace

// A self-pipe: the handler only writes a byte, the waiting thread polls the read end.
struct StopRequest::Impl {
    int fds[2] = {-1, -1};
    bool catching = false;
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    struct sigaction oldPipe {};
};

StopRequest::StopRequest(bool) : impl_(std::make_unique<Impl>()) {
    if (::pipe2(impl_->fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        impl_->fds[0] = impl_->fds[1] = -1;
    }
}

StopRequest::~StopRequest() {
    ReleaseStopSignals();
    for (int& fd : impl_->fds) {
        if (fd != -1) {
            ::close(fd);
            fd = -1;
        }
    }
}

bool StopRequest::Valid() const {
    return impl_->fds[0] != -1;
}

void StopRequest::CatchStopSignals() {
    if (impl_->catching || !Valid()) {
        return;
    }
    impl_->catching = true;
    g_signalFd.store(impl_->fds[1]);
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &impl_->oldInt);
    sigaction(SIGTERM, &action, &impl_->oldTerm);
    // A peer that closes while we send must cost an error return, not the process.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &impl_->oldPipe);
}

void StopRequest::ReleaseStopSignals() {
    if (!impl_->catching) {
        return;
    }
    impl_->catching = false;
    sigaction(SIGINT, &impl_->oldInt, nullptr);
    sigaction(SIGTERM, &impl_->oldTerm, nullptr);
    sigaction(SIGPIPE, &impl_->oldPipe, nullptr);
    g_signalFd.store(-1);
}

void StopRequest::Wait() {
    while (Valid()) {
        pollfd pfd{impl_->fds[0], POLLIN, 0};
        const int r = ::poll(&pfd, 1, -1);
        if (r > 0 || (r < 0 && errno != EINTR)) {
            return;
        }
    }
}

void StopRequest::Clear() {
    char drain[16];
    while (Valid() && ::read(impl_->fds[0], drain, sizeof(drain)) > 0) {
    }
}

void StopRequest::Request() {
    WriteByte(impl_->fds[1]);
}
