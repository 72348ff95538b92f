#pragma once
// Qt's key numbers as the Windows virtual-key codes the debug console's key filter reads.

// `keypad`: the event carried Qt's keypad modifier (digits then map to the numeric-keypad codes
// 0x60-0x69). Keys without a counterpart here give 0, which the filter refuses.
int VirtualKeyFromQtKey(int qtKey, bool keypad);
