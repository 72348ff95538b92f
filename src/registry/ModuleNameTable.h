#pragma once
// The fixed module names by module index, shown in the monitor list's module column.
#include <string>

#include "foundation/WideText.h"
#include "registry/ModuleMask.h"

class ModuleNameTable {
  public:
    // Name of a module index 0..25; index 0 and any index outside the table give "".
    static const char* Name(int index);
    static WString WideName(int index);
};

// The names of the modules marked 1 in the mask, joined by " + " ("ECG + SPO2").
std::string ModuleSetText(const ModuleMask& mask);
