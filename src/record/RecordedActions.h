#pragma once
// What the pages and the upgrade manager write into the service record, built from the
// monitor's own records: who the monitor is (GUID, name, bed, address, version) and what an
// order changes, field by field, from what the monitor last reported to what is sent. A Wi-Fi
// key is never written, only that it changed.
#include <cstdint>
#include <string>
#include <vector>

#include "record/ServiceEntry.h"
#include "registry/ModuleMask.h"
#include "registry/WifiConfig.h"

class CMonitorObjectMng;
class MonitorObject;
class ServiceRecord;
class UpgradeFileSet;

// The monitor's GUID, device name, bed, IP address and software version (action and result
// left empty).
ServiceEntry DescribeMonitor(MonitorObject* monitor);

// "field: old → new", or "" when the two are the same.
std::string FieldChange(const std::string& field, const std::string& before,
                        const std::string& after);
// The Wi-Fi order's changes; the key only as "key: changed".
std::string WifiChanges(const WifiConfig& before, const WifiConfig& after);
// "folder: DIR; NAME (MD5); ..." of a loaded firmware set.
std::string FirmwareText(const UpgradeFileSet& files);

// The four network orders to one monitor, each waiting for its acknowledgement.
void RecordNetworkOrders(MonitorObject* monitor, const std::string& deviceName,
                         const WifiConfig& wifi, std::uint32_t serverIp, std::uint16_t serverPort,
                         std::uint8_t reconnectIndex, ServiceRecord& record);
void RecordModuleOrder(MonitorObject* monitor, const ModuleMask& mask, ServiceRecord& record);
void RecordUpgradeStart(MonitorObject* monitor, const UpgradeFileSet& files, ServiceRecord& record);
// `finished`: the last piece went out or the monitor reported success; else it reported a
// failure.
void RecordUpgradeEnd(MonitorObject* monitor, bool finished, ServiceRecord& record);
// The monitors connected now (registered, with a connect time), in GUID order: whatever page
// filters the list, these are the monitors the tool talks to.
std::vector<MonitorObject*> ConnectedMonitors(const CMonitorObjectMng& pool);
// After the list's refresh (UI thread): see ServiceRecord::Watch.
void WatchConnectedMonitors(const CMonitorObjectMng& pool, ServiceRecord& record);
