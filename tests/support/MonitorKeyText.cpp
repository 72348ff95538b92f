#include "MonitorKeyText.h"

#include "foundation/GuidText.h"

std::string MonitorKeyText(GUID guid) {
    guid.Data1 = 0;
    const WString text = GuidToString(guid);
    return std::string(text.begin(), text.end());  // hex digits, dashes and braces only
}
