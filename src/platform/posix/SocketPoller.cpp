#include "platform/SocketPoller.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

struct SocketPoller::Impl {
    int wakeFd = -1;
    std::vector<pollfd> fds;  // [0] is the wake channel
    bool woken = false;
};

SocketPoller::SocketPoller() : impl_(std::make_unique<Impl>()) {
    impl_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    Clear();
}

SocketPoller::~SocketPoller() {
    if (impl_->wakeFd != -1) {
        ::close(impl_->wakeFd);
    }
}

bool SocketPoller::IsValid() const {
    return impl_->wakeFd != -1;
}

void SocketPoller::Clear() {
    impl_->fds.clear();
    impl_->fds.push_back(pollfd{impl_->wakeFd, POLLIN, 0});  // poll skips a negative fd
}

std::size_t SocketPoller::Add(SocketHandle s) {
    impl_->fds.push_back(pollfd{s, POLLIN, 0});
    return impl_->fds.size() - 2;
}

std::size_t SocketPoller::Size() const {
    return impl_->fds.size() - 1;
}

int SocketPoller::Wait(int timeoutMs) {
    impl_->woken = false;
    for (pollfd& p : impl_->fds) {
        p.revents = 0;
    }
    const int ready = ::poll(impl_->fds.data(), impl_->fds.size(), timeoutMs);
    if (ready > 0 && impl_->fds[0].revents != 0) {
        impl_->woken = true;
        std::uint64_t value = 0;
        [[maybe_unused]] ssize_t n = ::read(impl_->wakeFd, &value, sizeof(value));
    }
    return ready;
}

unsigned SocketPoller::Events(std::size_t index) const {
    const short r = index + 1 < impl_->fds.size() ? impl_->fds[index + 1].revents : 0;
    unsigned events = 0;
    events |= (r & POLLIN) != 0 ? kReadable : 0;
    events |= (r & POLLHUP) != 0 ? kHangUp : 0;
    events |= (r & (POLLERR | POLLNVAL)) != 0 ? kError : 0;
    return events;
}

bool SocketPoller::Woken() const {
    return impl_->woken;
}

void SocketPoller::Wake() {
    if (impl_->wakeFd != -1) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(impl_->wakeFd, &one, sizeof(one));
    }
}
