#include "foundation/IniFile.h"

// The packaged header holds the template's member definitions only under this name; with it the
// module needs no prebuilt SimpleIni library on any platform.
#define SI_IMPLEMENTATION
// Names are UTF-8: compare them by ASCII case alone, as the reader does, never by the Windows
// code page's multibyte rules.
#define SI_NO_MBCS
#include <SimpleIni.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>

#include "foundation/IniReader.h"
#include "platform/CodePage.h"
#include "platform/ReplaceFileContents.h"
#include "platform/Utf8Path.h"

namespace IniFile {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Serialises read-modify-write cycles so two writers in this process never lose an update.
std::mutex g_writeMutex;

enum class FileState { Missing, Read, Failed };

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

FileState ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(path), ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return FileState::Missing;
    }
    if (ec || status.type() != std::filesystem::file_type::regular) {
        return FileState::Failed;
    }
    std::unique_ptr<std::FILE, FileCloser> file(OpenFileUtf8(path, "rb"));
    if (!file) {
        return FileState::Failed;
    }
    char chunk[8192];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof(chunk), file.get());
        bytes.append(chunk, n);
        if (n < sizeof(chunk)) {
            return std::ferror(file.get()) != 0 ? FileState::Failed : FileState::Read;
        }
    }
}

// The file's text as UTF-8: a BOM is skipped, zero bytes are not text, and text that is not
// UTF-8 is read in the legacy code page. What is neither keeps only its valid UTF-8 pieces.
std::string DecodeFileText(std::string bytes) {
    if (bytes.compare(0, 3, kUtf8Bom) == 0) {
        bytes.erase(0, 3);
    }
    std::erase(bytes, '\0');
    if (IsValidUtf8(bytes)) {
        return bytes;
    }
    std::string utf8;
    if (LegacyCodePageToUtf8(bytes, utf8)) {
        return utf8;
    }
    return DropInvalidUtf8(bytes);
}

struct LoadedIni {
    CSimpleIniA ini{true, false, false};
    FileState state = FileState::Missing;
};

// Loads the file into `loaded`; false when it exists but cannot be read or parsed.
bool Load(const std::string& path, LoadedIni& loaded) {
    loaded.ini.SetSpaces(false);
    std::string bytes;
    loaded.state = ReadWholeFile(path, bytes);
    if (loaded.state == FileState::Failed) {
        return false;
    }
    if (loaded.state == FileState::Missing) {
        return true;
    }
    std::string text = DecodeFileText(std::move(bytes));
    return loaded.ini.LoadData(text) >= 0;
}

// Cuts to at most `limit` bytes, backing off to the start of a UTF-8 character.
std::string CutUtf8(const std::string& s, std::size_t limit) {
    if (s.size() <= limit) {
        return s;
    }
    std::size_t cut = limit;
    for (int back = 0; back < 3 && cut > 0; ++back) {
        if ((static_cast<unsigned char>(s[cut]) & 0xC0) != 0x80) {
            break;
        }
        --cut;
    }
    if ((static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) {
        cut = limit;  // not UTF-8 here; cut at the byte limit
    }
    return s.substr(0, cut);
}

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

// Names and values that cannot be written without changing the meaning of the file.
bool Writable(const std::string& section, const std::string& key, const std::string& value) {
    if (section.empty() || key.empty()) {
        return false;
    }
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
        return false;
    }
    if (section.find(']') != std::string::npos || key.find('=') != std::string::npos ||
        key.front() == '[' || key.front() == ';' || key.front() == '#') {
        return false;
    }
    return IsValidUtf8(section) && IsValidUtf8(key) && IsValidUtf8(value);
}

// A value the reader would change (blanks at its edges are dropped, and so is one pair of quotes
// enclosing it) is written inside one more pair of quotes, so that it reads back as it was.
std::string ValueAsStored(const std::string& value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    const bool blankEdge = !value.empty() && (blank(value.front()) || blank(value.back()));
    const bool enclosed = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                          value.back() == value.front();
    return blankEdge || enclosed ? '"' + value + '"' : value;
}

// A symbolic link keeps pointing at the settings: write through it to its target.
std::string ResolveTarget(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path link = PathFromUtf8(path);
    if (std::filesystem::is_symlink(link, ec)) {
        std::filesystem::path resolved = std::filesystem::canonical(link, ec);
        if (!ec) {
            return Utf8FromPath(resolved);
        }
    }
    return path;
}

}  // namespace

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return std::string();
    }
    try {
        std::string bytes;
        std::optional<std::string> value;
        if (ReadWholeFile(path, bytes) == FileState::Read) {
            value = FindIniValue(DecodeFileText(std::move(bytes)), section, key);
        }
        return CutUtf8(value ? *value : defaultValue, bufferSize - 1);
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    if (path.empty() || !Writable(section, key, value)) {
        return false;
    }
    try {
        std::lock_guard<std::mutex> lock(g_writeMutex);
        std::string target = ResolveTarget(path);
        LoadedIni loaded;
        if (!Load(target, loaded)) {
            return false;
        }
        if (loaded.ini.SetValue(section.c_str(), key.c_str(), ValueAsStored(value).c_str()) < 0) {
            return false;
        }
        std::string data;
        if (loaded.ini.Save(data, false) < 0) {
            return false;
        }
        // The same bytes on every platform (the library ends lines with CR LF on Windows); no
        // name or value holds a line break, so every CR LF here is a line end.
        std::string::size_type at = 0;
        while ((at = data.find("\r\n", at)) != std::string::npos) {
            data.erase(at, 1);
        }
        return ReplaceFileContents(target, data);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace IniFile
