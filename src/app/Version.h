#pragma once
// The tool's version text, as the system page and --version show it.
const char* Zr40Version();
