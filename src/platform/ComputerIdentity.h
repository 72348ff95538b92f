#pragma once
// Who works where: the PC's name and the operating-system user the tool runs as, written into
// each service record line. Empty when the system does not say.
#include <string>

std::string ComputerName();
std::string OperatingSystemUser();
