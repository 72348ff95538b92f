#pragma once
// The monitor's side of a firmware upgrade: which request comes next, and what each answer means.
// Asks for the file count, then for every file its header piece and data pieces 1..N in order,
// and checks each file's MD5 against the digest text of its header piece. No I/O here.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SimMessages.h"
#include "SimRecord.h"
#include "platform/Md5Digest.h"

class SimUpgradePuller {
  public:
    struct Request {
        std::int8_t fileSerial = 0;
        std::int32_t serialNum = -1;
    };
    enum class Step { Stray, Next, Done };
    struct Reply {
        Step step = Step::Stray;
        Request next;                           // for Step::Next
        bool dataPiece = false;                 // the answer was a data piece
        bool headerPiece = false;               // the answer was a file's header piece
        std::optional<SimFileResult> fileDone;  // a file was completed (verified or not)
    };

    // Begins a new pull (forgetting any earlier one) and gives the count request.
    Request Start();
    bool Active() const { return active_; }
    // The request now waiting for its answer (to ask again after a lost answer).
    Request Current() const { return current_; }

    Reply OnData(const SimUpgradeData& data);
    // Gives up the pull in progress; the upgrade counts as failed.
    void Abort(const std::string& reason);

    // Valid once the pull is done.
    bool Succeeded() const { return succeeded_; }
    const std::string& FailureReason() const { return failure_; }
    const std::vector<SimFileResult>& Files() const { return files_; }

    int FileCount() const { return fileCount_; }
    int CurrentFile() const { return current_.fileSerial; }
    int PieceCount() const { return pieceCount_; }

  private:
    Reply FinishFile(bool ok, const std::string& reason);
    Reply NextFileOrDone(Reply reply);

    bool active_ = false;
    bool succeeded_ = false;
    std::string failure_;
    Request current_;
    int fileCount_ = 0;
    int pieceCount_ = 0;
    SimFileResult file_;
    // The file is digested as its pieces arrive rather than kept: a fleet pulling megabytes
    // each would otherwise spend its time faulting in fresh pages.
    std::unique_ptr<Md5Digest> digest_;
    std::size_t received_ = 0;
    std::vector<SimFileResult> files_;
};
