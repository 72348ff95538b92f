#include "platform/FdLimit.h"

// Windows has no per-process descriptor limit to raise: sockets and files are kernel handles,
// bounded only by memory, and WSAPoll takes any number of sockets.
long RaiseFdLimitToHard() {
    return -1;
}
