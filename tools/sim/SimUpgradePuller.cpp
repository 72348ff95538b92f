#include "SimUpgradePuller.h"

#include "SimMd5.h"

namespace {

constexpr std::size_t kNameWidth = 128;
constexpr std::size_t kDigestWidth = 32;

}  // namespace

SimUpgradePuller::Request SimUpgradePuller::Start() {
    active_ = true;
    succeeded_ = false;
    failure_.clear();
    fileCount_ = 0;
    pieceCount_ = 0;
    files_.clear();
    digest_.reset();
    received_ = 0;
    current_ = Request{0, -1};
    return current_;
}

void SimUpgradePuller::Abort(const std::string& reason) {
    if (!active_) {
        return;
    }
    active_ = false;
    succeeded_ = false;
    failure_ = reason;
}

SimUpgradePuller::Reply SimUpgradePuller::OnData(const SimUpgradeData& data) {
    Reply reply;
    if (!active_) {
        return reply;
    }
    if (current_.serialNum == -1) {
        if (data.piece != -1) {
            return reply;
        }
        fileCount_ = data.countOrLength;
        if (fileCount_ <= 0 || fileCount_ > 127) {
            // Nothing to install (or more files than a request can name): not a success.
            active_ = false;
            failure_ = fileCount_ <= 0 ? "no files offered" : "too many files offered";
            reply.step = Step::Done;
            return reply;
        }
        current_ = Request{1, 0};
        reply.step = Step::Next;
        reply.next = current_;
        return reply;
    }
    if (current_.serialNum == 0) {
        if (data.piece != 0) {
            return reply;
        }
        reply.headerPiece = true;
        file_ = SimFileResult{};
        file_.fileSerial = current_.fileSerial;
        file_.name = SimFieldText(data.data, kNameWidth);
        file_.expectedDigest = SimFieldText(data.data + kNameWidth, kDigestWidth);
        pieceCount_ = data.countOrLength;
        digest_ = std::make_unique<Md5Digest>();
        received_ = 0;
        if (pieceCount_ == 0) {
            Reply done = FinishFile(false, "file has no data pieces");
            done.headerPiece = true;
            return done;
        }
        current_.serialNum = 1;
        reply.step = Step::Next;
        reply.next = current_;
        return reply;
    }
    // A data piece answer carries the low 16 bits of the piece number.
    if (data.piece != static_cast<std::int16_t>(current_.serialNum & 0xFFFF)) {
        return reply;
    }
    const std::size_t length = data.countOrLength;
    if (length == 0 || length > kSimPieceSize) {
        Reply done = FinishFile(false, "piece length out of range");
        done.dataPiece = true;
        return done;
    }
    if (digest_) {
        digest_->Update(data.data, length);
    }
    received_ += length;
    if (current_.serialNum < pieceCount_) {
        ++current_.serialNum;
        reply.step = Step::Next;
        reply.next = current_;
        reply.dataPiece = true;
        return reply;
    }
    Reply done = FinishFile(true, std::string());
    done.dataPiece = true;
    return done;
}

SimUpgradePuller::Reply SimUpgradePuller::FinishFile(bool ok, const std::string& reason) {
    file_.size = received_;
    if (ok) {
        file_.actualDigest = digest_ ? digest_->FinishHex() : std::string();
        file_.verified = SimDigestTextMatches(file_.expectedDigest, file_.actualDigest);
        if (!file_.verified && failure_.empty()) {
            failure_ = "digest mismatch in file " + std::to_string(file_.fileSerial);
        }
    } else {
        file_.verified = false;
        if (failure_.empty()) {
            failure_ = reason + " (file " + std::to_string(file_.fileSerial) + ")";
        }
    }
    files_.push_back(file_);
    digest_.reset();
    received_ = 0;
    Reply reply;
    reply.fileDone = file_;
    return NextFileOrDone(reply);
}

SimUpgradePuller::Reply SimUpgradePuller::NextFileOrDone(Reply reply) {
    if (current_.fileSerial < fileCount_) {
        current_ = Request{static_cast<std::int8_t>(current_.fileSerial + 1), 0};
        reply.step = Step::Next;
        reply.next = current_;
        return reply;
    }
    active_ = false;
    succeeded_ = failure_.empty();
    for (const SimFileResult& f : files_) {
        succeeded_ = succeeded_ && f.verified;
    }
    reply.step = Step::Done;
    return reply;
}
