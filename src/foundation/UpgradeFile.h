#pragma once
// One firmware file, loaded whole and cut into 512-byte pieces: piece 0 holds the file name
// (bytes 0..127, zero-terminated) and the 32-byte digest text of its ".md5" companion
// (bytes 128..159); pieces 1..N hold the file's bytes, the last one zero-padded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Why a file of the folder serves nothing. Checked in this order; a file without a usable
// companion is not read at all. Every problem but kNoCompanion is a damaged file of the firmware
// set (its "Md5 File Error" line in Trace.log); a file with no companion is no firmware file.
enum class UpgradeFileProblem {
    kNone,
    kNoCompanion,     // no ".md5" beside it: not part of the firmware set
    kBadCompanion,    // the companion cannot be read or holds no MD5 digest
    kTooLarge,        // more pieces than the 16-bit count field can carry
    kUnreadable,      // the file cannot be read, or is empty
    kDigestMismatch,  // the file's MD5 is not the companion's digest
};

// The reason in English, for the trace log and the headless front end.
const char* UpgradeFileProblemText(UpgradeFileProblem problem);

class UpgradeFile {
  public:
    static constexpr int kPieceSize = 512;
    static constexpr int kNameFieldSize = 128;
    static constexpr int kDigestOffset = 128;
    static constexpr int kDigestSize = 32;
    // The piece count and the piece length travel in 16-bit fields.
    static constexpr int kMaxPieceCount = 65535;

    // Loads the file at `path` after its ".md5" companion, and checks the file's MD5 against
    // the companion's digest. On failure nothing is served: the piece count is 0, every piece is
    // refused, and Problem() says why.
    bool LoadFile(const std::string& path);
    UpgradeFileProblem Problem() const { return problem_; }

    const std::string& GetPath() const { return path_; }
    bool IsLoaded() const { return loaded_; }
    // N, the number of data pieces; 0 unless the load succeeded.
    int GetPieceCount() const { return loaded_ ? pieceCount_ : 0; }
    int GetLastPieceLength() const { return loaded_ ? lastPieceLength_ : 0; }
    // Piece 0..N: its address inside the buffer and its valid length (512, or the last piece
    // length for piece N). False when the file is not loaded or the piece is out of range.
    bool GetPiece(int piece, int& length, const std::uint8_t*& data) const;

  private:
    void Clear();
    bool Refuse(UpgradeFileProblem problem, const std::string& detail);

    std::string path_;
    int lastPieceLength_ = 0;
    int pieceCount_ = 0;
    bool loaded_ = false;
    UpgradeFileProblem problem_ = UpgradeFileProblem::kNone;
    std::vector<std::uint8_t> pieces_;  // (N + 1) * 512 bytes: piece 0, then data pieces 1..N
};
