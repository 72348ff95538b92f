#include "platform/ProcessElevation.h"

// NetworkManager's own policy decides who may start a hotspot; root is not needed.
bool ProcessTokenElevated() {
    return true;
}

bool StartThisProgramElevated() {
    return false;
}
