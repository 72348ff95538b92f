#include "LanguageFolder.h"

#include <filesystem>

#include "pages/LanguageTexts.h"

void CopyShippedLanguage(const std::string& folder) {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    fs::copy(fs::path(ZR40_SOURCE_DIR) / "lang" / "language", folder,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

LanguageFolder::LanguageFolder() : path_(dir_.file("language")) {
    CopyShippedLanguage(path_);
}

void LanguageFolder::SetId(const std::string& value) const {
    Write(kLanguageConfigFile, "[LanguageConfig]\nLanguageID=" + value + "\n");
}
