#pragma once
// Loads and checks an upgrade folder off the UI thread, so a large or wrongly chosen folder never
// freezes the window and the monitors keep being served meanwhile. One load at a time, on the
// loader's own thread; the loaded set is handed to the UI thread (PostToUiThread). The
// destructor joins the thread; a result that arrives after the loader is gone is dropped.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "foundation/UpgradeFileSet.h"

class UpgradeFolderLoader {
  public:
    using Done = std::function<void(std::shared_ptr<UpgradeFileSet>)>;

    UpgradeFolderLoader();
    ~UpgradeFolderLoader();
    UpgradeFolderLoader(const UpgradeFolderLoader&) = delete;
    UpgradeFolderLoader& operator=(const UpgradeFolderLoader&) = delete;

    // Starts loading `folder`; `done` runs on the UI thread with the loaded set. False (and
    // `done` never runs) while an earlier load is still under way.
    bool Load(const std::string& folder, Done done);
    bool Busy() const { return busy_->load(); }

  private:
    std::shared_ptr<std::atomic<bool>> busy_;
    // Read and reset on the UI thread only, where the results run and the loader is destroyed.
    std::shared_ptr<bool> alive_;
    std::thread thread_;
};
