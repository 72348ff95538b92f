#pragma once
// A copy of the shipped language files in a temporary folder, which a test may change.
#include <string>

#include "TempDir.h"

// Copies the shipped language files into `folder` (created when missing).
void CopyShippedLanguage(const std::string& folder);

class LanguageFolder {
  public:
    LanguageFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string Text(const std::string& name) const { return ReadFileText(file(name)); }
    void Write(const std::string& name, const std::string& bytes) const {
        WriteFileBytes(file(name), bytes);
    }
    // Writes the configuration file with only this language id.
    void SetId(const std::string& value) const;

  private:
    TempDir dir_;
    std::string path_;
};
