#pragma once
// One monitor's upgrade record in the status table.
#include "registry/UpgradeState.h"

struct UpgradeStatus {
    int progress = 0;  // percent, meaningful in state 1
    int state = kUpgradeNoRecord;
};

inline bool operator==(const UpgradeStatus& a, const UpgradeStatus& b) {
    return a.progress == b.progress && a.state == b.state;
}
