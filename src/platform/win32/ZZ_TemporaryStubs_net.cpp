// THROWAWAY link stubs so the network tests can be built and run under Wine before the other
// Windows ports land. The lead deletes this file at merge; nothing here is the real thing.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <string>

#include "platform/AppendFile.h"
#include "platform/CodePage.h"
#include "platform/FdLimit.h"
#include "platform/Md5Digest.h"
#include "platform/ThreadId.h"

bool IdentifyPath(const std::string& path, FileIdentity& identity, std::int64_t& size) {
    struct _stat64 st {};
    if (::_stat64(path.c_str(), &st) != 0) {
        return false;
    }
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.index = static_cast<std::uint64_t>(st.st_ino);
    size = st.st_size;
    return true;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    fd_ = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, _S_IREAD | _S_IWRITE);
    return fd_ >= 0;
}

void AppendFile::Close() {
    if (fd_ >= 0) {
        ::_close(fd_);
        fd_ = -1;
    }
}

bool AppendFile::Append(const char* data, std::size_t size) {
    return fd_ >= 0 && ::_write(fd_, data, static_cast<unsigned>(size)) == static_cast<int>(size);
}

bool AppendFile::Identify(FileIdentity& identity, std::int64_t& size) const {
    struct _stat64 st {};
    if (fd_ < 0 || ::_fstat64(fd_, &st) != 0) {
        return false;
    }
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.index = static_cast<std::uint64_t>(st.st_ino);
    size = st.st_size;
    return true;
}

long RaiseFdLimitToHard() {
    return 0;
}

int CurrentThreadId() {
    return static_cast<int>(::GetCurrentThreadId());
}

struct Md5Digest::State {};
Md5Digest::Md5Digest() = default;
Md5Digest::~Md5Digest() = default;
bool Md5Digest::Update(const std::uint8_t*, std::size_t) {
    return false;
}
std::string Md5Digest::FinishHex() {
    return {};
}
std::string Md5Digest::Hex(const std::uint8_t*, std::size_t) {
    return {};
}

bool AnsiToUtf16(const char* text, std::u16string& out) {
    out.clear();
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        out.push_back(static_cast<unsigned char>(*p));
    }
    return true;
}
