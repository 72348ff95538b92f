#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/ReplaceFileContents.h"
#include "platform/Utf8Path.h"

namespace {

std::atomic<unsigned> g_tempCounter{0};

// Owns a file handle.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool Close() {
        if (!valid()) {
            return true;
        }
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

  private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t left = data.size() - done;
        const DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, want, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& utf8Path, const std::string& data) {
    const std::filesystem::path target = PathFromUtf8(utf8Path);
    const std::wstring targetName = target.wstring();
    // A read-only file stays read-only and is not replaced, as on Linux without write access.
    const DWORD attributes = GetFileAttributesW(targetName.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return false;
    }
    std::wstring temp;
    HANDLE raw = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring name = L"." + target.filename().wstring() + L".tmp" +
                                  std::to_wstring(GetCurrentProcessId()) + L"_" +
                                  std::to_wstring(g_tempCounter.fetch_add(1));
        temp = (target.parent_path() / name).wstring();
        raw = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    if (raw == INVALID_HANDLE_VALUE) {
        return false;
    }
    FileHandle file(raw);
    bool ok = WriteAll(file.get(), data);
    ok = ok && FlushFileBuffers(file.get()) != FALSE;
    ok = file.Close() && ok;
    if (ok && existed) {
        // ReplaceFileW keeps the old file's attributes and access rights, as the POSIX side keeps
        // its mode. Should only the final rename fail, the old file is gone and the new one still
        // has the temporary name: moving it into place ends that state too.
        ok = ReplaceFileW(targetName.c_str(), temp.c_str(), nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE ||
             (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
              MoveFileExW(temp.c_str(), targetName.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE);
    } else if (ok) {
        ok = MoveFileExW(temp.c_str(), targetName.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
    }
    return ok;
}
