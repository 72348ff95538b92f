#pragma once
// The system page (tab 5), template 134: the display language, the tool's version and the
// inventory export.
#define IDD_SYSTEM_PAGE 134

// clang-format off
#define ZR40_SYSTEM_PAGE_CONTROLS(X) \
    X(kLanguageSelector, 1038, DropList,      10,  12, 120, 100, "",                 kNoText,                  None) \
    X(kLanguageButton,   1007, DefaultButton, 140, 11, 70,  14,  "语言设置",         TextId::kSetLanguage,     None) \
    X(kVersionLine,      1076, Label,         10,  36, 240, 10,  "Static",           kNoText,                  None) \
    X(kExportInventory,  1079, Button,        10,  54, 100, 14,  "Export inventory", TextId::kExportInventory, None)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(SystemPageId, ZR40_SYSTEM_PAGE_CONTROLS, kSystemPageControls, kSystemPageLayout,
                   IDD_SYSTEM_PAGE, "system")
#endif
