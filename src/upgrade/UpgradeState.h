#pragma once
// The upgrade records live with the monitor records, since the monitor table shows them.
#include "registry/UpgradeState.h"
