#pragma once
// The debug console's traffic display (control 1024): a multi-line text that only grows at its
// end and is trimmed from its start. Texts are UTF-8.
//
// Lines: a line ends at "\n" (a "\r" right before it belongs to the break). The line count is
// the number of ended lines plus one when text follows the last "\n"; an empty display holds
// 0 lines, "a\r\nb\r\n" holds 2, "a\r\nb" holds 2.
#include <string>

class IDebugDisplay {
  public:
    virtual ~IDebugDisplay() = default;

    // Adds the text at the very end (no break of its own) and scrolls to it.
    virtual void AppendText(const std::string& text) = 0;
    virtual int GetLineCount() const = 0;
    // Removes the first line with its break (everything when no "\n" is left).
    virtual void RemoveFirstLine() = 0;
    virtual void Clear() = 0;
};
