#pragma once
// Tells the installers that the tool runs: a named mutex, held for the marker's lifetime, that
// they open to refuse replacing or removing a running program. Global, so that a deployment
// running in another session sees a copy a user started.
#include <memory>

inline constexpr wchar_t kRunningMarkerName[] = L"Global\\Zr40ToolRunning";

class RunningMarker {
  public:
    RunningMarker();
    // Whether a running copy holds the marker (for the installers' check).
    static bool HeldElsewhere();

  private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> mutex_;
};
