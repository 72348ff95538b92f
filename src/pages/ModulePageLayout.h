#pragma once
// The module page (tab 2), template 130: which monitors the list offers (the filter) and the
// module set to give the checked ones. Two groups of radio buttons.
#define IDD_MODULE_PAGE 130

// clang-format off
#define ZR40_MODULE_PAGE_CONTROLS(X) \
    X(kFilterGroup,       1071, Group,  5,   3,   150, 96, "设备筛选",      TextId::kDeviceFilter,         None) \
    X(kFilterEcg,         1039, Radio,  16,  20,  130, 12, "ECG设备",       TextId::kFilterEcgDevices,     StartsGroup) \
    X(kFilterEcgSpo2,     1040, Radio,  16,  40,  130, 12, "ECG+SpO2设备",  TextId::kFilterEcgSpo2Devices, None) \
    X(kFilterAll,         1047, Radio,  16,  60,  130, 12, "所有设备",      TextId::kFilterAllDevices,     None) \
    X(kModuleGroup,       1072, Group,  161, 3,   150, 96, "模块选择",      TextId::kModuleSelection,      StartsGroup) \
    X(kModuleEcg,         1034, Radio,  172, 16,  130, 12, "ECG",           kNoText,                       StartsGroup) \
    X(kModuleSpo2,        1035, Radio,  172, 31,  130, 12, "SpO2",          kNoText,                       None) \
    X(kModuleEcgSpo2,     1036, Radio,  172, 46,  130, 12, "ECG+SpO2",      kNoText,                       None) \
    X(kModuleEcgResp,     1037, Radio,  172, 61,  130, 12, "ECG+RESP",      kNoText,                       None) \
    X(kModuleEcgSpo2Resp, 1038, Radio,  172, 76,  130, 12, "ECG+SpO2+RESP", kNoText,                       None) \
    X(kModify,            1001, Button, 161, 106, 60,  14, "修改",          TextId::kModify,               StartsGroup)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(ModulePageId, ZR40_MODULE_PAGE_CONTROLS, kModulePageControls, kModulePageLayout,
                   IDD_MODULE_PAGE, "module")
#endif
