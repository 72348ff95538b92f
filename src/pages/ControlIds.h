#pragma once
// TEMPORARY umbrella while merging
#include "pages/APPageLayout.h"
#include "pages/DebugPageLayout.h"
#include "pages/ModulePageLayout.h"
#include "pages/NetPageLayout.h"
#include "pages/SystemPageLayout.h"
#include "pages/UpdatePageLayout.h"
