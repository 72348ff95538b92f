// Splits the input into the two language files (first byte picks the split point), writes them
// with a LanguageConfig.ini into a memory-backed folder and loads it as the language folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "pages/LanguageTexts.h"

namespace {

const std::string& FuzzFolder() {
    static const std::string folder = [] {
        std::string dir = FuzzScratchPath("zr40_fuzz_lang");
        mkdir(dir.c_str(), 0700);
        return dir;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string& folder = FuzzFolder();
    const std::uint8_t* body = data + 1;
    const std::size_t length = size - 1;
    const std::size_t split = length == 0 ? 0 : (static_cast<std::size_t>(data[0]) * length) / 255;
    WriteFile(folder + "/" + kChineseLanguageFile, body, split);
    WriteFile(folder + "/" + kEnglishLanguageFile, body + split, length - split);
    static const std::uint8_t kConfig[] = "[LanguageConfig]\r\nLanguageID=2\r\n";
    WriteFile(folder + "/" + kLanguageConfigFile, kConfig, sizeof(kConfig) - 1);

    LanguageTexts texts(folder);
    const bool loaded = texts.LoadLanguage();
    for (int index = -1; index <= kLanguageTextCount; ++index) {
        const std::string text = texts.LanguageText(index);
        Check(text.size() < kLanguageTextBufferSize);
        if (index < 0 || index >= kLanguageTextCount) {
            Check(text.empty());
        } else if (loaded) {
            Check(!text.empty());
        }
    }
    return 0;
}
