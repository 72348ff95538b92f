#include "foundation/UpgradeFileSet.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "foundation/FileHelpers.h"

namespace {

std::string LowerName(const std::string& path) {
    std::string name = FileNameOf(path);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// The digest companions themselves (and a stray one whose file is gone).
bool IsCompanionName(const std::string& lowerName) {
    constexpr std::string_view kSuffix = ".md5";
    return lowerName.size() >= kSuffix.size() &&
           lowerName.compare(lowerName.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

}  // namespace

bool UpgradeFileSet::LoadFolder(const std::string& folder) {
    files_.clear();
    map_.clear();
    refused_.clear();
    ignored_.clear();
    folder_ = folder;
    folderReadable_ = CanListFolder(folder);
    std::vector<std::string> listed;
    ListVisibleFiles(folder, listed);
    for (const std::string& path : listed) {
        const std::string name = LowerName(path);
        if (IsCompanionName(name)) {
            continue;
        }
        UpgradeFile file;
        if (name.find("md5") != std::string::npos) {
            // Any other name mentioning md5 is no firmware file either (release notes about
            // the digests), whatever lies beside it.
            ignored_.push_back(path);
        } else if (file.LoadFile(path)) {
            files_.push_back(path);
            map_.insert_or_assign(path, std::move(file));
        } else if (file.Problem() == UpgradeFileProblem::kNoCompanion) {
            ignored_.push_back(path);
        } else {
            // Every file is still checked, so each damaged one can be named.
            refused_.push_back(UpgradeFileRefusal{path, file.Problem()});
        }
    }
    if (!refused_.empty()) {
        // Nothing of a damaged set is served, not even its good files.
        files_.clear();
        map_.clear();
    }
    return folderReadable_ && !files_.empty();
}

int UpgradeFileSet::GetFileCount() const {
    return static_cast<int>(files_.size());
}

const UpgradeFile* UpgradeFileSet::FileAt(int fileSerial) const {
    if (fileSerial < 1 || fileSerial > GetFileCount()) {
        return nullptr;
    }
    auto it = map_.find(files_[static_cast<std::size_t>(fileSerial - 1)]);
    return it == map_.end() ? nullptr : &it->second;
}

std::string UpgradeFileSet::GetFilePath(int fileSerial) const {
    const UpgradeFile* file = FileAt(fileSerial);
    return file ? file->GetPath() : std::string();
}

int UpgradeFileSet::GetPieceCount(int fileSerial) const {
    const UpgradeFile* file = FileAt(fileSerial);
    return file ? file->GetPieceCount() : 0;
}

bool UpgradeFileSet::GetPiece(int fileSerial, int piece, int& length,
                              const std::uint8_t*& data) const {
    const UpgradeFile* file = FileAt(fileSerial);
    return file != nullptr && file->GetPiece(piece, length, data);
}

bool UpgradeFileSet::IsLastPiece(int fileSerial, int piece) const {
    const UpgradeFile* file = FileAt(fileSerial);
    return file != nullptr && fileSerial == GetFileCount() && file->GetPieceCount() > 0 &&
           piece == file->GetPieceCount();
}

int UpgradeFileSet::GetProgress(int fileSerial, int piece) const {
    int length = 0;
    const std::uint8_t* data = nullptr;
    if (!GetPiece(fileSerial, piece, length, data)) {
        return 0;
    }
    long long done = piece;
    long long total = 0;
    for (int serial = 1; serial <= GetFileCount(); ++serial) {
        int count = GetPieceCount(serial);
        total += count;
        if (serial < fileSerial) {
            done += count;
        }
    }
    if (total <= 0) {
        return 0;
    }
    return static_cast<int>(static_cast<float>(done) / static_cast<float>(total) * 100.0f);
}
