#pragma once
// What the fuzz targets share: a check that stops the run where it fails, and scratch files
// kept in memory when the machine has a memory-backed folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// "<folder>/<stem>_<pid>" in /dev/shm when it can be written, else in /tmp.
inline std::string FuzzScratchPath(const std::string& stem) {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/" + stem + "_" + std::to_string(getpid());
}

// False when the file could not be written whole.
inline bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
