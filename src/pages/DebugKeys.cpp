#include "pages/DebugKeys.h"

bool IsDebugKeyAccepted(int vk) {
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x46) || (vk >= 0x61 && vk <= 0x66)) {
        return true;
    }
    switch (vk) {
        case 0x20:  // space
        case 0x08:  // backspace
        case 0x10:  // shift
        case 0x11:  // control
        case 0x14:  // caps lock
        case 0x23:  // end
        case 0x24:  // home
        case 0x2D:  // insert
        case 0x2E:  // delete
        case 0x90:  // num lock
            return true;
        default:
            return false;
    }
}

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    using namespace QtKeyNumber;
    if (qtKey >= k0 && qtKey <= k9) {
        return keypad ? 0x60 + (qtKey - k0) : qtKey;
    }
    // Letters have the same numbers in both (upper case); lower-case numbers never arrive as keys.
    if ((qtKey >= kA && qtKey <= kZ) || qtKey == kSpace) {
        return qtKey;
    }
    switch (qtKey) {
        case kBackspace:
            return 0x08;
        case kTab:
            return 0x09;
        case kReturn:
        case kEnter:
            return 0x0D;
        case kShift:
            return 0x10;
        case kControl:
            return 0x11;
        case kAlt:
            return 0x12;
        case kCapsLock:
            return 0x14;
        case kEscape:
            return 0x1B;
        case kEnd:
            return 0x23;
        case kHome:
            return 0x24;
        case kLeft:
            return 0x25;
        case kUp:
            return 0x26;
        case kRight:
            return 0x27;
        case kDown:
            return 0x28;
        case kInsert:
            return 0x2D;
        case kDelete:
            return 0x2E;
        case kNumLock:
            return 0x90;
        default:
            return 0;
    }
}
