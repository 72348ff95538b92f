#pragma once
// A file kept open for appending, behind one small seam: the log writers hold one open between
// lines instead of opening the file for every line.
#include <cstddef>
#include <cstdint>
#include <string>

// What tells two names of a file apart from two files: the device and the file's number on it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Paths are UTF-8 on every platform.

// Identity and size of the file a path names now. False when there is none (on Windows also a
// file whose deletion waits for its last handle to close).
bool IdentifyPath(const std::string& path, FileIdentity& identity, std::int64_t& size);

// Deletes the file a path names, also while it is open for appending. False when it could not.
bool RemoveFile(const std::string& path);

// How this platform's text files end a line: CR LF on Windows (what its editors and tools
// expect), LF alone elsewhere.
enum class LineEnd { Lf, CrLf };
LineEnd NativeLineEnd();

class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile() { Close(); }
    AppendFile(AppendFile&& o) noexcept;
    AppendFile& operator=(AppendFile&& o) noexcept;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens path for appending, creating it when missing (others may still read, rename or
    // delete it). False when it cannot be opened; any file open before is closed first.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return handle_ != kClosed; }

    // Writes all bytes at the current end of the file, looping over partial writes and EINTR.
    // False when not all of them went out (full or failing disk).
    bool Append(const char* data, std::size_t size);
    // Identity and size of the open file. False when it is not open or cannot be asked.
    bool Identify(FileIdentity& identity, std::int64_t& size) const;

  private:
    static constexpr std::intptr_t kClosed = -1;
    // The descriptor on Linux, the HANDLE on Windows.
    std::intptr_t handle_ = kClosed;
};
