#pragma once
// Where the logs go when no folder was named. The working directory is where the tool has
// always written them and where users look; an installed program is often started in a folder
// the user cannot write (its own, under Program Files), and then the logs go to the user's log
// folder instead of being lost line by line.
#include <string>

struct LogFolderChoice {
    std::string folder;   // empty: the working directory
    std::string problem;  // why neither folder can be written; empty when one can
};

// `workingDir` is tried first, unless it is a protected folder (platform/UserFolders.h), then
// `userFolder` (created when missing).
LogFolderChoice ChooseLogFolder(const std::string& workingDir, const std::string& userFolder);

// True when a file can be created in `folder` (tried, then removed: permission bits and access
// lists alone do not tell, and neither does a full or read-only volume's folder).
bool FolderIsWritable(const std::string& folder);

// Makes the log directory the working directory or, when that cannot or must not be written,
// the user's log folder. Returns what to tell the user: "Logs: FOLDER" when the logs went to the
// user's folder, the problem when neither can be written, else "".
std::string UseDefaultLogFolder();
