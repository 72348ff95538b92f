#pragma once
// The main window, template 102: the tab control over the page area and the monitor list below
// it, in dialog units; and the six pages in the order of their tabs.
#define IDD_ZR40TOOL_DIALOG 102
#define IDC_MAIN_TAB 1005
#define IDC_MONITOR_LIST 1009
#define ZR40_MAIN_WINDOW_SIZE 512, 284
#define ZR40_MAIN_TAB_RECT 7, 7, 498, 179
#define ZR40_MONITOR_LIST_RECT 6, 186, 498, 91

#ifndef RC_INVOKED
#include <array>

#include "pages/APPageLayout.h"
#include "pages/DebugPageLayout.h"
#include "pages/ModulePageLayout.h"
#include "pages/NetPageLayout.h"
#include "pages/PageLayout.h"
#include "pages/SystemPageLayout.h"
#include "pages/UpdatePageLayout.h"

inline constexpr DialogRect kMainWindowRect{0, 0, ZR40_MAIN_WINDOW_SIZE};
inline constexpr DialogRect kMainTabRect{ZR40_MAIN_TAB_RECT};
inline constexpr DialogRect kMonitorListRect{ZR40_MONITOR_LIST_RECT};
// Every page template is this size.
inline constexpr DialogRect kPageRect{0, 0, 316, 182};

// Tab index to page: access point, network, module, upgrade, debug, system.
inline constexpr std::array<const PageLayout*, 6> kPageLayouts = {
    &kAPPageLayout,     &kNetPageLayout,   &kModulePageLayout,
    &kUpdatePageLayout, &kDebugPageLayout, &kSystemPageLayout};
#endif
