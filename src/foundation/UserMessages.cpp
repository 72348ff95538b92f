#include "foundation/UserMessages.h"

#include <atomic>
#include <utility>

#include "foundation/UiThread.h"

namespace {
std::atomic<IUserMessageSink*> g_sink{nullptr};
}

void SetUserMessageSink(IUserMessageSink* sink) {
    g_sink.store(sink);
}

bool PostUserMessage(UserMessage message) {
    return PostToUiThread([m = std::move(message)]() {
        if (IUserMessageSink* sink = g_sink.load()) {
            sink->OnUserMessage(m);
        }
    });
}
