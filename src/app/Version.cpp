#include "app/Version.h"

const char* Zr40Version() {
    return ZR40_VERSION;
}
