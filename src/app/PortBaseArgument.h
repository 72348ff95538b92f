#pragma once
// The value of --port-base: the first of the 20 listening ports, so that all of N..N+19 exist
// (0: ephemeral ports).
#include <string>

// False for anything but a whole decimal number in 0..65516.
bool ParsePortBase(const std::string& text, int& base);
