#pragma once
// The kernel's id of the calling thread, as the logs print it.
int CurrentThreadId();
