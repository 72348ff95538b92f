#pragma once
// One firmware file, loaded whole and cut into 512-byte pieces: piece 0 holds the file name
// (bytes 0..127, zero-terminated) and the 32-byte digest text of its ".md5" companion
// (bytes 128..159); pieces 1..N hold the file's bytes, the last one zero-padded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class UpgradeFile {
  public:
    static constexpr int kPieceSize = 512;
    static constexpr int kNameFieldSize = 128;
    static constexpr int kDigestOffset = 128;
    static constexpr int kDigestSize = 32;
    // The piece count and the piece length travel in 16-bit fields.
    static constexpr int kMaxPieceCount = 65535;

    // Loads the file at `path` and its digest from `path` + ".md5". On failure nothing is
    // served: the piece count is 0 and every piece is refused.
    bool LoadFile(const std::string& path);

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

    std::string path_;
    int lastPieceLength_ = 0;
    int pieceCount_ = 0;
    bool loaded_ = false;
    std::vector<std::uint8_t> pieces_;  // (N + 1) * 512 bytes: piece 0, then data pieces 1..N
};
