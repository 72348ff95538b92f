#include "registry/CMonitor.h"

#include <cstddef>

IInfo::~IInfo() = default;

const std::string& CPatientInfo::Text(int index) const {
    static const std::string kEmpty;
    if (index < 0 || index >= kTextCount) {
        return kEmpty;
    }
    return texts_[index];
}

bool CPatientInfo::SetText(int index, const std::string& text) {
    if (index < 0 || index >= kTextCount) {
        return false;
    }
    texts_[index] = text;
    return true;
}

bool CMonitor::InRange(int block, int entry) {
    return block >= 0 && block < kParamBlockCount && entry >= 0 && entry < kParamEntryCount;
}

ParamLimit CMonitor::GetParamLimit(int block, int entry) const {
    if (store_.empty() || !InRange(block, entry)) {
        return ParamLimit{};
    }
    return store_[static_cast<std::size_t>(block) * kParamEntryCount +
                  static_cast<std::size_t>(entry)];
}

bool CMonitor::SetParamLimit(int block, int entry, const ParamLimit& limit) {
    if (!InRange(block, entry)) {
        return false;
    }
    if (store_.empty()) {
        store_.resize(static_cast<std::size_t>(kParamBlockCount) * kParamEntryCount);
    }
    store_[static_cast<std::size_t>(block) * kParamEntryCount + static_cast<std::size_t>(entry)] =
        limit;
    return true;
}
