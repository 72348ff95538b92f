#pragma once
// Tells the installers that the tool runs: a named mutex, held for the marker's lifetime, that
// they open to refuse replacing or removing a running program. Global, so that a deployment
// running in another session sees a copy a user started.
#include <memory>

inline constexpr wchar_t kRunningMarkerName[] = L"Global\\Zr40ToolRunning";

class RunningMarker {
  public:
    RunningMarker();

  private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> mutex_;
};
