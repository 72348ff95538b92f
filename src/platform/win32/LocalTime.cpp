#include <time.h>

#include "platform/LocalTime.h"

bool ToLocalTime(std::time_t moment, std::tm& local) {
    return localtime_s(&local, &moment) == 0;
}
