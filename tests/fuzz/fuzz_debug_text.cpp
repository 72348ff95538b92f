// Feeds arbitrary text to the debug console's typed-frame parser and hex reader, then formats
// the parsed (or raw) bytes as a traffic line; checks the parser's promises on the frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "pages/DebugFrameText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> frame;
    const DebugFrameText::ParseResult result = DebugFrameText::ParseTypedFrame(text, frame);
    if (result == DebugFrameText::ParseResult::Ok) {
        Check(frame.size() == DebugFrameText::kFrameBufferSize);
        const std::size_t len = static_cast<std::size_t>(frame[0]) | (frame[1] << 8);
        Check(len >= 8 && len <= DebugFrameText::kFrameBufferSize);
        const std::string line =
            DebugFrameText::TrafficLine("00:00:00", "127.0.0.1", DebugFrameText::Direction::Input,
                                        frame.data(), frame.size(), size);
        Check(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
    } else if (result == DebugFrameText::ParseResult::TooShortForHeader) {
        Check(text.size() < DebugFrameText::kMinFrameText);
    }
    (void)DebugFrameText::HexValue(text);

    // The raw input as a received frame: its length field may claim more than it holds.
    const std::size_t maxBody = size > 0 ? data[0] * 8u : 0;
    (void)DebugFrameText::TrafficLine(text.substr(0, 16), text, DebugFrameText::Direction::Recv,
                                      data, size, maxBody);
    const std::vector<std::string> filter = DebugFrameText::SplitText(text, ',');
    for (const std::string& entry : filter) {
        Check(entry.find(',') == std::string::npos);
    }
    if (size >= 2) {
        const auto cmd = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
        (void)DebugFrameText::MatchesFilter(filter, cmd);
        Check(DebugFrameText::MatchesFilter({DebugFrameText::CommandFilterText(cmd)}, cmd));
    }
    return 0;
}
