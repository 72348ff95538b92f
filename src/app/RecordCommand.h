#pragma once
// The service record as the programs start and end it: the check of a record file from the
// command line, the folder a record goes to, and its problems told to the user.
#include <functional>
#include <string>

inline constexpr char kVerifyRecordArgument[] = "--verify-record";
// The window's choice of folder in SystemSetting.ini.
inline constexpr char kServiceRecordSection[] = "ServiceRecord";
inline constexpr char kServiceRecordFolderKey[] = "Folder";

// Checks the file and prints the outcome ("Intact: FILE (N entries)", or "Not intact: FILE
// line L: what"); 0 when intact, 1 when not or unreadable.
int RunVerifyRecord(const std::string& path);

// Beside the logs: the log folder, or the working directory while the logs go there.
std::string DefaultRecordFolder();
// `Folder` of section `ServiceRecord` in the settings file, else DefaultRecordFolder().
std::string WindowRecordFolder(const std::string& settingsPath);

// The headless tool's lines when the record cannot be written, and when it can again.
std::string RecordProblemLine(const std::string& folder);
std::string RecordRecoveredLine(const std::string& folder);

// Opens the process-wide record for a window: a problem is shown once, in the chosen language,
// by `show` on the UI thread. False when the folder is empty.
bool OpenWindowServiceRecord(const std::string& settingsPath,
                             std::function<void(const std::string& text)> show);
// Writes what is still queued (within a short bound) and ends the record's writer.
void CloseServiceRecord();
