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
