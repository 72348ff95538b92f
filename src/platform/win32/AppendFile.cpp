#include "platform/AppendFile.h"

#include <windows.h>

#include <utility>

#include "platform/win32/WideText.h"

namespace {

HANDLE AsHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// Others may read, write, rename and delete the file while it is open: log files are rotated
// and removed under a running program.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A file deleted while some program holds it open may keep its name until the last handle
// closes; it counts as gone.
bool Describe(HANDLE file, FileIdentity& identity, std::int64_t& size) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandle(file, &info) ||
        !::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        standard.NumberOfLinks == 0 || standard.DeletePending) {
        return false;
    }
    identity.device = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                     info.nFileSizeLow);
    return true;
}

}  // namespace

bool IdentifyPath(const std::string& path, FileIdentity& identity, std::int64_t& size) {
    // No access asked for: only the attributes are read. The flag lets folders be asked too.
    win32text::UniqueHandle file(::CreateFileW(win32text::ToWide(path).c_str(),
                                               FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && Describe(file.Get(), identity, size);
}

LineEnd NativeLineEnd() {
    return LineEnd::CrLf;
}

bool RemoveFile(const std::string& path) {
    return ::DeleteFileW(win32text::ToWide(path).c_str()) != 0;
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
    // Closed first: a file deleted while open keeps its name until then, and blocks a new one.
    Close();
    // Append access alone: every write goes to the end of the file, even with other writers.
    const HANDLE file = ::CreateFileW(
        win32text::ToWide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle_ = reinterpret_cast<std::intptr_t>(file);
    }
    return IsOpen();
}

void AppendFile::Close() {
    if (IsOpen()) {
        ::CloseHandle(AsHandle(handle_));
        handle_ = kClosed;
    }
}

bool AppendFile::Append(const char* data, std::size_t size) {
    if (!IsOpen()) {
        return false;
    }
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > 0x40000000 ? 0x40000000 : size);
        DWORD written = 0;
        if (!::WriteFile(AsHandle(handle_), data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool AppendFile::Identify(FileIdentity& identity, std::int64_t& size) const {
    return IsOpen() && Describe(AsHandle(handle_), identity, size);
}
