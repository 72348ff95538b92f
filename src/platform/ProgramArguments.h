#pragma once
// The program's command line as UTF-8, the program's name first. On Linux these are main's
// bytes; on Windows main's argv is in the ANSI code page, which loses every character it cannot
// hold, so the wide command line is converted instead.
#include <string>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
