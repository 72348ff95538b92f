#pragma once
// What the process holds, for tests that check nothing leaks. Each is -1 when it cannot be
// counted.

// Open descriptors (Linux) or kernel handles (Windows).
int OpenHandleCount();
// The process's threads.
int ThreadCount();
// Resident memory in kB (Linux VmRSS, Windows working set).
long ResidentKb();
// Whether this Windows program runs under Wine, whose sockets differ from Windows' in places.
bool RunningUnderWine();
