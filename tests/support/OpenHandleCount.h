#pragma once
// How many descriptors (Linux) or kernel handles (Windows) the process holds, for tests that
// check nothing leaks. -1 when it cannot be counted.
int OpenHandleCount();
