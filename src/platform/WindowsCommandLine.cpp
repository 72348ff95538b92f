#include "platform/WindowsCommandLine.h"

std::string QuoteWindowsArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote would otherwise be escaped by the backslashes that end the argument.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string BuildWindowsCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) {
            line += ' ';
        }
        line += QuoteWindowsArgument(argv[i]);
    }
    return line;
}
