#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/UserFolders.h"

namespace {

// $XDG_RUNTIME_DIR (the user's own, cleared at logout), else the user's state folder.
std::string LockFolder() {
    std::error_code ec;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] != '\0' && std::filesystem::is_directory(runtime, ec)) {
        return runtime;
    }
    const std::string state = UserLogFolder();
    if (state.empty()) {
        return {};
    }
    std::filesystem::create_directories(state, ec);
    return std::filesystem::is_directory(state, ec) ? state : std::string();
}

}  // namespace

SingleInstance::State SingleInstance::Acquire() {
    if (handle_ != kNone) {
        return state_;
    }
    if (key_.empty()) {
        return state_ = State::None;
    }
    const std::string folder = LockFolder();
    if (folder.empty()) {
        return state_ = State::Unavailable;
    }
    const std::string path = folder + "/zr40tool-" + key_ + ".lock";
    int fd = -1;
    do {
        // Not inherited by the commands the tool runs: the lock must end with this process.
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return state_ = State::Unavailable;
    }
    int locked = -1;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return state_ = held ? State::HeldByAnother : State::Unavailable;
    }
    handle_ = fd;
    return state_ = State::Held;
}

void SingleInstance::Release() {
    if (handle_ != kNone) {
        // The file stays: removing it would let two copies lock two different files.
        ::close(static_cast<int>(handle_));
        handle_ = kNone;
        state_ = State::None;
    }
}

void MarkInstanceWindow(void*, const std::string&) {}

bool RaiseInstanceWindow(const std::string&, std::chrono::milliseconds) {
    return false;
}
