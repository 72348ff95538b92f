#pragma once
// Keys the debug console's two text fields accept, as Windows virtual-key codes (the Qt front
// end maps its key numbers to them).
//
// Accepted: 0x30-0x39 digits, 0x41-0x46 letters A-F, 0x61-0x66 keypad 1-6, 0x20 space,
// 0x08 backspace, 0x10 shift, 0x11 control, 0x14 caps lock, 0x23 end, 0x24 home, 0x2D insert,
// 0x2E delete, 0x90 num lock. Everything else is refused.

inline constexpr int kVirtualKeyReturn = 0x0D;

bool IsDebugKeyAccepted(int virtualKey);
