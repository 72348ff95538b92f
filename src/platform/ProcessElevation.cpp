#include "platform/ProcessElevation.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_hooksMutex;
ElevatedRestartHooks g_hooks;

ElevatedRestartHooks Hooks() {
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    return g_hooks;
}

class SystemElevation : public IProcessElevation {
  public:
    bool MayStartAccessPoint() override { return ProcessTokenElevated(); }
    bool RestartElevated() override {
        const ElevatedRestartHooks hooks = Hooks();
        if (hooks.before) {
            hooks.before();
        }
        const bool started = StartThisProgramElevated();
        if (hooks.after) {
            hooks.after(started);
        }
        return started;
    }
};

}  // namespace

IProcessElevation& GetProcessElevation() {
    static SystemElevation elevation;
    return elevation;
}

void SetElevatedRestartHooks(ElevatedRestartHooks hooks) {
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    g_hooks = std::move(hooks);
}
