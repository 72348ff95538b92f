#pragma once
// Everything a desktop window runs on, owned in one place: its members start in the order they
// are declared and stop in the reverse order when the owner goes. The UI thread is taken first
// and given back (to the one before) last; the language texts load (nothing else starts when they
// cannot); the service record opens (its problems are told in the chosen language); the upgrade
// manager's invitations are stopped on the way out; the listening server starts last and stops
// first, since its sessions post to the UI thread and feed the record.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/MainWindowLogic.h"
#include "network/NetworkListenManager.h"

class IUiThread;

struct DesktopStart {
    std::string languageFolder;          // holds the language files
    std::string userLanguageConfigPath;  // the user's own language choice; "" for none
    // Own listening ports; the process-wide server on the standard ports when unset.
    std::optional<NetworkListenSettings> ports;
    // Where the window's record settings are read; no record when `showRecordProblem` is unset.
    std::string settingsPath = kSystemSettingFile;
    std::function<void(const std::string& text)> showRecordProblem;
};

class DesktopServices {
  public:
    DesktopServices(IUiThread& ui, DesktopStart start);
    ~DesktopServices() = default;
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    // "" when everything started; otherwise what to tell the user ("Load language file
    // error"), and only the UI thread was taken.
    const std::string& StartError() const { return startError_; }
    NetworkListenManager& Server() { return ownServer_ ? *ownServer_ : GetNetworkListenManager(); }

  private:
    // One started thing: its stop runs when the step goes.
    class Step {
      public:
        Step() = default;
        explicit Step(std::function<void()> stop) : stop_(std::move(stop)) {}
        ~Step() {
            if (stop_) {
                stop_();
            }
        }
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

      private:
        std::function<void()> stop_;
    };

    DesktopStart start_;
    Step uiThread_;
    std::string startError_;
    Step record_;
    Step upgradeInvitations_;
    std::unique_ptr<NetworkListenManager> ownServer_;
    Step server_;
};
