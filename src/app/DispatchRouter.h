#pragma once
// Wires what the command dispatch hands on to where it belongs: a command result to the
// monitor table's acknowledgements and to the upgrade manager (whatever page is shown), an
// upgrade request to the upgrade manager, which answers it at once on the session thread that
// received it; the UI thread only shows the state the manager's table holds.
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
