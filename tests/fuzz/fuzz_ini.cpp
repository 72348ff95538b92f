// Writes the input as an INI file (one reused path on a memory-backed folder), reads several
// sections and keys through various buffer sizes, and checks a WriteString round trip.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/IniFile.h"

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

const std::string& FuzzPath() {
    static const std::string path = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(base) + "/zr40_fuzz_ini_" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FuzzPath();
    if (!WriteFile(path, data, size)) {
        return 0;
    }
    static const char* const kSections[] = {"NetConfigSetting", "APSetting", "LanguageStr", "a",
                                            ""};
    static const char* const kKeys[] = {"0", "IP", "SSID", "x", ""};
    static const std::size_t kSizes[] = {0, 1, 2, 4, 16, 256, 4096};
    for (const char* section : kSections) {
        for (const char* key : kKeys) {
            for (const std::size_t bufferSize : kSizes) {
                const std::string value =
                    IniFile::ReadString(path, section, key, "def", bufferSize);
                Check(bufferSize == 0 ? value.empty()
                                      : value.size() < bufferSize || value == "def");
            }
        }
    }
    // Round trip: a value written reads back whatever else the file held.
    const std::string value = "v" + std::to_string(size);
    if (IniFile::WriteString(path, "FuzzSection", "FuzzKey", value)) {
        Check(IniFile::ReadString(path, "fuzzsection", "FUZZKEY", "", 256) == value);
    }
    return 0;
}
