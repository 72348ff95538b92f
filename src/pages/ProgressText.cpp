#include "pages/ProgressText.h"

int ProgressOfText(const std::string& text) {
    if (text.size() < 2 || text.size() > 4 || text.back() != '%') {
        return -1;
    }
    int value = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value <= 100 ? value : -1;
}
