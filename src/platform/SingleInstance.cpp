#include "platform/SingleInstance.h"

#include <utility>

SingleInstance::SingleInstance(std::string key) : key_(std::move(key)) {
    Acquire();
}

std::string InstanceKeyForPort(int firstPort) {
    return firstPort > 0 ? "ports-" + std::to_string(firstPort) : std::string();
}

std::string AlreadyRunningMessage(int firstPort) {
    return "Zr40Tool is already running\n"
           "Another copy listens on the ports from " +
           std::to_string(firstPort) +
           " on; this one ends and leaves it untouched (give a copy of its own another "
           "--port-base).";
}
