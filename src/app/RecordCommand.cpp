#include "app/RecordCommand.h"

#include <cstdio>
#include <filesystem>

#include "foundation/IniFile.h"
#include "foundation/Log.h"
#include "foundation/UiThread.h"
#include "pages/LanguageTexts.h"
#include "platform/Utf8Path.h"
#include "record/RecordVerifier.h"
#include "record/ServiceRecord.h"

namespace {

constexpr std::size_t kFolderBuffer = 1024;
constexpr std::chrono::seconds kCloseWait{3};

}  // namespace

int RunVerifyRecord(const std::string& path) {
    const RecordCheck check = VerifyRecordFile(path);
    if (check.intact) {
        std::printf("Intact: %s (%d entries)\n", path.c_str(), check.entries);
        return 0;
    }
    if (check.line == 0) {
        std::printf("Not intact: %s: %s\n", path.c_str(), check.problem.c_str());
    } else {
        std::printf("Not intact: %s line %d: %s\n", path.c_str(), check.line,
                    check.problem.c_str());
    }
    return 1;
}

std::string DefaultRecordFolder() {
    const std::string logs = GetLogDirectory();
    if (!logs.empty()) {
        return logs;
    }
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string(".") : Utf8FromPath(here);
}

std::string WindowRecordFolder(const std::string& settingsPath) {
    const std::string chosen = IniFile::ReadString(settingsPath, kServiceRecordSection,
                                                   kServiceRecordFolderKey, "", kFolderBuffer);
    return chosen.empty() ? DefaultRecordFolder() : chosen;
}

std::string RecordProblemLine(const std::string& folder) {
    return "Service record: cannot write to " + folder +
           "; its lines are kept in memory and written when it can be written again";
}

std::string RecordRecoveredLine(const std::string& folder) {
    return "Service record: written to " + folder + " again";
}

bool OpenWindowServiceRecord(const std::string& settingsPath,
                             std::function<void(const std::string& text)> show) {
    ServiceRecordOptions options;
    options.folder = WindowRecordFolder(settingsPath);
    options.onProblem = [show](const std::string& folder) {
        PostToUiThread(
            [show, folder] { show(LanguageText(TextId::kRecordNotWritable) + "\n" + folder); });
    };
    return GetServiceRecord().Open(std::move(options));
}

void CloseServiceRecord() {
    GetServiceRecord().WaitWritten(kCloseWait);
    GetServiceRecord().Close();
}
