#pragma once
// The numbered language texts by name. The numbers are the keys of the language files, which
// only ever gain texts at the end, so a number never changes or moves to another text.

enum class TextId : int {
    // Main window tab captions.
    kTabAccessPoint = 0,
    kTabNetworkSettings = 1,
    kTabModuleSettings = 2,
    kTabUpgrade = 3,
    kTabDebug = 4,
    kTabSystem = 5,

    // Monitor list column headings. The device name and IP also label the network page's
    // fields; the version starts the system page's version line.
    kDeviceName = 6,
    kGuid = 7,
    kDeviceIp = 8,
    kBedNo = 9,
    kConfigState = 10,
    kUpgradeState = 11,
    kVersion = 12,
    kModules = 13,

    // Access-point and network pages: labels, buttons and the password check box.
    kAuthentication = 14,
    kPassword = 15,
    kAccessPointStarted = 16,
    kLoadSettings = 17,
    kSaveSettings = 18,
    kStartAccessPoint = 19,
    kShowPassword = 20,

    // Network page: labels, list items and buttons; Modify is also the module page's button.
    kRoaming = 21,
    kRoamingThreshold = 22,
    kRoamingOn = 23,
    kRoamingOff = 24,
    kWifiTxPower = 25,
    kPowerLow = 26,
    kPowerMedium = 27,
    kPowerHigh = 28,
    kIpMode = 29,
    kIpModeDhcp = 30,
    kIpModeStatic = 31,
    kServerIp = 32,
    kChannel = 33,
    kReconnectTime = 34,
    kModify = 35,
    kModifyAddressOnly = 36,
    kModifyAllSettings = 37,

    // Configuration-state column: confirmed, and the word before the unconfirmed settings
    // (alone when a module set was refused).
    kConfigured = 38,
    kNotConfirmed = 39,

    // Module page: the device filter and the module-set group.
    kDeviceFilter = 40,
    kFilterEcgDevices = 41,
    kFilterEcgSpo2Devices = 42,
    kFilterAllDevices = 43,
    kModuleSelection = 44,

    // Upgrade page: labels, the two mode items and the buttons.
    kUpgradeMode = 45,
    kNetworkUpgrade = 46,
    kReservedMode = 47,
    kUpgradeFolder = 48,
    kBrowse = 49,
    kUpgradeServer = 50,
    kStartUpgradeServer = 51,

    // Upgrade column of the monitor list.
    kUpgradeFinished = 52,
    kUpgradeFailed = 53,

    // Shown nowhere; the language files still hold them.
    kUnused54 = 54,
    kUnused55 = 55,
    kUnused56 = 56,
    kUnused57 = 57,
    kUnused58 = 58,
    kUnused59 = 59,
    kUnused60 = 60,
    kUnused61 = 61,
    kUnused62 = 62,

    // System page: the two language choices and the language button.
    kChinese = 63,
    kEnglish = 64,
    kSetLanguage = 65,

    // Configuration-state column: nothing confirmed yet, and the names of the settings a
    // monitor has not confirmed.
    kNotConfirmedYet = 66,
    kUnconfirmedDeviceName = 67,
    kUnconfirmedWifi = 68,
    kUnconfirmedReconnectTime = 69,
    kUnconfirmedServerIp = 70,

    // Upgrade column of the monitor list.
    kUpgradeWaiting = 71,

    // Message boxes of the pages and of the start-up check.
    kNoUpgradeMode = 72,
    kNoUpgradeFolder = 73,
    kNoMonitorToUpgrade = 74,
    kNoAccessPointAdapter = 75,
    kNoWirelessAdapter = 76,
    kNoMonitorChecked = 77,
    kNoModuleSet = 78,
    kSsidTooLong = 79,
    kInvalidDeviceIp = 80,
    kInvalidServerIp = 81,
    kInvalidSettings = 82,

    // Main window: the question before closing during an upgrade.
    kCloseDuringUpgrade = 83,
    // Access-point page: the start button while the access point starts.
    kStartingAccessPoint = 84,

    // Upgrade page: the message about the chosen folder's files, and its status line.
    kRefusedUpgradeFiles = 85,
    kRefusedNoMd5 = 86,
    kRefusedBadMd5 = 87,
    kRefusedMd5Mismatch = 88,
    kRefusedUnreadable = 89,
    kRefusedTooLarge = 90,
    kNothingToServe = 91,
    kUnreadableUpgradeFolder = 92,
    kCheckingUpgradeFiles = 93,
    kIgnoredUpgradeFiles = 94,
    kFirmwareSetIncomplete = 95,

    // Main window: the question before closing while an order waits for its acknowledgement.
    kCloseWithPendingOrders = 96,
    // Access-point page: asking for administrator rights, and the start step that failed.
    kRestartAsAdministrator = 97,
    kAccessPointStepFailed = 98,

    // Debug page: labels and buttons.
    kDebugCommand = 99,
    kCommandFilter = 100,
    kSend = 101,
    kConfirm = 102,
    kClear = 103,
    kPause = 104,
    kResume = 105,
    kSaveFile = 106,
    kStopSaving = 107,

    // Upgrade page: the folder picker's title.
    kSelectUpgradeFolder = 108,
    // Network page: the first channel item.
    kChannelAuto = 109,

    // Debug page: column heads above the device line, then above the traffic lines.
    kHeadBedNo = 110,
    kHeadName = 111,
    kHeadSoftwareVersion = 112,
    kHeadTime = 113,
    kHeadDirection = 114,
    kHeadLength = 115,
    kHeadCommand = 116,
    kHeadSerial = 117,
    kHeadChecksum = 118,
    kHeadBody = 119,

    // System page's inventory button, and the messages when the service record or the
    // inventory cannot be written.
    kExportInventory = 120,
    kRecordNotWritable = 121,
    kInventoryNotWritable = 122,
};

inline constexpr int TextNumber(TextId id) {
    return static_cast<int>(id);
}

inline constexpr int kTextIdCount = 123;
static_assert(TextNumber(TextId::kInventoryNotWritable) + 1 == kTextIdCount,
              "a new text is appended after the last one");
