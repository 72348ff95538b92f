#pragma once
// Wires what the command dispatch hands on to where it belongs: a command result to the
// monitor table's acknowledgements and to the upgrade manager (whatever page is shown), an
// upgrade request to the UI thread as WM_UPGRADE_REQUEST, which the front end answers through
// the upgrade manager. However fast a monitor asks, at most one such message per monitor waits
// in the UI queue; it answers the latest stored request once.
#include "network/IDispatchSink.h"

class CMonitorTable;
class UpdateConfigManager;

class DispatchRouter : public IDispatchSink {
  public:
    DispatchRouter(CMonitorTable& table, UpdateConfigManager& upgrade);

    void OnCommandResult(MonitorObject* monitor) override;
    void OnUpgradeRequest(MonitorObject* monitor) override;

  private:
    CMonitorTable& table_;
    UpdateConfigManager& upgrade_;
};

// The router over the process-wide monitor table and upgrade manager, created on first use and
// never destroyed (sessions may still call it while a front end goes away).
DispatchRouter& GetDispatchRouter();
