#include "record/RecordedActions.h"

#include "foundation/FileHelpers.h"
#include "foundation/GuidText.h"
#include "foundation/PublicFunctions.h"
#include "foundation/UpgradeFileSet.h"
#include "platform/Socket.h"
#include "platform/Utf8Path.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CommandResult.h"
#include "registry/ModuleNameTable.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"
#include "registry/MonitorPatientInfo.h"

namespace {

std::string Utf8(const WString& text) {
    return CPublicFunctions::UnicodeToUtf8(text.c_str());
}

template <std::size_t N>
std::string Utf8Field(const WChar (&field)[N]) {
    return Utf8(FieldText(field));
}

std::string Dotted(std::uint32_t ip) {
    return FormatDottedIpv4(ip);
}

std::string Choice(int index, std::initializer_list<const char*> names) {
    int at = 0;
    for (const char* name : names) {
        if (at++ == index) {
            return name;
        }
    }
    return std::to_string(index);
}

std::string Authentication(int authen) {
    return Choice(authen - 1, {"OPEN", "WEP", "WPA", "WPA2"});
}

std::string Channel(int channel) {
    return channel == 0 ? std::string("Auto") : std::to_string(channel);
}

std::string Reconnect(int index) {
    return Choice(index, {"5s", "30s", "60s", "3min"});
}

void Join(std::string& into, const std::string& change) {
    if (change.empty()) {
        return;
    }
    if (!into.empty()) {
        into += "; ";
    }
    into += change;
}

std::string OrNoChange(std::string changes) {
    return changes.empty() ? std::string("no change") : changes;
}

MonitorAttribute AttributeOf(MonitorObject* monitor) {
    MonitorAttribute attribute;
    if (monitor != nullptr && monitor->GetStatus() != nullptr) {
        monitor->GetStatus()->GetMonitorAttribute(&attribute);
    }
    return attribute;
}

ServiceEntry Action(MonitorObject* monitor, const char* action, std::string changes) {
    ServiceEntry entry = DescribeMonitor(monitor);
    entry.action = action;
    entry.changes = std::move(changes);
    return entry;
}

}  // namespace

ServiceEntry DescribeMonitor(MonitorObject* monitor) {
    ServiceEntry entry;
    if (monitor == nullptr) {
        return entry;
    }
    entry.guid = Utf8(GuidToString(monitor->GetGuid()));
    entry.ip = DottedAddress(monitor->GetPeer().addr);
    if (MonitorSystemStatus* status = monitor->GetStatus()) {
        MonitorAttribute attribute;
        status->GetMonitorAttribute(&attribute);
        MonitorPatientInfo patient;
        status->GetMonitorPatientInfo(&patient);
        entry.deviceName = Utf8Field(attribute.deviceName);
        entry.version = Utf8Field(attribute.softwareVersion);
        entry.bed = std::to_string(static_cast<int>(patient.bedNo));  // shown signed, as listed
    }
    return entry;
}

std::string FieldChange(const std::string& field, const std::string& before,
                        const std::string& after) {
    return before == after ? std::string() : field + ": " + before + " → " + after;
}

std::string WifiChanges(const WifiConfig& before, const WifiConfig& after) {
    std::string changes;
    Join(changes, FieldChange("SSID", Utf8Field(before.ssid), Utf8Field(after.ssid)));
    Join(changes, FieldChange("authentication", Authentication(before.authen),
                              Authentication(after.authen)));
    if (FieldText(before.password) != FieldText(after.password)) {
        Join(changes, "key: changed");
    }
    Join(changes, FieldChange("roaming threshold", std::to_string(before.roamThreshold),
                              std::to_string(after.roamThreshold)));
    Join(changes, FieldChange("roaming switch", std::to_string(before.roamSwitch),
                              std::to_string(after.roamSwitch)));
    Join(changes, FieldChange("transmit power", std::to_string(before.wifiPower),
                              std::to_string(after.wifiPower)));
    Join(changes, FieldChange("device address", Dotted(before.deviceIp), Dotted(after.deviceIp)));
    Join(changes,
         FieldChange("IP access", std::to_string(before.ipAccess), std::to_string(after.ipAccess)));
    Join(changes, FieldChange("channel", Channel(before.channel), Channel(after.channel)));
    return changes;
}

