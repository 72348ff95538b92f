#pragma once
// One copy of the tool per set of listening ports. A second copy on the same ports would retry
// its binds for minutes without a word, and closing it would stop the hosted network that the
// first copy's monitors use; so a copy first takes a lock named after its first port, and a
// copy that finds it held ends (the window program brings the running window to the front).
// Copies on other ports, and ones on ephemeral ports, never block each other.
//
// Windows: a named mutex in the session's Local\ namespace, and the first copy's window found by
// a property it carries. Linux: an flock'ed file in $XDG_RUNTIME_DIR, else the user's state
// folder; the lock ends with the process, however it ends.
#include <chrono>
#include <cstdint>
#include <string>

class SingleInstance {
  public:
    enum class State {
        Held,           // this object holds the lock
        HeldByAnother,  // another copy holds it
        Unavailable,    // no lock could be made (no folder, no rights): run without one
        None,           // no key: nothing to lock
    };

    // Tries to take the lock named by key (letters, digits, '-'); an empty key takes none.
    explicit SingleInstance(std::string key);
    ~SingleInstance() { Release(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State GetState() const { return state_; }
    bool HeldByAnother() const { return state_ == State::HeldByAnother; }
    const std::string& Key() const { return key_; }

    // Gives the lock up, for a copy started in this one's place.
    void Release();
    // Takes it again (after Release, or to retry).
    State Acquire();

  private:
    static constexpr std::intptr_t kNone = -1;
    std::string key_;
    std::intptr_t handle_ = kNone;  // the descriptor on Linux, the mutex HANDLE on Windows
    State state_ = State::None;
};

// The key for a copy whose listening ports begin at firstPort; empty for ephemeral ports (0),
// which cannot conflict.
std::string InstanceKeyForPort(int firstPort);

// Marks a window (an HWND on Windows) as the one of the copy holding key, so that a second copy
// can find it. Does nothing on Linux.
void MarkInstanceWindow(void* nativeWindow, const std::string& key);
// Brings the marked window of the copy holding key to the front, restored when minimised,
// waiting up to `wait` for it to appear (the first copy may still be starting). False when none
// was found; always false on Linux.
bool RaiseInstanceWindow(const std::string& key, std::chrono::milliseconds wait);

// What the copy that found the lock held says: the first line, "Zr40Tool is already running".
std::string AlreadyRunningMessage(int firstPort);
