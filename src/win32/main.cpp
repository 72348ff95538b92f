// The Windows program's entry: --help, --version and --headless (the core without a window),
// with the command line taken as UTF-8. The desktop window is not built yet: without
// --headless the program says so and ends.
#include <cstdio>
#include <string>
#include <vector>

#include "app/HeadlessApp.h"
#include "app/Version.h"
#include "platform/ProgramArguments.h"

namespace {

bool Has(const std::vector<std::string>& args, const char* name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = ProgramArguments(argc, argv);
    if (Has(args, "--help") || Has(args, "-h")) {
        std::printf("%s", HeadlessApp::Usage());
        return 0;
    }
    if (Has(args, "--version")) {
        std::printf("Zr40Tool %s\n", Zr40Version());
        return 0;
    }
    if (!Has(args, "--headless")) {
        std::fprintf(stderr,
                     "zr40tool: the desktop window is not built yet; run zr40tool --headless "
                     "(see --help)\n");
        return 2;
    }
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    HeadlessOptions options;
    std::string error;
    if (!HeadlessApp::ParseArguments(static_cast<int>(pointers.size()), pointers.data(), options,
                                     error)) {
        std::fprintf(stderr, "zr40tool: %s\n", error.c_str());
        std::fprintf(stderr, "%s", HeadlessApp::Usage());
        return 2;
    }
    HeadlessApp app(std::move(options));
    return app.Run();
}
