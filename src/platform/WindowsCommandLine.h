#pragma once
// Command lines by the Windows argument rules (those of CommandLineToArgvW and the C runtime),
// so that a program started with CreateProcessW gets back exactly the arguments it was given.
// Pure text work on UTF-8, built and tested on every platform.
#include <string>
#include <vector>

// One argument as it must appear in a command line: as it is when it holds no space, tab,
// newline, vertical tab or double quote and is not empty; otherwise between double quotes, with
// each quote escaped and the backslashes before a quote or the closing quote doubled.
std::string QuoteWindowsArgument(const std::string& argument);

// The arguments quoted and joined by single spaces. argv[0] is the program: a file name never
// holds a double quote, so the same quoting serves it.
std::string BuildWindowsCommandLine(const std::vector<std::string>& argv);
