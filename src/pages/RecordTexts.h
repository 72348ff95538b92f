#pragma once
// The numbered texts of the service record and the inventory export.
inline constexpr int kTextExportInventory = 120;  // the system page's button
inline constexpr int kTextRecordProblem = 121;    // the record cannot be written (folder follows)
inline constexpr int kTextInventoryFailed = 122;  // the inventory cannot be written (path follows)
