#pragma once
// Text in a file only this user can read, in a folder made for it alone; both are removed when
// the object goes. For a secret a program is to read by name, never on its command line, where
// every local user could see it.
#include <string>

class PrivateTempFile {
  public:
    // `name` is the file's name in the folder.
    PrivateTempFile(const std::string& name, const std::string& text);
    ~PrivateTempFile();
    PrivateTempFile(const PrivateTempFile&) = delete;
    PrivateTempFile& operator=(const PrivateTempFile&) = delete;

    // The file's path (UTF-8); empty when it could not be written, and then nothing is left.
    const std::string& Path() const { return path_; }

  private:
    void Remove();

    std::string folder_;
    std::string path_;
};
