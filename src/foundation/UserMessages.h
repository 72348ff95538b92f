#pragma once
// The main window's user messages. Session threads and pages post them; they are delivered
// on the UI thread, in posting order, to the sink the main window installs.
#include <atomic>
#include <cstdint>
#include <vector>

inline constexpr unsigned WM_DEBUG_PACKET = 0x4C8;
inline constexpr unsigned WM_LANGUAGE_CHANGED = 0x4C9;
inline constexpr unsigned WM_UPGRADE_REQUEST = 0x4CA;

class MonitorObject;

struct UserMessage {
    unsigned id = 0;
    MonitorObject* monitor = nullptr;  // not owned: a pool slot, which lives for the process
    std::vector<std::uint8_t> frame;   // WM_DEBUG_PACKET: an owned copy of the frame
    long value = 0;                    // WM_LANGUAGE_CHANGED: the new language id
};

class IUserMessageSink {
  public:
    virtual ~IUserMessageSink() = default;
    virtual void OnUserMessage(const UserMessage& message) = 0;
};

// The process-wide sink (not owned); nullptr removes it.
void SetUserMessageSink(IUserMessageSink* sink);
// Posts the message through the UI thread to the sink. False when there is no UI thread;
// a message that arrives while no sink is installed is dropped.
bool PostUserMessage(UserMessage message);
// The same, bounded: posts only while fewer than `limit` messages counted by `queued` wait to
// run (false when not posted). The count drops as each message starts to run, before the sink
// sees it, so what arrives while the sink works is posted again; a message dropped unrun drops
// its count too. `queued` must outlive the messages.
bool PostUserMessageCounted(UserMessage message, std::atomic<int>& queued, int limit);
