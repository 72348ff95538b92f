#pragma once
// The network page (tab 1), template 129: the Wi-Fi settings of the checked monitor on the
// left, its addressing and name on the right, the buttons below.
#define IDD_NET_PAGE 129

// clang-format off
#define ZR40_NET_PAGE_CONTROLS(X) \
    X(kSettingsFrame,      -1,   Group,    5,   3,   306, 118, "",               kNoText,                    None) \
    X(kSsidLabel,          1059, Label,    12,  14,  64,  10,  "SSID",           kNoText,                    None) \
    X(kSsid,               1040, Edit,     78,  12,  74,  12,  "",               kNoText,                    None) \
    X(kAuthenLabel,        1060, Label,    12,  29,  64,  10,  "认证方式",       TextId::kAuthentication,    None) \
    X(kAuthen,             1026, List,     78,  27,  74,  100, "",               kNoText,                    None) \
    X(kPasswordLabel,      1061, Label,    12,  44,  64,  10,  "密码",           TextId::kPassword,          None) \
    X(kPassword,           1041, Password, 78,  42,  74,  12,  "",               kNoText,                    None) \
    X(kShowPassword,       1052, Check,    78,  56,  74,  10,  "Show PassWord",  TextId::kShowPassword,      None) \
    X(kRoamThresholdLabel, 1064, Label,    12,  70,  64,  10,  "漫游切换",       TextId::kRoamingThreshold,  None) \
    X(kRoamThreshold,      1029, Edit,     78,  68,  32,  12,  "",               kNoText,                    None) \
    X(kRoamRange,          -1,   Label,    113, 70,  40,  10,  "(-90~-65)",      kNoText,                    None) \
    X(kRoamSwitchLabel,    1063, Label,    12,  85,  64,  10,  "漫游开关",       TextId::kRoaming,           None) \
    X(kRoamSwitch,         1027, List,     78,  83,  74,  100, "",               kNoText,                    None) \
    X(kWifiPowerLabel,     1062, Label,    12,  100, 64,  10,  "WIFI发射功率",   TextId::kWifiTxPower,       None) \
    X(kWifiPower,          1028, List,     78,  98,  74,  100, "",               kNoText,                    None) \
    X(kDeviceIpLabel,      1065, Label,    158, 14,  60,  10,  "设备IP",         TextId::kDeviceIp,          None) \
    X(kDeviceIp,           1034, Address,  220, 12,  86,  12,  "",               kNoText,                    None) \
    X(kIpAccessLabel,      1066, Label,    158, 29,  60,  10,  "IP获取方式",     TextId::kIpMode,            None) \
    X(kIpAccess,           1032, List,     220, 27,  86,  100, "",               kNoText,                    None) \
    X(kServerIpLabel,      1067, Label,    158, 44,  60,  10,  "服务器IP",       TextId::kServerIp,          None) \
    X(kServerIp,           1033, Address,  220, 42,  86,  12,  "",               kNoText,                    None) \
    X(kChannelLabel,       1068, Label,    158, 59,  60,  10,  "信道",           TextId::kChannel,           None) \
    X(kChannel,            1031, List,     220, 57,  86,  140, "",               kNoText,                    None) \
    X(kReconnectTimeLabel, 1069, Label,    158, 74,  60,  10,  "重连时间",       TextId::kReconnectTime,     None) \
    X(kReconnectTime,      1030, List,     220, 72,  86,  100, "",               kNoText,                    None) \
    X(kDeviceNameLabel,    1070, Label,    158, 89,  60,  10,  "设备名称",       TextId::kDeviceName,        None) \
    X(kDeviceName,         1025, Edit,     220, 87,  86,  12,  "",               kNoText,                    None) \
    X(kModify,             1004, Button,   5,   126, 60,  14,  "修改",           TextId::kModify,            None) \
    X(kSave,               1020, Button,   71,  126, 60,  14,  "保存设置",       TextId::kSaveSettings,      None) \
    X(kLoad,               1021, Button,   137, 126, 60,  14,  "加载设置",       TextId::kLoadSettings,      None) \
    X(kAddressOnly,        1022, Button,   203, 126, 108, 14,  "仅修改IP和名称", TextId::kModifyAddressOnly, None)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(NetPageId, ZR40_NET_PAGE_CONTROLS, kNetPageControls, kNetPageLayout,
                   IDD_NET_PAGE, "network")
#endif
