#include "registry/ModuleNameTable.h"

#include "registry/ModuleMask.h"

namespace {
const char* const kModuleNames[kModuleIndexCount] = {
    "",        "ECG",    "RESP",    "NIBP",    "SpO2",    "TEMP",    "QUICK_TEMP",
    "IBP_ART", "IBP_PA", "IBP_CVP", "IBP_RAP", "IBP_LAP", "IBP_ICP", "IBP_P1",
    "IBP_P2",  "CO",     "CO2",     "RM",      "BIS",     "RM_CO2",  "ICG",
    "PR",      "AG_AA",  "AG_CO2",  "AG_N2O",  "AG_O2"};
}  // namespace

const char* ModuleNameTable::Name(int index) {
    if (index < 0 || index >= kModuleIndexCount) {
        return "";
    }
    return kModuleNames[index];
}

WString ModuleNameTable::WideName(int index) {
    // The names are plain ASCII, so each byte is one UTF-16 unit.
    const char* name = Name(index);
    WString wide;
    for (const char* c = name; *c != '\0'; ++c) {
        wide.push_back(static_cast<WChar>(static_cast<unsigned char>(*c)));
    }
    return wide;
}

std::string ModuleSetText(const ModuleMask& mask) {
    std::string text;
    for (int i = 0; i < kModuleIndexCount; ++i) {
        if (mask[static_cast<std::size_t>(i)] != 1) {
            continue;
        }
        const char* name = ModuleNameTable::Name(i);
        if (name == nullptr || *name == '\0') {
            continue;  // index 0 has no name; a separator around nothing would read wrong
        }
        if (!text.empty()) {
            text += " + ";
        }
        text += name;
    }
    return text;
}
