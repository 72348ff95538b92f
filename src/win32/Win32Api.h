#pragma once
// The Windows headers for the window's sources, made to live beside the core's headers: the core
// has a `struct GUID` of its own and a method named MessageBox. Windows' GUID is renamed while its
// headers are read (every Windows header this front end needs is read here, so each sees the same
// name), and the A/W macros that would rename core methods are dropped.
#define GUID WindowsGuid
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <uxtheme.h>
#undef GUID
#undef MessageBox
