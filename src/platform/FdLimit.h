#pragma once
// The process's open-descriptor limit.

// Raises the soft RLIMIT_NOFILE to the hard limit, so many idle connections do not run the
// process out of descriptors. Returns the soft limit now in force, or -1 when it is unknown or
// there is none (Windows, where handles are bounded only by memory: nothing to raise there).
long RaiseFdLimitToHard();
