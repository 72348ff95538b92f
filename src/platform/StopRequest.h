#pragma once
// A long-running front end's request to stop: the operator's stop signals (Ctrl-C and SIGTERM on
// Linux; Ctrl-C, Ctrl-Break, closing the console window and the end of the user's session on
// Windows) or Request from any thread. The front end creates one, catches the signals while it
// runs, waits, stops its work, then releases the signals.
#include <memory>

class StopRequest {
  public:
    // `hearSessionEnd`: on Windows, also stop at the end of the user's session (a hidden window
    // answers it); tests that run no program leave it out.
    explicit StopRequest(bool hearSessionEnd = true);
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    // False when the system could not give the means to wait (then Wait returns at once).
    bool Valid() const;
    // Routes the operator's stop signals to this object until ReleaseStopSignals; the previous
    // handlers come back then. One object at a time catches them.
    void CatchStopSignals();
    // Gives the signals back. On Windows a console being closed or a session ending waits for
    // this call (up to the few seconds the system allows), so the work is stopped before the
    // process is ended.
    void ReleaseStopSignals();
    // Blocks until a stop is requested (one requested before the call counts).
    void Wait();
    // Forgets requests made so far.
    void Clear();
    // From any thread; async-signal-safe.
    void Request();

    struct Impl;  // the platform's means, also reached by its signal handler

  private:
    std::unique_ptr<Impl> impl_;
};
