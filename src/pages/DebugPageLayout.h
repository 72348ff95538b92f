#pragma once
// The debug console (tab 4), template 131: a frame to send as hexadecimal text, the command
// words to show, the traffic display and its buttons.
#define IDD_DEBUG_PAGE 131

// clang-format off
#define ZR40_DEBUG_PAGE_CONTROLS(X) \
    X(kFrameLabel,    1077, Label,   5,   6,   64,  10,  "调试命令：",   TextId::kDebugCommand,  None) \
    X(kFrameText,     1039, Edit,    71,  4,   180, 12,  "",             kNoText,                None) \
    X(kSend,          1002, Button,  257, 3,   54,  14,  "发送",         TextId::kSend,          None) \
    X(kFilterLabel,   1078, Label,   5,   22,  64,  10,  "筛选命令字：", TextId::kCommandFilter, None) \
    X(kFilterText,    1044, Edit,    71,  20,  180, 12,  "",             kNoText,                None) \
    X(kConfirmFilter, 1045, Button,  257, 19,  54,  14,  "确认",         TextId::kConfirm,       None) \
    X(kDisplay,       1024, Display, 5,   37,  306, 100, "",             kNoText,                None) \
    X(kClear,         1003, Button,  5,   141, 60,  14,  "清空信息",     TextId::kClear,         None) \
    X(kPause,         1042, Button,  71,  141, 60,  14,  "暂停更新",     TextId::kPause,         None) \
    X(kSaveFile,      1050, Button,  137, 141, 60,  14,  "保存文件",     TextId::kSaveFile,      None)
// clang-format on

#ifndef RC_INVOKED
#include "pages/PageLayout.h"

ZR40_DESCRIBE_PAGE(DebugPageId, ZR40_DEBUG_PAGE_CONTROLS, kDebugPageControls, kDebugPageLayout,
                   IDD_DEBUG_PAGE, "debug")
#endif
