#include "qt/QtVirtualKeys.h"

#include <Qt>

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return keypad ? 0x60 + (qtKey - Qt::Key_0) : qtKey;
    }
    // Letters have the same numbers in both (upper case); lower-case numbers never arrive as keys.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || qtKey == Qt::Key_Space) {
        return qtKey;
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Shift:
            return 0x10;
        case Qt::Key_Control:
            return 0x11;
        case Qt::Key_Alt:
            return 0x12;
        case Qt::Key_CapsLock:
            return 0x14;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_NumLock:
            return 0x90;
        default:
            return 0;
    }
}
