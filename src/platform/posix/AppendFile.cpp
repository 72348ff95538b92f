#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

void Fill(const struct stat& info, FileIdentity& identity, std::int64_t& size) {
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    size = static_cast<std::int64_t>(info.st_size);
}

}  // namespace

bool IdentifyPath(const std::string& path, FileIdentity& identity, std::int64_t& size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    Fill(info, identity, size);
    return true;
}

LineEnd NativeLineEnd() {
    return LineEnd::Lf;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

AppendFile::AppendFile(AppendFile&& o) noexcept : handle_(std::exchange(o.handle_, kClosed)) {}

AppendFile& AppendFile::operator=(AppendFile&& o) noexcept {
    if (this != &o) {
        Close();
        handle_ = std::exchange(o.handle_, kClosed);
    }
    return *this;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    handle_ = fd < 0 ? kClosed : fd;
    return IsOpen();
}

void AppendFile::Close() {
    if (IsOpen()) {
        ::close(static_cast<int>(handle_));
        handle_ = kClosed;
    }
}

bool AppendFile::Append(const char* data, std::size_t size) {
    if (!IsOpen()) {
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AppendFile::Identify(FileIdentity& identity, std::int64_t& size) const {
    struct stat info {};
    if (!IsOpen() || ::fstat(static_cast<int>(handle_), &info) != 0) {
        return false;
    }
    Fill(info, identity, size);
    return true;
}
