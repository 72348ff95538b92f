#include "record/Inventory.h"

#include <chrono>

#include "foundation/PublicFunctions.h"
#include "platform/ReplaceFileContents.h"
#include "platform/SocketAddr.h"
#include "record/CsvText.h"
#include "record/RecordFormat.h"
#include "record/RecordedActions.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/ModuleNameTable.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"

std::string InventoryText(const CMonitorObjectMng& pool) {
    std::string text = std::string(kUtf8Bom) + kInventoryHeader + "\r\n";
    for (MonitorObject* slot : ConnectedMonitors(pool)) {
        MonitorSystemStatus* status = slot->GetStatus();
        const std::int64_t since = status->GetConnectTime();
        MonitorAttribute attribute;
        status->GetMonitorAttribute(&attribute);
        const ServiceEntry device = DescribeMonitor(slot);
        const std::string ssid =
            CPublicFunctions::UnicodeToUtf8(FieldText(attribute.wifi.ssid).c_str());
        const std::string server = FormatDottedIpv4(attribute.wifi.serverIp) + ":" +
                                   std::to_string(attribute.wifi.serverPort);
        const auto connected =
            std::chrono::system_clock::from_time_t(static_cast<std::time_t>(since));
        text += CsvLine({device.guid, device.deviceName}) + ',' + CsvField(device.bed, false) +
                ',' +
                CsvLine({device.ip, device.version, ModuleSetText(attribute.loadedModules), ssid,
                         server}) +
                ',' + LocalTimeText(connected) + "\r\n";
    }
    return text;
}

bool WriteInventory(const std::string& path, const std::string& text) {
    return ReplaceFileContents(path, text);
}
