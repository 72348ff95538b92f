#include "foundation/UserMessages.h"

#include <atomic>
#include <memory>
#include <utility>

#include "foundation/UiThread.h"

namespace {

std::atomic<IUserMessageSink*> g_sink{nullptr};

void Deliver(const UserMessage& message) {
    if (IUserMessageSink* sink = g_sink.load()) {
        sink->OnUserMessage(message);
    }
}

// One place in a bounded queue: given back when the message starts to run, or when the task
// is destroyed unrun (a UI thread that goes away with tasks still queued).
class QueuedPlace {
  public:
    explicit QueuedPlace(std::atomic<int>& queued) : queued_(queued) {}
    ~QueuedPlace() { Release(); }
    QueuedPlace(const QueuedPlace&) = delete;
    QueuedPlace& operator=(const QueuedPlace&) = delete;
    void Release() {
        if (!released_.exchange(true)) {
            queued_.fetch_sub(1);
        }
    }

  private:
    std::atomic<int>& queued_;
    std::atomic<bool> released_{false};
};

}  // namespace

void SetUserMessageSink(IUserMessageSink* sink) {
    g_sink.store(sink);
}

bool PostUserMessage(UserMessage message) {
    return PostToUiThread([m = std::move(message)]() { Deliver(m); });
}

bool PostUserMessageCounted(UserMessage message, std::atomic<int>& queued, int limit) {
    int now = queued.load();
    do {
        if (now >= limit) {
            return false;
        }
    } while (!queued.compare_exchange_weak(now, now + 1));
    auto place = std::make_shared<QueuedPlace>(queued);
    // Not posted: the task, and with it the place, is gone when this returns.
    return PostToUiThread([m = std::move(message), place]() {
        place->Release();
        Deliver(m);
    });
}
