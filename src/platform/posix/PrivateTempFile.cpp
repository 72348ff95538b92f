#include "platform/PrivateTempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// The user's runtime folder (memory-backed, private) when there is one, else the temp folder.
std::string BaseFolder() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        struct stat info {};
        if (value != nullptr && value[0] == '/' && ::stat(value, &info) == 0 &&
            S_ISDIR(info.st_mode)) {
            return value;
        }
    }
    return "/tmp";
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PrivateTempFile::PrivateTempFile(const std::string& name, const std::string& text) {
    std::string pattern = BaseFolder() + "/zr40-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkdtemp makes the folder 0700: nobody else may even look into it.
    if (::mkdtemp(buffer.data()) == nullptr) {
        return;
    }
    folder_ = buffer.data();
    const std::string path = folder_ + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        Remove();
        return;
    }
    path_ = path;
    const bool written = WriteAll(fd, text);
    if (::close(fd) != 0 || !written) {
        Remove();
    }
}

PrivateTempFile::~PrivateTempFile() {
    Remove();
}

void PrivateTempFile::Remove() {
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
    if (!folder_.empty()) {
        ::rmdir(folder_.c_str());
        folder_.clear();
    }
}
