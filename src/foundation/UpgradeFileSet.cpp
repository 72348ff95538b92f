#include "foundation/UpgradeFileSet.h"

#include <algorithm>
#include <cctype>

#include "foundation/FileHelpers.h"

namespace {

// The digest companions, and anything else whose name mentions md5 in any letter case, are not
// upgrade files.
bool IsDigestName(const std::string& path) {
    std::string name = FileNameOf(path);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.find("md5") != std::string::npos;
}

}  // namespace

bool UpgradeFileSet::LoadFolder(const std::string& folder) {
    files_.clear();
    map_.clear();
    folderReadable_ = CanListFolder(folder);
    std::vector<std::string> listed;
    ListFiles(true, folder, listed);
    for (const std::string& path : listed) {
        if (IsDigestName(path)) {
            continue;
        }
        // A file that fails to load keeps its place, so the serials of the others stay as the
        // folder lists them; it serves no pieces.
        files_.push_back(path);
        map_[path].LoadFile(path);
    }
    return !files_.empty() && !map_.empty();
}

int UpgradeFileSet::GetFileCount() const {
    return static_cast<int>(files_.size());
}

std::vector<UpgradeFileRefusal> UpgradeFileSet::Refusals() const {
    std::vector<UpgradeFileRefusal> refused;
    for (int serial = 1; serial <= GetFileCount(); ++serial) {
        const UpgradeFile* file = FileAt(serial);
        if (file != nullptr && !file->IsLoaded()) {
            refused.push_back(UpgradeFileRefusal{serial, file->GetPath(), file->Problem()});
        }
    }
    return refused;
}

int UpgradeFileSet::GetServedFileCount() const {
    return GetFileCount() - static_cast<int>(Refusals().size());
}

const UpgradeFile* UpgradeFileSet::FileAt(int fileSerial) const {
    if (fileSerial < 1 || fileSerial > GetFileCount()) {
        return nullptr;
    }
    auto it = map_.find(files_[static_cast<std::size_t>(fileSerial - 1)]);
    return it == map_.end() ? nullptr : &it->second;
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
    // A file that serves nothing has no last piece: finishing on it would report success for
    // firmware that was never sent.
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
