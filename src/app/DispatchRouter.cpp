#include "app/DispatchRouter.h"

#include <new>

#include "foundation/GuidText.h"
#include "foundation/PublicFunctions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

DispatchRouter::DispatchRouter(CMonitorTable& table, UpdateConfigManager& upgrade)
    : table_(table), upgrade_(upgrade) {}

void DispatchRouter::OnCommandResult(MonitorObject* monitor) {
    table_.OnCommandResult(monitor);
    upgrade_.OnUpgradeAck(monitor);
    ServiceRecord& record = GetServiceRecord();
    if (monitor != nullptr && record.IsOpen()) {
        const CommandResult last = monitor->GetLastResult();
        record.OnCommandResult(
            CPublicFunctions::UnicodeToUtf8(GuidToString(monitor->GetGuid()).c_str()), last.code,
            last.result == 0);
    }
}

void DispatchRouter::OnUpgradeRequest(MonitorObject* monitor) {
    // Answered here, on the session thread that received it: the monitor waits for this answer
    // before it asks again, and a hand-over to the UI thread would add its queue and its
    // painting to every piece.
    upgrade_.UpdateUpgradeReq(monitor);
}

DispatchRouter& GetDispatchRouter() {
    alignas(DispatchRouter) static unsigned char storage[sizeof(DispatchRouter)];
    static DispatchRouter* const router =
        new (storage) DispatchRouter(GetMonitorTable(), GetUpdateConfigManager());
    return *router;
}
