#pragma once
// Where the command dispatch hands what a monitor asked for or answered, once the monitor's
// records hold it: the application wires it to the monitor table and the upgrade manager, so
// the network layer never calls up into either. Both calls run on the monitor's session thread.
class MonitorObject;

class IDispatchSink {
  public:
    virtual ~IDispatchSink() = default;
    // The monitor's lastResult has just been updated from a command result (0x0120).
    virtual void OnCommandResult(MonitorObject* monitor) = 0;
    // The monitor's latest upgrade request (0x0113) has just been stored in it; the sink may
    // answer it before returning (the session reads nothing more from the monitor meanwhile).
    virtual void OnUpgradeRequest(MonitorObject* monitor) = 0;
};

// The process-wide sink (not owned); nullptr removes it. With none, results and requests are
// stored in the monitor's records and go no further.
void SetDispatchSink(IDispatchSink* sink);
IDispatchSink* GetDispatchSink();
