#pragma once
// Runs one of this project's programs as a user would, its output going to a file: its exit
// status, -1 when it did not end within `limit` (it is ended then). Not through a pipe on
// Windows: the first window call of a Wine session starts a desktop process that inherits the
// program's handles and outlives it, and a pipe it holds would keep a reader waiting to the end
// of the limit.
#include <chrono>
#include <string>
#include <vector>

int RunProgramToFile(const std::vector<std::string>& argv, const std::string& outPath,
                     std::chrono::milliseconds limit);
