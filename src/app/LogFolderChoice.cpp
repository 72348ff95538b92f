#include "app/LogFolderChoice.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "foundation/Log.h"
#include "platform/ThreadId.h"
#include "platform/UserFolders.h"
#include "platform/Utf8Path.h"

bool FolderIsWritable(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name = ".zr40tool-write-check-" + std::to_string(CurrentThreadId()) + "-" +
                             std::to_string(now) + "-" + std::to_string(counter++);
    const std::filesystem::path probe = PathFromUtf8(folder.empty() ? "." : folder) / name;
    std::FILE* file = OpenFileUtf8(Utf8FromPath(probe), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fputc('\n', file) != EOF;
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    std::filesystem::remove(probe, ec);
    return written && closed;
}

LogFolderChoice ChooseLogFolder(const std::string& workingDir, const std::string& userFolder) {
    LogFolderChoice choice;
    // an installed copy started in its own folder, or from an elevated prompt in System32, could
    // write there, and its uninstaller would leave the logs behind
    if (!IsProtectedFolder(workingDir) && FolderIsWritable(workingDir)) {
        return choice;
    }
    if (!userFolder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(PathFromUtf8(userFolder), ec);
        if (FolderIsWritable(userFolder)) {
            choice.folder = userFolder;
            return choice;
        }
    }
    choice.problem = "zr40tool: cannot write log files in the working directory" +
                     (userFolder.empty() ? std::string() : " or in " + userFolder);
    return choice;
}

std::string UseDefaultLogFolder() {
    const LogFolderChoice choice = ChooseLogFolder(std::string(), UserLogFolder());
    if (!choice.folder.empty()) {
        SetLogDirectory(choice.folder);
        return "Logs: " + choice.folder;
    }
    return choice.problem;
}
