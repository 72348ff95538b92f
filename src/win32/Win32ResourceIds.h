#pragma once
// The resource script's own ids; the dialog templates' ids are in the pages' descriptions
// (pages/*Layout.h). Plain macros: the resource compiler reads this file too.
// the application icon (title bar, taskbar, shortcut, Add/Remove Programs)
#define IDI_ZR40TOOL 128
