#include "foundation/UpgradeFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "foundation/FileHelpers.h"
#include "foundation/Log.h"
#include "foundation/Md5Companion.h"
#include "platform/CodePage.h"
#include "platform/Md5Digest.h"
#include "platform/Utf8Path.h"

namespace {

// A companion is a line or three; anything larger is not one.
constexpr std::uintmax_t kMaxCompanionSize = 4096;

constexpr std::size_t kMaxFileSize =
    static_cast<std::size_t>(UpgradeFile::kMaxPieceCount) * UpgradeFile::kPieceSize;

std::string TooLargeDetail(std::uintmax_t size) {
    return "too large for an upgrade (" + std::to_string(size) + " bytes, at most " +
           std::to_string(kMaxFileSize) + ")";
}

}  // namespace

const char* UpgradeFileProblemText(UpgradeFileProblem problem) {
    switch (problem) {
        case UpgradeFileProblem::kNone:
            return "served";
        case UpgradeFileProblem::kNoCompanion:
            return "no .md5 companion file";
        case UpgradeFileProblem::kBadCompanion:
            return "the .md5 companion cannot be read or holds no MD5 digest";
        case UpgradeFileProblem::kTooLarge:
            return "too large (at most 65535 pieces of 512 bytes)";
        case UpgradeFileProblem::kUnreadable:
            return "the file cannot be read or is empty";
        case UpgradeFileProblem::kDigestMismatch:
            return "its MD5 does not match the .md5 companion";
    }
    return "";
}

void UpgradeFile::Clear() {
    pieces_.clear();
    pieces_.shrink_to_fit();
    pieceCount_ = 0;
    lastPieceLength_ = 0;
    loaded_ = false;
}

bool UpgradeFile::Refuse(UpgradeFileProblem problem, const std::string& detail) {
    Clear();
    problem_ = problem;
    // One line per refused file, naming it: the entry that follows starts a line of its own.
    TraceLog("Md5 File Error: %s: %s\n", path_.c_str(), detail.c_str());
    return false;
}

bool UpgradeFile::LoadFile(const std::string& path) {
    Clear();
    path_ = path;
    problem_ = UpgradeFileProblem::kNone;

    // The companion first: a file without one is never read (a wrongly chosen folder with
    // thousands of files costs one look per file).
    const std::string companionPath = path + ".md5";
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(companionPath), ec)) {
        // Not a firmware file at all (a readme, an archive): nothing wrong with the set.
        TraceLog("%s: no .md5 companion, not part of the firmware set\n", path.c_str());
        problem_ = UpgradeFileProblem::kNoCompanion;
        return false;
    }
    const std::uintmax_t companionSize =
        std::filesystem::file_size(PathFromUtf8(companionPath), ec);
    std::size_t textSize = 0;
    std::optional<std::vector<std::uint8_t>> text;
    if (!ec && companionSize <= kMaxCompanionSize) {
        text = ReadWholeFile(companionPath, textSize);
    }
    const std::optional<std::string> digest =
        text ? ParseMd5Companion(
                   std::string_view(reinterpret_cast<const char*>(text->data()), textSize))
             : std::nullopt;
    if (!digest) {
        return Refuse(UpgradeFileProblem::kBadCompanion,
                      "its .md5 companion cannot be read or holds no MD5 digest");
    }

    // Refuse a file whose piece count would not fit its field before reading it into memory.
    std::uintmax_t onDisk = std::filesystem::file_size(PathFromUtf8(path), ec);
    if (!ec && onDisk > kMaxFileSize) {
        return Refuse(UpgradeFileProblem::kTooLarge, TooLargeDetail(onDisk));
    }

    // Read straight into the pieces (one piece of room beyond the size seen, so a file that
    // grew shows), with the digest computed chunk by chunk while the bytes are fresh.
    const std::size_t room =
        std::min<std::uintmax_t>(ec ? kMaxFileSize : onDisk, kMaxFileSize) + kPieceSize;
    std::vector<std::uint8_t> pieces((room + kPieceSize - 1) / kPieceSize * kPieceSize + kPieceSize,
                                     0);
    Md5Digest md5;
    std::size_t size = 0;
    const bool read = ReadFileInto(
        path, pieces.data() + kPieceSize, pieces.size() - kPieceSize, size,
        [&md5](const std::uint8_t* data, std::size_t length) { md5.Update(data, length); });
    if (!read && size >= pieces.size() - kPieceSize) {
        return Refuse(UpgradeFileProblem::kTooLarge,
                      "too large for an upgrade (it grew while it was read)");
    }
    if (!read) {
        return Refuse(UpgradeFileProblem::kUnreadable, "cannot be read for an upgrade");
    }
    if (size == 0) {
        return Refuse(UpgradeFileProblem::kUnreadable, "empty, not served for an upgrade");
    }
    if (size > kMaxFileSize) {  // it grew after the size check
        return Refuse(UpgradeFileProblem::kTooLarge, TooLargeDetail(size));
    }
    const std::string actual = md5.FinishHex();
    if (!SameMd5Digest(actual, *digest)) {
        return Refuse(UpgradeFileProblem::kDigestMismatch,
                      "MD5 " + actual + " does not match its companion's " + *digest);
    }

    const int count = static_cast<int>((size + kPieceSize - 1) / kPieceSize);
    pieces.resize(static_cast<std::size_t>(count + 1) * kPieceSize);
    pieces_ = std::move(pieces);
    // In the code page monitors set up with the Windows tool read (UTF-8 off Windows), at most
    // 127 bytes so a zero byte still ends it, never cut inside a character.
    std::string name;
    if (!Utf8ToAnsiCodePage(FileNameOf(path), kNameFieldSize - 1, name)) {
        TraceLog(
            "%s: its name has characters this PC's code page cannot write; they go out as "
            "'?'\n",
            path.c_str());
    }
    std::memcpy(pieces_.data(), name.data(), name.size());
    std::memcpy(pieces_.data() + kDigestOffset, digest->data(), kDigestSize);

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
