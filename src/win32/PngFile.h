#pragma once
// Writes 8-bit RGB pictures as PNG files: rows unfiltered, the data in stored (uncompressed)
// deflate blocks. Enough for the window's screenshots, with no image library.
#include <cstdint>
#include <string>
#include <vector>

// `rgb` holds height rows of width * 3 bytes, top row first. False when the file cannot be
// written or the sizes do not match.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);
