#include "TempDir.h"

#include <cctype>
#include <cstdint>

#include "SimMd5.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/Log.h"

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zr40test-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) {
        path_ = made;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ec);
    }
}

ScopedLogDir::ScopedLogDir() : previous_(GetLogDirectory()) {
    SetLogDirectory(dir_.path());
}

ScopedLogDir::~ScopedLogDir() {
    SetLogDirectory(previous_);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
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
