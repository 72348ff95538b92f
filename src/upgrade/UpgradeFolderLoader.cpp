#include "upgrade/UpgradeFolderLoader.h"

#include <utility>

#include "foundation/UiThread.h"

UpgradeFolderLoader::UpgradeFolderLoader()
    : busy_(std::make_shared<std::atomic<bool>>(false)), alive_(std::make_shared<bool>(true)) {}

UpgradeFolderLoader::~UpgradeFolderLoader() {
    *alive_ = false;
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool UpgradeFolderLoader::Load(const std::string& folder, Done done) {
    if (busy_->exchange(true)) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();  // the previous load has ended: it cleared busy_ last
    }
    thread_ = std::thread([folder, done = std::move(done), busy = busy_, alive = alive_] {
        auto files = std::make_shared<UpgradeFileSet>();
        files->LoadFolder(folder);
        const bool posted = PostToUiThread([done, files, busy, alive] {
            busy->store(false);
            if (*alive) {
                done(files);
            }
        });
        if (!posted) {
            busy->store(false);  // no UI thread to hand the result to
        }
    });
    return true;
}
