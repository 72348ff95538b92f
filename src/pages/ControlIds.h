#pragma once
// Control ids of the page forms, one namespace per page: ids repeat between pages (1040 is the
// SSID field on the network page and a filter button on the module page), so a form only ever
// resolves the ids of its own page.
//
// Pages without their ids here yet (debug console, access point) add a namespace of their own.

namespace SystemPageId {
inline constexpr int kLanguageSelector = 1038;  // combo box, drop-down list
inline constexpr int kLanguageButton = 1007;    // default button
inline constexpr int kVersionLine = 1076;       // static
inline constexpr int kExportInventory = 1079;   // button
}  // namespace SystemPageId

namespace NetPageId {
// Fields and lists.
inline constexpr int kSsid = 1040;           // edit
inline constexpr int kAuthen = 1026;         // combo box
inline constexpr int kPassword = 1041;       // edit, password style
inline constexpr int kShowPassword = 1052;   // check box
inline constexpr int kRoamThreshold = 1029;  // edit
inline constexpr int kRoamSwitch = 1027;     // combo box
inline constexpr int kWifiPower = 1028;      // combo box
inline constexpr int kDeviceIp = 1034;       // IPv4 address field
inline constexpr int kIpAccess = 1032;       // combo box
inline constexpr int kServerIp = 1033;       // IPv4 address field
inline constexpr int kChannel = 1031;        // combo box
inline constexpr int kReconnectTime = 1030;  // combo box
inline constexpr int kDeviceName = 1025;     // edit
// Buttons.
inline constexpr int kModify = 1004;
inline constexpr int kSave = 1020;
inline constexpr int kLoad = 1021;
inline constexpr int kAddressOnly = 1022;
// Labels.
inline constexpr int kSsidLabel = 1059;  // keeps its template caption "SSID"
inline constexpr int kAuthenLabel = 1060;
inline constexpr int kPasswordLabel = 1061;
inline constexpr int kWifiPowerLabel = 1062;
inline constexpr int kRoamSwitchLabel = 1063;
inline constexpr int kRoamThresholdLabel = 1064;
inline constexpr int kDeviceIpLabel = 1065;
inline constexpr int kIpAccessLabel = 1066;
inline constexpr int kServerIpLabel = 1067;
inline constexpr int kChannelLabel = 1068;
inline constexpr int kReconnectTimeLabel = 1069;
inline constexpr int kDeviceNameLabel = 1070;
}  // namespace NetPageId

namespace ModulePageId {
inline constexpr int kFilterGroup = 1071;  // group box
inline constexpr int kFilterEcg = 1039;    // radio, filter group
inline constexpr int kFilterEcgSpo2 = 1040;
inline constexpr int kFilterAll = 1047;
inline constexpr int kModuleGroup = 1072;  // group box
inline constexpr int kModuleEcg = 1034;    // radio, module group
inline constexpr int kModuleSpo2 = 1035;
inline constexpr int kModuleEcgSpo2 = 1036;
inline constexpr int kModuleEcgResp = 1037;
inline constexpr int kModuleEcgSpo2Resp = 1038;
inline constexpr int kModify = 1001;
}  // namespace ModulePageId

namespace UpdatePageId {
inline constexpr int kModeLabel = 1073;      // static
inline constexpr int kModeSelector = 1037;   // combo box, drop-down list, always disabled
inline constexpr int kFolderLabel = 1074;    // static
inline constexpr int kFolderPath = 1036;     // edit
inline constexpr int kBrowse = 1035;         // button
inline constexpr int kStart = 1003;          // default button
inline constexpr int kServerLabel = 1075;    // static
inline constexpr int kServerAddress = 1048;  // static, filled on start
inline constexpr int kStatusLine = 1049;     // static, stays empty
}  // namespace UpdatePageId

namespace DebugPageId {
inline constexpr int kFrameLabel = 1077;     // static, text 99
inline constexpr int kFrameText = 1039;      // edit: the frame to send, as hexadecimal text
inline constexpr int kSend = 1002;           // button, text 101
inline constexpr int kFilterLabel = 1078;    // static, text 100
inline constexpr int kFilterText = 1044;     // edit: command words to show, space separated
inline constexpr int kConfirmFilter = 1045;  // button, text 102
inline constexpr int kDisplay = 1024;        // multi-line edit, vertical scroll bar
inline constexpr int kClear = 1003;          // button, text 103
inline constexpr int kPause = 1042;          // button, text 104 / 105 while paused
inline constexpr int kSaveFile = 1050;       // button, text 106 / 107 while saving
}  // namespace DebugPageId

namespace APPageId {
inline constexpr int kSsidLabel = 1053;       // static, "SSID"
inline constexpr int kSsid = 1012;            // edit
inline constexpr int kAuthenLabel = 1054;     // static
inline constexpr int kAuthen = 1015;          // combo box, editable: OPEN, WEP, WPA, WPA2
inline constexpr int kKeyLabel = 1055;        // static
inline constexpr int kKey = 1013;             // edit, password style
inline constexpr int kShowPassword = 1051;    // check box
inline constexpr int kIpLabel = 1056;         // static, "IP"
inline constexpr int kIp = 1014;              // IPv4 address field
inline constexpr int kStart = 1008;           // button
inline constexpr int kLoad = 1010;            // button
inline constexpr int kSave = 1009;            // button
inline constexpr int kStartedLabel = 1057;    // static
inline constexpr int kStartedSsid = 1017;     // static, hidden until the first Start
inline constexpr int kStartedIpLabel = 1058;  // static, "IP:"
inline constexpr int kStartedIp = 1018;       // static, hidden until the first Start
}  // namespace APPageId
