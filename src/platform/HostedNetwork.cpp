#include "platform/HostedNetwork.h"

#include <thread>

bool IsSafeHostedNetworkText(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        // C1 controls are U+0080..U+009F, in UTF-8 0xC2 0x80..0x9F.
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return false;
            }
        }
    }
    return true;
}

void HostedNetworkPause(std::chrono::milliseconds pause) {
    if (pause.count() > 0) {
        std::this_thread::sleep_for(pause);
    }
}
