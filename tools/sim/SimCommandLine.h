#pragma once
// The zr40-sim command line.
#include <string>
#include <vector>

#include "SimMonitorConfig.h"

struct SimCommandLine {
    std::string host = "127.0.0.1";
    int port = 9500;
    int count = 1;
    double durationSeconds = 0;  // 0: until a signal (or --exit-after-upgrade)
    bool exitAfterUpgrade = false;
    bool quiet = false;
    bool help = false;
    std::string namePrefix = "SIM-";
    SimMonitorConfig monitor;

    // False with a message in error when an option is unknown or its value is invalid.
    bool Parse(const std::vector<std::string>& args, std::string& error);
    static std::string Usage();
};
