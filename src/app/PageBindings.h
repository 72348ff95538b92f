#pragma once
// Each page's bindings: which click (or key) on which of its controls runs which handler.
#include <vector>

#include "pages/PageBinding.h"

class CAPConfigDlg;
class CDebugConfigDlg;
class CModuleConfigDlg;
class CNetConfigDlg;
class CSystemConfigDlg;
class CUpdateConfigDlg;

std::vector<PageBinding> PageBindings(CAPConfigDlg& page);
std::vector<PageBinding> PageBindings(CNetConfigDlg& page);
std::vector<PageBinding> PageBindings(CModuleConfigDlg& page);
std::vector<PageBinding> PageBindings(CUpdateConfigDlg& page);
std::vector<PageBinding> PageBindings(CDebugConfigDlg& page);
std::vector<PageBinding> PageBindings(CSystemConfigDlg& page);
