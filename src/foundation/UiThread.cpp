#include "foundation/UiThread.h"

#include <atomic>

namespace {
std::atomic<IUiThread*> g_uiThread{nullptr};
}

void SetUiThread(IUiThread* uiThread) {
    g_uiThread.store(uiThread);
}

IUiThread* GetUiThread() {
    return g_uiThread.load();
}

bool PostToUiThread(UiTask task) {
    IUiThread* ui = g_uiThread.load();
    if (ui == nullptr) {
        return false;
    }
    ui->Post(std::move(task));
    return true;
}