std::string FirmwareText(const UpgradeFileSet& files) {
    std::string text = "folder: " + files.GetFolder();
    for (int serial = 1; serial <= files.GetFileCount(); ++serial) {
        int length = 0;
        const std::uint8_t* piece = nullptr;
        std::string digest;
        if (files.GetPiece(serial, 0, length, piece) && piece != nullptr &&
            length >= UpgradeFile::kDigestOffset + UpgradeFile::kDigestSize) {
            digest.assign(reinterpret_cast<const char*>(piece) + UpgradeFile::kDigestOffset,
                          UpgradeFile::kDigestSize);
        }
        text += "; " + FileNameOf(files.GetFilePath(serial)) + " (MD5 " + digest + ")";
    }
    return text;
}

void RecordNetworkOrders(MonitorObject* monitor, const std::string& deviceName,
                         const WifiConfig& wifi, std::uint32_t serverIp, std::uint16_t serverPort,
                         std::uint8_t reconnectIndex, ServiceRecord& record) {
    if (monitor == nullptr || !record.IsOpen()) {
        return;
    }
    const MonitorAttribute now = AttributeOf(monitor);
    const std::string sentName = Utf8(CPublicFunctions::MultiByteToWstring(deviceName.c_str()));
    record.AwaitAnswer(
        Action(monitor, kActionDeviceName,
               OrNoChange(FieldChange("device name", Utf8Field(now.deviceName), sentName))),
        kResultDeviceName);
    record.AwaitAnswer(Action(monitor, kActionWifi, OrNoChange(WifiChanges(now.wifi, wifi))),
                       kResultWifi);
    const std::string port = std::to_string(now.wifi.serverPort);
    record.AwaitAnswer(
        Action(monitor, kActionServer,
               OrNoChange(FieldChange("server address", Dotted(now.wifi.serverIp) + ":" + port,
                                      Dotted(serverIp) + ":" + std::to_string(serverPort)))),
        kResultServer);
    record.AwaitAnswer(Action(monitor, kActionReconnect,
                              OrNoChange(FieldChange("reconnect time", Reconnect(now.reconnectSel),
                                                     Reconnect(reconnectIndex)))),
                       kResultReconnect);
}

void RecordModuleOrder(MonitorObject* monitor, const ModuleMask& mask, ServiceRecord& record) {
    if (monitor == nullptr || !record.IsOpen()) {
        return;
    }
    const MonitorAttribute now = AttributeOf(monitor);
    record.AwaitAnswer(Action(monitor, kActionModuleSet,
                              OrNoChange(FieldChange("module set", ModuleSetText(now.loadedModules),
                                                     ModuleSetText(mask)))),
                       kResultModuleSet);
}

void RecordUpgradeStart(MonitorObject* monitor, const UpgradeFileSet& files,
                        ServiceRecord& record) {
    if (monitor != nullptr && record.IsOpen()) {
        record.UpgradeStarted(Action(monitor, kActionUpgradeStart, FirmwareText(files)));
    }
}

void RecordUpgradeEnd(MonitorObject* monitor, bool finished, ServiceRecord& record) {
    if (monitor == nullptr || !record.IsOpen()) {
        return;
    }
    ServiceEntry entry = Action(monitor, kActionUpgradeEnd, std::string());
    entry.result = finished ? std::string(kResultFinished)
                            : std::string(kResultFailed) + ": the monitor reported a failure";
    record.UpgradeEnded(std::move(entry), finished);
}

std::vector<MonitorObject*> ConnectedMonitors(const CMonitorObjectMng& pool) {
    std::vector<MonitorObject*> monitors;
    for (const auto& [key, slot] : pool.SnapshotIndex()) {
        // The slot may have changed hands since the snapshot.
        if (slot != nullptr && pool.FindObj(key) == slot && slot->GetStatus() != nullptr &&
            slot->GetStatus()->GetConnectTime() != 0) {
            monitors.push_back(slot);
        }
    }
    return monitors;
}

void WatchConnectedMonitors(const CMonitorObjectMng& pool, ServiceRecord& record) {
    if (!record.NeedsWatch()) {
        return;
    }
    std::vector<ListedMonitor> monitors;
    for (MonitorObject* monitor : ConnectedMonitors(pool)) {
        monitors.push_back(
            ListedMonitor{DescribeMonitor(monitor), monitor->GetStatus()->GetConnectTime()});
    }
    record.Watch(monitors);
}
