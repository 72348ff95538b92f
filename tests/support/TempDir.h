#pragma once
// A fresh temporary folder for one test, removed with everything in it afterwards. Paths are
// UTF-8 on every platform.
#include <string>

class TempDir {
  public:
    // The folder's name starts with `prefix` (UTF-8).
    explicit TempDir(const std::string& prefix = "zr40test-");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Points the log files at a temporary folder for the lifetime of the object.
class ScopedLogDir {
  public:
    ScopedLogDir();
    ~ScopedLogDir();
    const TempDir& dir() const { return dir_; }
    std::string file(const std::string& name) const { return dir_.file(name); }

  private:
    TempDir dir_;
    std::string previous_;
};

// Whole contents of a file ("" when it cannot be read).
std::string ReadFileText(const std::string& path);
// A log file's contents with each CR LF (how Windows logs end their lines) read as LF, so one
// expectation serves both platforms; a stray or doubled CR still shows.
std::string ReadLogText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Writes a firmware file and its ".md5" companion holding the 32 characters of the file's MD5
// (upper case when asked); returns them.
std::string WriteFirmware(const std::string& path, const std::string& bytes, bool upper = false);
