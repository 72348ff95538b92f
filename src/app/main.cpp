#include <cstdio>
#include <cstring>
#include <string>

#include "app/HeadlessApp.h"
#include "app/RecordCommand.h"
#include "app/Version.h"

namespace {

void PrintUsage() {
    std::printf("%s", HeadlessApp::Usage());
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Zr40Tool %s\n", Zr40Version());
            return 0;
        }
        if (std::strcmp(argv[i], kVerifyRecordArgument) == 0) {
            if (i + 1 >= argc) {
                PrintUsage();
                return 2;
            }
            return RunVerifyRecord(argv[i + 1]);
        }
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        }
    }
    if (!headless) {
        std::printf("Zr40Tool %s\n", Zr40Version());
        PrintUsage();
        return argc > 1 ? 2 : 0;
    }
    HeadlessOptions options;
    std::string error;
    if (!HeadlessApp::ParseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "zr40tool: %s\n", error.c_str());
        PrintUsage();
        return 2;
    }
    HeadlessApp app(std::move(options));
    return app.Run();
}
