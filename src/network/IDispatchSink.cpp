#include "network/IDispatchSink.h"

#include <atomic>

namespace {
std::atomic<IDispatchSink*> g_dispatchSink{nullptr};
}

void SetDispatchSink(IDispatchSink* sink) {
    g_dispatchSink.store(sink);
}

IDispatchSink* GetDispatchSink() {
    return g_dispatchSink.load();
}
