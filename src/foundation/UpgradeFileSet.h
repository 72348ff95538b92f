#pragma once
// The firmware files of one folder, loaded whole and cut into 512-byte pieces, with piece 0 of
// each file holding its name (bytes 0..127) and its 32-byte digest text (bytes 128..159).
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "foundation/UpgradeFile.h"

// A listed file that serves nothing, with its serial (which stays its place in the list).
struct UpgradeFileRefusal {
    int fileSerial;
    std::string path;
    UpgradeFileProblem problem;
};

class UpgradeFileSet {
  public:
    // Replaces the whole set with the files under the folder (breadth-first). True when at least
    // one file was listed.
    bool LoadFolder(const std::string& folder);
    int GetFileCount() const;
    // The folder could be opened and listed at the last load.
    bool FolderReadable() const { return folderReadable_; }
    // The listed files that serve nothing, in list order, and how many do serve.
    std::vector<UpgradeFileRefusal> Refusals() const;
    int GetServedFileCount() const;
    // N of the file with that 1-based serial; 0 when there is no such file.
    int GetPieceCount(int fileSerial) const;
    // Piece 0..N of a file: its address and length (512, or the last piece length for piece N).
    bool GetPiece(int fileSerial, int piece, int& length, const std::uint8_t*& data) const;
    bool IsLastPiece(int fileSerial, int piece) const;
    int GetProgress(int fileSerial, int piece) const;

  private:
    const UpgradeFile* FileAt(int fileSerial) const;

    std::vector<std::string> files_;
    std::map<std::string, UpgradeFile> map_;
    bool folderReadable_ = false;
};
