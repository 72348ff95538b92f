#pragma once
// The two file helpers the upgrade file set rests on: listing the files under a folder and
// reading a whole file into memory.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Lists the regular files under `folder` breadth-first: the folder's own files first, then those
// of its subfolders level by level (subfolders only when `recursive`). Entries of one folder come
// in the order the file system keeps their names (FileNameLess: case-insensitive on Windows,
// byte order elsewhere), so the order is the same on every run and as the engineer sees it.
// Symbolic links to folders are not followed, so a link loop cannot trap the walk. `files` is
// emptied first.
void ListFiles(bool recursive, const std::string& folder, std::vector<std::string>& files);

// What ListFiles(true, ...) lists, without the entries nobody put there to be served: hidden and
// system entries (IsHiddenOrSystemEntry; a hidden folder with everything under it) and the
// Windows shell's "desktop.ini" and "Thumbs.db" (any letter case, on every platform: a folder
// copied from a Windows PC brings them along). The chosen folder itself is listed even when it
// is hidden.
void ListVisibleFiles(const std::string& folder, std::vector<std::string>& files);

// True for the names the Windows shell writes into folders on its own ("desktop.ini",
// "Thumbs.db"), in any letter case.
bool IsShellFileName(const std::string& name);

// The whole contents of a regular file followed by one zero byte (so the vector holds size + 1
// bytes), with `size` set to the file's length; nothing when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t& size);

// Reads a regular file into `out` in chunks of at most 1 MiB, calling `chunk` on each one as it
// arrives. False when the file cannot be opened or read, or holds more than `capacity` bytes;
// `size` is the number of bytes read.
bool ReadFileInto(const std::string& path, std::uint8_t* out, std::size_t capacity,
                  std::size_t& size,
                  const std::function<void(const std::uint8_t*, std::size_t)>& chunk);

// The names, sizes and modification times of the files under `folder` (as ListVisibleFiles
// lists them), as one text: two calls give the same text unless a file was added,
// removed or rewritten in between. Reads no file contents.
std::string FolderStamp(const std::string& folder);

// True when `folder` is a folder that can be opened for listing.
bool CanListFolder(const std::string& folder);

// The file name of a path: what follows its last path separator ('/', and '\\' on Windows).
std::string FileNameOf(const std::string& path);
