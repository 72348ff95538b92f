#pragma once
// Where a monitor stands in a firmware upgrade.
enum UpgradeState : int {
    kUpgradeCountAsked = 0,    // asked for the file count
    kUpgradeTransferring = 1,  // data pieces under way; progress meaningful
    kUpgradeHeaderAsked = 2,   // asked for a file's header piece
    kUpgradeFinished = 3,
    kUpgradeWaiting = 4,  // being invited
    kUpgradeFailed = 5,
    kUpgradeNoRecord = 6,
};
