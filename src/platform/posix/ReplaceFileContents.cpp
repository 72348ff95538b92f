#include "platform/ReplaceFileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace {

std::atomic<unsigned> g_tempCounter{0};

// Owns a POSIX file descriptor.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& utf8Path, const std::string& data) {
    std::filesystem::path target(utf8Path);
    std::string base = target.filename().string();
    std::filesystem::path dir = target.parent_path();
    struct stat st {};
    bool existed = ::stat(utf8Path.c_str(), &st) == 0;
    std::string temp;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        std::string name = "." + base + ".tmp" + std::to_string(::getpid()) + "_" +
                           std::to_string(g_tempCounter.fetch_add(1));
        temp = (dir / name).string();
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (raw < 0) {
        return false;
    }
    Fd fd(raw);
    bool ok = WriteAll(fd.get(), data);
    if (ok && existed) {
        ok = ::fchmod(fd.get(), st.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && std::rename(temp.c_str(), utf8Path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}
