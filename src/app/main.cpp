#include <cstdio>
#include <cstring>

#include "app/Version.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Zr40Tool %s\n", Zr40Version());
            return 0;
        }
    }
    std::printf("Zr40Tool %s\n", Zr40Version());
    return 0;
}
