#pragma once
// The broken-down local time of a moment, safe to call from any thread.
#include <ctime>

// False when the moment cannot be shown in local time.
bool ToLocalTime(std::time_t moment, std::tm& local);
