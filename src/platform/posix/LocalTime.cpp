#include "platform/LocalTime.h"

bool ToLocalTime(std::time_t moment, std::tm& local) {
    return localtime_r(&moment, &local) != nullptr;
}
