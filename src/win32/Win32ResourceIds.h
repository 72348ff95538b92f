#pragma once
// Dialog template ids of the resource script (the page ids are also the pages' names in tests).
// Plain macros: the resource compiler reads this file too.
#define IDD_ZR40TOOL_DIALOG 102
// the application icon (title bar, taskbar, shortcut, Add/Remove Programs)
#define IDI_ZR40TOOL 128
#define IDD_NET_PAGE 129
#define IDD_MODULE_PAGE 130
#define IDD_DEBUG_PAGE 131
#define IDD_UPDATE_PAGE 132
#define IDD_SYSTEM_PAGE 134
#define IDD_AP_PAGE 135
#define IDC_MAIN_TAB 1005
#define IDC_MONITOR_LIST 1009
