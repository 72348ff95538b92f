// Writes the input as an INI file (one reused path on a memory-backed folder), reads several
// sections and keys through various buffer sizes, and checks a WriteString round trip.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "foundation/IniFile.h"

namespace {

const std::string& FuzzPath() {
    static const std::string path = FuzzScratchPath("zr40_fuzz_ini") + ".ini";
    return path;
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
