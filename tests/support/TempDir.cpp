#include "TempDir.h"

#include <cctype>
#include <cstdint>

#include "SimMd5.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "foundation/Log.h"
#include "platform/Utf8Path.h"

TempDir::TempDir(const std::string& prefix) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        return;
    }
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    // create_directory reports false for a name that exists: a fresh name is tried then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = prefix + std::to_string(random() % 1000000000u) + "_" +
                                 std::to_string(counter.fetch_add(1));
        const std::filesystem::path candidate = base / PathFromUtf8(name);
        if (std::filesystem::create_directory(candidate, ec) && !ec) {
            path_ = Utf8FromPath(candidate);
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) {
        std::filesystem::remove_all(PathFromUtf8(path_), ec);
    }
}

ScopedLogDir::ScopedLogDir() : previous_(GetLogDirectory()) {
    SetLogDirectory(dir_.path());
}

ScopedLogDir::~ScopedLogDir() {
    SetLogDirectory(previous_);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string ReadLogText(const std::string& path) {
    const std::string text = ReadFileText(path);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string WriteFirmware(const std::string& path, const std::string& bytes, bool upper) {
    std::string digest =
        SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (upper) {
        for (char& c : digest) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    WriteFileBytes(path, bytes);
    WriteFileBytes(path + ".md5", digest);
    return digest;
}
