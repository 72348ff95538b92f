#include "foundation/FileHelpers.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/FileNameOrder.h"
#include "platform/HiddenEntry.h"
#include "platform/Utf8Path.h"

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool LowerAsciiEquals(const std::string& name, const char* lower) {
    std::size_t i = 0;
    for (; i < name.size() && lower[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const char folded = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : name[i];
        if (folded != lower[i]) {
            return false;
        }
    }
    return i == name.size() && lower[i] == '\0';
}

void Walk(bool recursive, bool visibleOnly, const std::string& folder,
          std::vector<std::string>& files) {
    files.clear();
    std::deque<fs::path> work{PathFromUtf8(folder)};
    while (!work.empty()) {
        fs::path dir = std::move(work.front());
        work.pop_front();

        std::vector<fs::path> foundFiles;
        std::vector<fs::path> foundDirs;
        std::error_code ec;
        fs::directory_iterator it(dir, ec);
        for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            if (visibleOnly && (IsHiddenOrSystemEntry(it->path()) ||
                                IsShellFileName(Utf8FromPath(it->path().filename())))) {
                continue;
            }
            std::error_code statEc;
            // A link to a folder counts as neither: following it could loop for ever.
            if (it->is_symlink(statEc)) {
                if (it->is_regular_file(statEc)) {
                    foundFiles.push_back(it->path());
                }
                continue;
            }
            if (it->is_directory(statEc)) {
                foundDirs.push_back(it->path());
            } else if (it->is_regular_file(statEc)) {
                foundFiles.push_back(it->path());
            }
        }
        // As the file system orders the folder, not as the entries happened to come.
        std::sort(foundFiles.begin(), foundFiles.end(), FileNameLess);
        std::sort(foundDirs.begin(), foundDirs.end(), FileNameLess);
        for (const fs::path& file : foundFiles) {
            files.push_back(Utf8FromPath(file));
        }
        if (recursive) {
            work.insert(work.end(), foundDirs.begin(), foundDirs.end());
        }
    }
}

}  // namespace

void ListFiles(bool recursive, const std::string& folder, std::vector<std::string>& files) {
    Walk(recursive, false, folder, files);
}

void ListVisibleFiles(const std::string& folder, std::vector<std::string>& files) {
    Walk(true, true, folder, files);
}

bool IsShellFileName(const std::string& name) {
    return LowerAsciiEquals(name, "desktop.ini") || LowerAsciiEquals(name, "thumbs.db");
}

bool CanListFolder(const std::string& folder) {
    std::error_code ec;
    const fs::path dir = PathFromUtf8(folder);
    if (folder.empty() || !fs::is_directory(dir, ec)) {
        return false;
    }
    fs::directory_iterator it(dir, ec);
    return !ec;
}

std::string FolderStamp(const std::string& folder) {
    std::vector<std::string> files;
    ListVisibleFiles(folder, files);
    std::string stamp;
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::path path = PathFromUtf8(file);
        const std::uintmax_t size = fs::file_size(path, ec);
        const auto written = fs::last_write_time(path, ec).time_since_epoch().count();
        stamp += file + '\0' + std::to_string(size) + '\0' + std::to_string(written) + '\n';
    }
    return stamp;
}

bool ReadFileInto(const std::string& path, std::uint8_t* out, std::size_t capacity,
                  std::size_t& size,
                  const std::function<void(const std::uint8_t*, std::size_t)>& chunk) {
    constexpr std::size_t kChunk = 1 << 20;
    size = 0;
    std::error_code ec;
    if (!fs::is_regular_file(PathFromUtf8(path), ec)) {
        return false;
    }
    FilePtr file(OpenFileUtf8(path, "rb"));
    if (!file) {
        return false;
    }
    for (;;) {
        const std::size_t want = std::min(kChunk, capacity - size);
        if (want == 0) {
            // Full: any further byte means the file is larger than allowed.
            std::uint8_t extra = 0;
            return std::fread(&extra, 1, 1, file.get()) == 0 && std::feof(file.get()) != 0;
        }
        const std::size_t got = std::fread(out + size, 1, want, file.get());
        if (got > 0 && chunk) {
            chunk(out + size, got);
        }
        size += got;
        if (got < want) {
            return std::feof(file.get()) != 0;
        }
    }
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t& size) {
    size = 0;
    std::error_code ec;
    // Only regular files: a folder opens on Linux but cannot be read, and a FIFO would block.
    if (!fs::is_regular_file(PathFromUtf8(path), ec)) {
        return std::nullopt;
    }
    FilePtr file(OpenFileUtf8(path, "rb"));
    if (!file) {
        return std::nullopt;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    long end = std::ftell(file.get());
    if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    std::size_t length = static_cast<std::size_t>(end);
    std::vector<std::uint8_t> contents(length + 1, 0);
    if (length > 0 && std::fread(contents.data(), 1, length, file.get()) != length) {
        return std::nullopt;
    }
    size = length;
    return contents;
}

std::string FileNameOf(const std::string& path) {
    // Windows separates with '\\' as well as '/'; elsewhere '\\' is part of a name.
    return Utf8FromPath(PathFromUtf8(path).filename());
}
