#pragma once
// Keys the debug console's two text fields accept, as Windows virtual-key codes, and the
// mapping from Qt key numbers to those codes (Qt's numbers written out, so the core needs no
// Qt header).
//
// Accepted: 0x30-0x39 digits, 0x41-0x46 letters A-F, 0x61-0x66 keypad 1-6, 0x20 space,
// 0x08 backspace, 0x10 shift, 0x11 control, 0x14 caps lock, 0x23 end, 0x24 home, 0x2D insert,
// 0x2E delete, 0x90 num lock. Everything else is refused.

namespace QtKeyNumber {
inline constexpr int kSpace = 0x20;
inline constexpr int k0 = 0x30;
inline constexpr int k9 = 0x39;
inline constexpr int kA = 0x41;
inline constexpr int kZ = 0x5a;
inline constexpr int kTab = 0x01000001;
inline constexpr int kBackspace = 0x01000003;
inline constexpr int kReturn = 0x01000004;
inline constexpr int kEnter = 0x01000005;
inline constexpr int kInsert = 0x01000006;
inline constexpr int kDelete = 0x01000007;
inline constexpr int kHome = 0x01000010;
inline constexpr int kEnd = 0x01000011;
inline constexpr int kLeft = 0x01000012;
inline constexpr int kUp = 0x01000013;
inline constexpr int kRight = 0x01000014;
inline constexpr int kDown = 0x01000015;
inline constexpr int kShift = 0x01000020;
inline constexpr int kControl = 0x01000021;
inline constexpr int kAlt = 0x01000023;
inline constexpr int kCapsLock = 0x01000024;
inline constexpr int kNumLock = 0x01000025;
inline constexpr int kEscape = 0x01000000;
}  // namespace QtKeyNumber

inline constexpr int kVirtualKeyReturn = 0x0D;

bool IsDebugKeyAccepted(int virtualKey);

// `keypad`: the event carried Qt's keypad modifier (digits then map to the numeric-keypad
// codes 0x60-0x69). Keys without a Windows counterpart here give 0, which is refused.
int VirtualKeyFromQtKey(int qtKey, bool keypad);
