#include "foundation/UpgradeFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "foundation/FileHelpers.h"
#include "foundation/Log.h"

namespace {

constexpr std::size_t kMaxFileSize =
    static_cast<std::size_t>(UpgradeFile::kMaxPieceCount) * UpgradeFile::kPieceSize;

// How many bytes of `name` fit before the digest field: at most 127, so a zero byte still ends
// the name, and never in the middle of a UTF-8 character.
std::size_t NameFieldLength(const std::string& name) {
    std::size_t n = std::min<std::size_t>(name.size(), UpgradeFile::kNameFieldSize - 1);
    if (n < name.size()) {
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) {
            --n;
        }
    }
    return n;
}

}  // namespace

void UpgradeFile::Clear() {
    pieces_.clear();
    pieces_.shrink_to_fit();
    pieceCount_ = 0;
    lastPieceLength_ = 0;
    loaded_ = false;
}

bool UpgradeFile::LoadFile(const std::string& path) {
    Clear();
    path_ = path;

    // Refuse a file whose piece count would not fit its field before reading it into memory.
    std::error_code ec;
    std::uintmax_t onDisk = std::filesystem::file_size(path, ec);
    if (!ec && onDisk > kMaxFileSize) {
        TraceLog("%s: too large for an upgrade (%llu bytes, at most %llu)\n", path.c_str(),
                 static_cast<unsigned long long>(onDisk),
                 static_cast<unsigned long long>(kMaxFileSize));
        return false;
    }

    std::size_t size = 0;
    std::optional<std::vector<std::uint8_t>> contents = ReadWholeFile(path, size);
    if (!contents) {
        TraceLog("%s: cannot be read for an upgrade\n", path.c_str());
        return false;
    }
    if (size == 0) {
        TraceLog("%s: empty, not served for an upgrade\n", path.c_str());
        return false;
    }
    if (size > kMaxFileSize) {  // it grew after the size check
        TraceLog("%s: too large for an upgrade (%llu bytes, at most %llu)\n", path.c_str(),
                 static_cast<unsigned long long>(size),
                 static_cast<unsigned long long>(kMaxFileSize));
        return false;
    }

    std::size_t digestSize = 0;
    std::optional<std::vector<std::uint8_t>> digest = ReadWholeFile(path + ".md5", digestSize);
    if (!digest || digestSize != kDigestSize) {
        TraceLog("Md5 File Error");
        return false;
    }

    int count = static_cast<int>((size + kPieceSize - 1) / kPieceSize);
    pieces_.assign(static_cast<std::size_t>(count + 1) * kPieceSize, 0);

    std::string name = FileNameOf(path);
    std::memcpy(pieces_.data(), name.data(), NameFieldLength(name));
    std::memcpy(pieces_.data() + kDigestOffset, digest->data(), kDigestSize);
    std::memcpy(pieces_.data() + kPieceSize, contents->data(), size);

    pieceCount_ = count;
    lastPieceLength_ = static_cast<int>(size - static_cast<std::size_t>(count - 1) * kPieceSize);
    loaded_ = true;
    return true;
}

bool UpgradeFile::GetPiece(int piece, int& length, const std::uint8_t*& data) const {
    if (!loaded_ || piece < 0 || piece > pieceCount_) {
        return false;
    }
    length = piece == pieceCount_ && piece > 0 ? lastPieceLength_ : kPieceSize;
    data = pieces_.data() + static_cast<std::size_t>(piece) * kPieceSize;
    return true;
}
