#pragma once
// Finds a value in the text of an INI file the way the Windows private-profile functions read it:
// - lines end at CR, LF or CR LF; blanks (space, tab, vertical tab, form feed) around section
//   names, key names and values are not part of them, neither in the file nor in the query;
// - a section line starts with '[' and its name ends at the line's last ']' (a line with no ']'
//   is skipped); lines before the first section line belong to a section named "";
// - any other line is a key: its name ends at the first '=' (a line without '=' is a key with
//   no value, read as missing); ';' and '#' are not special;
// - names compare without regard to ASCII case; the FIRST section of a name is the only one
//   searched, and the FIRST key of a name in it wins;
// - one pair of double or single quotes enclosing the whole value is dropped.
#include <optional>
#include <string>
#include <string_view>

// The value of `key` in `section` of `text`; nothing when the section or key is missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);
