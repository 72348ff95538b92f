#include "app/DispatchRouter.h"

#include <new>

#include "foundation/UserMessages.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

DispatchRouter::DispatchRouter(CMonitorTable& table, UpdateConfigManager& upgrade)
    : table_(table), upgrade_(upgrade) {}

void DispatchRouter::OnCommandResult(MonitorObject* monitor) {
    table_.OnCommandResult(monitor);
    upgrade_.OnUpgradeAck(monitor);
}

void DispatchRouter::OnUpgradeRequest(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    UserMessage message;
    message.id = WM_UPGRADE_REQUEST;
    message.monitor = monitor;
    // When one is queued already, it will answer this request: the monitor holds the latest.
    PostUserMessageCounted(std::move(message), monitor->QueuedUpgradeMessages(), 1);
}

DispatchRouter& GetDispatchRouter() {
    alignas(DispatchRouter) static unsigned char storage[sizeof(DispatchRouter)];
    static DispatchRouter* const router =
        new (storage) DispatchRouter(GetMonitorTable(), GetUpdateConfigManager());
    return *router;
}
