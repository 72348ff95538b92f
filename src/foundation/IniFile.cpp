#include "foundation/IniFile.h"

#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>

#include "platform/CodePage.h"

namespace IniFile {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Serialises read-modify-write cycles so two writers in this process never lose an update.
std::mutex g_writeMutex;
std::atomic<unsigned> g_tempCounter{0};

enum class FileState { Missing, Read, Failed };

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

FileState ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno == ENOENT ? FileState::Missing : FileState::Failed;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileState::Failed;
    }
    char chunk[8192];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof(chunk));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileState::Failed;
        }
        if (n == 0) {
            return FileState::Read;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

// The file's text as UTF-8: a BOM is skipped, zero bytes are not text, and text that is not
// UTF-8 is read as GB18030. What is neither keeps only its valid UTF-8 pieces.
std::string DecodeFileText(std::string bytes) {
    if (bytes.compare(0, 3, kUtf8Bom) == 0) {
        bytes.erase(0, 3);
    }
    std::erase(bytes, '\0');
    if (IsValidUtf8(bytes)) {
        return bytes;
    }
    std::string utf8;
    if (Gb18030ToUtf8(bytes, utf8)) {
        return utf8;
    }
    return DropInvalidUtf8(bytes);
}

struct LoadedIni {
    CSimpleIniA ini{true, false, false};
    FileState state = FileState::Missing;
};

// Loads the file into `loaded`; false when it exists but cannot be read or parsed.
bool Load(const std::string& path, LoadedIni& loaded) {
    loaded.ini.SetSpaces(false);
    std::string bytes;
    loaded.state = ReadWholeFile(path, bytes);
    if (loaded.state == FileState::Failed) {
        return false;
    }
    if (loaded.state == FileState::Missing) {
        return true;
    }
    std::string text = DecodeFileText(std::move(bytes));
    return loaded.ini.LoadData(text) >= 0;
}

// Cuts to at most `limit` bytes, backing off to the start of a UTF-8 character.
std::string CutUtf8(const std::string& s, std::size_t limit) {
    if (s.size() <= limit) {
        return s;
    }
    std::size_t cut = limit;
    for (int back = 0; back < 3 && cut > 0; ++back) {
        if ((static_cast<unsigned char>(s[cut]) & 0xC0) != 0x80) {
            break;
        }
        --cut;
    }
    if ((static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) {
        cut = limit;  // not UTF-8 here; cut at the byte limit
    }
    return s.substr(0, cut);
}

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

// Names and values that cannot be written without changing the meaning of the file.
bool Writable(const std::string& section, const std::string& key, const std::string& value) {
    if (section.empty() || key.empty()) {
        return false;
    }
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
        return false;
    }
    if (section.find(']') != std::string::npos || key.find('=') != std::string::npos ||
        key.front() == '[' || key.front() == ';' || key.front() == '#') {
        return false;
    }
    return IsValidUtf8(section) && IsValidUtf8(key) && IsValidUtf8(value);
}

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

// Writes `data` to a new file beside `path` and renames it over `path`, so the file is either
// the old one or the complete new one.
bool ReplaceFile(const std::string& path, const std::string& data) {
    std::filesystem::path target(path);
    std::string base = target.filename().string();
    std::filesystem::path dir = target.parent_path();
    struct stat st {};
    bool existed = ::stat(path.c_str(), &st) == 0;
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
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

// A symbolic link keeps pointing at the settings: write through it to its target.
std::string ResolveTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        std::filesystem::path resolved = std::filesystem::canonical(path, ec);
        if (!ec) {
            return resolved.string();
        }
    }
    return path;
}

}  // namespace

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return std::string();
    }
    try {
        LoadedIni loaded;
        const char* value = nullptr;
        if (Load(path, loaded)) {
            value = loaded.ini.GetValue(section.c_str(), key.c_str(), nullptr);
        }
        return CutUtf8(value != nullptr ? std::string(value) : defaultValue, bufferSize - 1);
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    if (path.empty() || !Writable(section, key, value)) {
        return false;
    }
    try {
        std::lock_guard<std::mutex> lock(g_writeMutex);
        std::string target = ResolveTarget(path);
        LoadedIni loaded;
        if (!Load(target, loaded)) {
            return false;
        }
        if (loaded.ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0) {
            return false;
        }
        std::string data;
        if (loaded.ini.Save(data, false) < 0) {
            return false;
        }
        return ReplaceFile(target, data);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace IniFile
