#pragma once
// A hint to the processor that the caller is spinning on a lock another core holds: it saves
// power and lets the core's other hardware thread run. Does nothing where there is no such hint.
inline void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}
