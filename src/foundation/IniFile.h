#pragma once
// Private-profile INI files, read as Windows reads them (see IniReader.h): a default when a key
// is missing, values cut to the caller's buffer size, other sections and keys kept on write, the
// file created when missing. A file that is not valid UTF-8 is read in the legacy code page, so
// files written on a Chinese Windows PC load. Paths are UTF-8.
#include <cstddef>
#include <string>

namespace IniFile {

// The value of [section] key, or `defaultValue` when the file, section or key is missing,
// cut to bufferSize - 1 bytes (without splitting a UTF-8 character). bufferSize 0 gives "".
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, std::size_t bufferSize);

// Sets [section] key=value (UTF-8), creating the file and section when missing and keeping every
// other section and key; a value with blanks at its edges or enclosed in quotes is stored inside
// one more pair of double quotes, so ReadString gives it back unchanged. False when the file
// cannot be written.
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace IniFile
