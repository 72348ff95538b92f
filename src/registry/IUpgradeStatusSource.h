#pragma once
// What the monitor table needs of the upgrade manager: a monitor's upgrade record, for the
// upgrade column. The upgrade manager implements it; the registry never calls upward itself.
#include "registry/UpgradeStatus.h"

class MonitorObject;

class IUpgradeStatusSource {
  public:
    virtual ~IUpgradeStatusSource() = default;
    // A copy of the monitor's record ({0, 6} for a monitor without one).
    virtual UpgradeStatus GetUpgradeStatus(MonitorObject* monitor) = 0;
};
