#pragma once
// The key text a status line shows for a monitor that handshook with a GUID.
#include <string>

#include "foundation/Guid.h"

// The tool keys monitors by the GUID without its first field. Status lines name a monitor by it
// for sure; its device name may still be unknown ("?") when it arrives.
std::string MonitorKeyText(GUID guid);
