#pragma once
// Replaces a file's contents so that it is always either the old file or the complete new one:
// the data goes to a new file beside it, is flushed to disk and takes the old file's place in one
// step. An existing file keeps its permissions.
#include <string>

// False, with the old file untouched, when anything fails. `utf8Path` is UTF-8.
bool ReplaceFileContents(const std::string& utf8Path, const std::string& data);
