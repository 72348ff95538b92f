#pragma once
// The firmware set of one folder, loaded whole and cut into 512-byte pieces, with piece 0 of
// each file holding its name (bytes 0..127) and its 32-byte digest text (bytes 128..159).
//
// A set is one unit: flashing part of it could leave a monitor with parts that do not belong
// together. So the firmware files are those with a ".md5" companion, and when any of them fails
// its check (unreadable, empty, too large, a companion without a digest, a digest that does not
// match) the set serves nothing at all. A file without a companion (a readme, an archive) is no
// firmware file: it is not counted and not offered, only named. Hidden and system entries and
// the shell's desktop.ini and Thumbs.db are passed over without a word (ListVisibleFiles).
// The served files are numbered 1..M in listing order; M is the file count the monitors see.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "foundation/UpgradeFile.h"

// A firmware file that failed its check, and why.
struct UpgradeFileRefusal {
    std::string path;
    UpgradeFileProblem problem;
};

class UpgradeFileSet {
  public:
    // Replaces the whole set with the firmware files under the folder (breadth-first). True
    // when the set can be served: the folder was listed, it holds at least one firmware file,
    // and every one of them passed its check.
    bool LoadFolder(const std::string& folder);
    // M, the number of files served: 0 when the set cannot be served.
    int GetFileCount() const;
    // The same as GetFileCount.
    int GetServedFileCount() const { return GetFileCount(); }
    bool CanServe() const { return GetFileCount() > 0; }
    // The folder could be opened and listed at the last load.
    bool FolderReadable() const { return folderReadable_; }
    // The firmware files that failed their check, in listing order; any one of them keeps the
    // whole set from being served.
    const std::vector<UpgradeFileRefusal>& Refusals() const { return refused_; }
    // The files passed over for want of a companion, in listing order.
    const std::vector<std::string>& Ignored() const { return ignored_; }
    // N of the file with that 1-based serial; 0 when there is no such file.
    int GetPieceCount(int fileSerial) const;
    // Piece 0..N of a file: its address and length (512, or the last piece length for piece N).
    bool GetPiece(int fileSerial, int piece, int& length, const std::uint8_t*& data) const;
    bool IsLastPiece(int fileSerial, int piece) const;
    // The folder of the last load, and the path of the served file with that serial ("" when
    // there is none).
    const std::string& GetFolder() const { return folder_; }
    std::string GetFilePath(int fileSerial) const;
    int GetProgress(int fileSerial, int piece) const;

  private:
    const UpgradeFile* FileAt(int fileSerial) const;

    std::vector<std::string> files_;
    std::map<std::string, UpgradeFile> map_;
    std::vector<UpgradeFileRefusal> refused_;
    std::vector<std::string> ignored_;
    bool folderReadable_ = false;
    std::string folder_;
};
