#include "pages/DebugFrameText.h"

#include <algorithm>
#include <cstdio>

#include "network/CmpPacketHead.h"

namespace DebugFrameText {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Two characters from position pos ("" past the end of the text).
std::string Group(const std::string& text, std::size_t pos) {
    return pos < text.size() ? text.substr(pos, 2) : std::string();
}

std::uint16_t HeaderField(const std::string& text, std::size_t pos) {
    return static_cast<std::uint16_t>(HexValue(Group(text, pos) + Group(text, pos + 3)));
}

std::string Hex(unsigned value, const char* format) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

unsigned long HexValue(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    unsigned long value = 0;
    for (; i < text.size(); ++i) {
        const int d = HexDigit(text[i]);
        if (d < 0) {
            break;
        }
        // Typed groups have at most four digits; stay bounded for anything longer.
        value = ((value << 4) | static_cast<unsigned long>(d)) & 0xFFFFFFFFul;
    }
    return value;
}

ParseResult ParseTypedFrame(const std::string& text, std::vector<std::uint8_t>& frame) {
    if (text.size() < kMinFrameText) {
        return ParseResult::TooShortForHeader;
    }
    const std::uint16_t len = HeaderField(text, 0);
    if (len < kCmpHeadSize || len > kFrameBufferSize || text.size() < 3u * len - 1u) {
        return ParseResult::BadPackage;
    }
    frame.assign(kFrameBufferSize, 0);
    WriteLe16(frame.data(), len);
    WriteLe16(frame.data() + 2, HeaderField(text, 6));
    WriteLe16(frame.data() + 4, HeaderField(text, 12));
    WriteLe16(frame.data() + 6, HeaderField(text, 18));
    for (std::size_t i = 0; i + kCmpHeadSize < len; ++i) {
        frame[kCmpHeadSize + i] = static_cast<std::uint8_t>(HexValue(Group(text, 24 + 3 * i)));
    }
    return ParseResult::Ok;
}

std::string TrafficLine(const std::string& timeText, const std::string& ip, Direction direction,
                        const std::uint8_t* frame, std::size_t frameSize, std::size_t maxBody) {
    static const char* const kWords[] = {"Send", "Recv", "Input"};
    std::string line = timeText + "\t" + ip + "\t" + kWords[static_cast<int>(direction)] + "\t";
    if (frame == nullptr || frameSize < kCmpHeadSize) {
        return line + "\r\n";
    }
    const CmpPacketHead head = ReadCmpHead(frame);
    for (unsigned field : {head.len, head.cmd, head.serial, head.checksum}) {
        line += Hex(field, "%x");
        line += '\t';
    }
    std::size_t count = head.len < kCmpHeadSize ? kDisplayBodyBytes : head.len - kCmpHeadSize;
    count = std::min({count, maxBody, kLineWorkArea, frameSize - kCmpHeadSize});
    for (std::size_t i = 0; i < count; ++i) {
        line += Hex(frame[kCmpHeadSize + i], "%2x");
    }
    return line + "\r\n";
}

std::string HeaderColumnsText(const ColumnHeads& heads) {
    return heads.bedNo + " \t IP \t " + heads.name + " \t " + heads.version + " \n";
}

std::string DeviceHeaderText(unsigned bedNo, const std::string& ip, const std::string& name,
                             const std::string& version) {
    return std::to_string(static_cast<int>(bedNo)) + "\t" + ip + "\t" + name + "\t" + version +
           "\n";
}

std::string TrafficColumnsText(const ColumnHeads& heads) {
    // The blanks around IP and the direction keep the heads roughly above their columns.
    return heads.time + " \t      IP \t     " + heads.direction + " \t " + heads.length + " \t " +
           heads.command + " \t " + heads.serial + " \t " + heads.checksum + " \t " + heads.body +
           "\n";
}

std::vector<std::string> SplitText(const std::string& text, char sep) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == sep) {
            entries.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) {
        entries.push_back(text.substr(start));
    }
    return entries;
}

std::string CommandFilterText(std::uint16_t cmd) {
    std::string text = Hex(cmd, "%x");
    if (text.size() == 1 || text.size() == 3) {
        text.insert(0, 1, '0');
    }
    return text;
}

bool MatchesFilter(const std::vector<std::string>& filter, std::uint16_t cmd) {
    if (filter.size() == 1 && filter[0] == "*") {
        return true;
    }
    const std::string text = CommandFilterText(cmd);
    return std::find(filter.begin(), filter.end(), text) != filter.end();
}

}  // namespace DebugFrameText
