#pragma once
// The process-wide user-message sink for a test's lifetime, keeping every message it is sent.
#include <vector>

#include "foundation/UserMessages.h"

class RecordingMessageSink : public IUserMessageSink {
  public:
    RecordingMessageSink() { SetUserMessageSink(this); }
    ~RecordingMessageSink() override { SetUserMessageSink(nullptr); }
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    void OnUserMessage(const UserMessage& message) override { messages.push_back(message); }

    std::vector<UserMessage> messages;
};
