#pragma once
// The upgrade page (tab 3), template 132: the upgrade mode (one only), the firmware folder and
// the start of the upgrade server, with the server's address and a status line below.
#define IDD_UPDATE_PAGE 132

// clang-format off
#define ZR40_UPDATE_PAGE_CONTROLS(X) \
    X(kModeLabel,     1073, Label,         10,  14, 72,  10, "升级模式：",       TextId::kUpgradeMode,        None) \
    X(kModeSelector,  1037, DropList,      86,  12, 120, 80, "",                 kNoText,                     None) \
    X(kFolderLabel,   1074, Label,         10,  34, 72,  10, "升级文件夹路径：", TextId::kUpgradeFolder,      None) \
    X(kFolderPath,    1036, Edit,          86,  32, 160, 12, "",                 kNoText,                     None) \
    X(kBrowse,        1035, Button,        252, 31, 56,  14, "浏览...",          TextId::kBrowse,             None) \
    X(kStart,         1003, DefaultButton, 86,  52, 100, 14, "启动升级服务器",   TextId::kStartUpgradeServer, None) \
    X(kServerLabel,   1075, Label,         10,  78, 72,  10, "升级服务器：",     TextId::kUpgradeServer,      None) \
    X(kServerAddress, 1048, Label,         86,  78, 160, 10, "",                 kNoText,                     None) \
    X(kStatusLine,    1049, Label,         86,  94, 160, 10, "",                 kNoText,                     None)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(UpdatePageId, ZR40_UPDATE_PAGE_CONTROLS, kUpdatePageControls, kUpdatePageLayout,
                   IDD_UPDATE_PAGE, "upgrade")
#endif
