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

AppendFile::AppendFile(AppendFile&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}

AppendFile& AppendFile::operator=(AppendFile&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    do {
        fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void AppendFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool AppendFile::Append(const char* data, std::size_t size) {
    if (fd_ < 0) {
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
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
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        return false;
    }
    Fill(info, identity, size);
    return true;
}
