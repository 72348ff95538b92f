#pragma once
// The access point page (tab 0), template 135: the hosted network's name, authentication, key
// and address, the buttons that start it and keep its settings, and what was started.
#define IDD_AP_PAGE 135

// clang-format off
#define ZR40_AP_PAGE_CONTROLS(X) \
    X(kSettingsFrame,  -1,   Group,      5,   3,   306, 86, "",              kNoText,                     None) \
    X(kSsidLabel,      1053, Label,      14,  15,  58,  10, "SSID:",         kNoText,                     None) \
    X(kSsid,           1012, Edit,       74,  13,  100, 12, "",              kNoText,                     None) \
    X(kAuthenLabel,    1054, Label,      14,  31,  58,  10, "认证方式:",     TextId::kAuthentication,     None) \
    X(kAuthen,         1015, SortedList, 74,  29,  100, 80, "",              kNoText,                     None) \
    X(kKeyLabel,       1055, Label,      14,  47,  58,  10, "密码:",         TextId::kPassword,           None) \
    X(kKey,            1013, Password,   74,  45,  100, 12, "",              kNoText,                     None) \
    X(kShowPassword,   1051, Check,      74,  59,  100, 10, "Show Password", TextId::kShowPassword,       None) \
    X(kIpLabel,        1056, Label,      14,  74,  58,  10, "IP:",           kNoText,                     None) \
    X(kIp,             1014, Address,    74,  72,  100, 12, "",              kNoText,                     None) \
    X(kStart,          1008, Button,     224, 12,  80,  14, "启动接入点",    TextId::kStartAccessPoint,   None) \
    X(kLoad,           1010, Button,     224, 28,  80,  14, "加载配置",      TextId::kLoadSettings,       None) \
    X(kSave,           1009, Button,     224, 44,  80,  14, "另存为配置",    TextId::kSaveSettings,       None) \
    X(kStartedFrame,   -1,   Group,      5,   94,  306, 40, "",              kNoText,                     None) \
    X(kStartedLabel,   1057, Label,      14,  104, 58,  10, "已启动：",      TextId::kAccessPointStarted, None) \
    X(kStartedSsid,    1017, Label,      74,  104, 150, 10, "",              kNoText,                     Hidden) \
    X(kStartedIpLabel, 1058, Label,      14,  118, 58,  10, "IP:",           kNoText,                     None) \
    X(kStartedIp,      1018, Label,      74,  118, 150, 10, "",              kNoText,                     Hidden)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(APPageId, ZR40_AP_PAGE_CONTROLS, kAPPageControls, kAPPageLayout, IDD_AP_PAGE,
                   "access point")
#endif
