#pragma once
// The debug console's text forms of CMP frames: parsing a hand-typed frame, the traffic lines,
// the header texts written before each sent frame, and the command-word filter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace DebugFrameText {

// The parsed frame's buffer, and the body bytes a line can hold.
inline constexpr std::size_t kFrameBufferSize = 2048;
inline constexpr std::size_t kLineWorkArea = 1024;
// Body bytes of a display line.
inline constexpr std::size_t kDisplayBodyBytes = 10;
// Shortest text that holds the whole header.
inline constexpr std::size_t kMinFrameText = 23;

enum class Direction { Send = 0, Recv = 1, Input = 2 };

enum class ParseResult {
    Ok,
    TooShortForHeader,  // fewer than 23 characters: ignored without a message
    BadPackage,         // length below 8 or above 2048, or text shorter than the length needs
};

// Byte k is typed at character 3k as two hex digits; header fields are typed high byte first.
// On Ok, `frame` holds kFrameBufferSize bytes (zero beyond the typed length), header fields
// little-endian and the checksum field as typed.
ParseResult ParseTypedFrame(const std::string& text, std::vector<std::uint8_t>& frame);

// Base-16 value of text: leading blanks skipped, stops at the first non-hex character,
// 0 without digits.
unsigned long HexValue(const std::string& text);

// "<time>\t<ip>\t<Send|Recv|Input>\t<len>\t<cmd>\t<serial>\t<checksum>\t<body>\r\n", fields
// "%x", body bytes "%2x". The body holds len - 8 bytes (kDisplayBodyBytes when len is below 8),
// at most maxBody, at most kLineWorkArea and never more than the frame holds.
std::string TrafficLine(const std::string& timeText, const std::string& ip, Direction direction,
                        const std::uint8_t* frame, std::size_t frameSize, std::size_t maxBody);

// The words of the column heads, in the language shown.
struct ColumnHeads {
    std::string bedNo, name, version;
    std::string time, direction, length, command, serial, checksum, body;
};

// The three pieces written before every sent frame.
std::string HeaderColumnsText(const ColumnHeads& heads);
std::string DeviceHeaderText(unsigned bedNo, const std::string& ip, const std::string& name,
                             const std::string& version);
std::string TrafficColumnsText(const ColumnHeads& heads);

// Entries of text split at sep; an empty text gives none, a trailing empty entry is dropped.
std::vector<std::string> SplitText(const std::string& text, char sep);

// Lower-case hex of the command word: one digit gets a leading 0 ("05"); three digits get a
// leading 0 ("0200"), the form the word is typed in a frame.
std::string CommandFilterText(std::uint16_t cmd);
// Every word matches the single entry "*"; otherwise some entry equals CommandFilterText.
bool MatchesFilter(const std::vector<std::string>& filter, std::uint16_t cmd);

}  // namespace DebugFrameText
