#include "app/DesktopServices.h"

#include "app/RecordCommand.h"
#include "foundation/UiThread.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

// Each start step gives back its stop.
using Stop = std::function<void()>;

Stop TakeUiThread(IUiThread& ui) {
    IUiThread* const previous = GetUiThread();
    SetUiThread(&ui);
    return [previous] { SetUiThread(previous); };
}

std::string LoadTexts(const DesktopStart& start) {
    LanguageTexts& texts = GetLanguageTexts();
    texts.SetFolder(start.languageFolder);
    texts.SetUserConfigPath(start.userLanguageConfigPath);
    if (!texts.LoadLanguage()) {
        return kLanguageLoadError;
    }
    GetMonitorTable().SetTextLookup([&texts](int index) { return texts.LanguageText(index); });
    return {};
}

Stop OpenRecord(const DesktopStart& start) {
    if (!start.showRecordProblem) {
        return {};
    }
    OpenWindowServiceRecord(start.settingsPath, start.showRecordProblem);
    return [] { CloseServiceRecord(); };
}

Stop StartServer(NetworkListenManager& server) {
    server.StartNetworkManager();
    return [&server] { server.Stop(); };
}

}  // namespace

DesktopServices::DesktopServices(IUiThread& ui, DesktopStart start)
    : start_(std::move(start)),
      uiThread_(TakeUiThread(ui)),
      startError_(LoadTexts(start_)),
      record_(startError_.empty() ? OpenRecord(start_) : Stop()),
      upgradeInvitations_([] { GetUpdateConfigManager().StopUpgradePolling(); }),
      ownServer_(startError_.empty() && start_.ports
                     ? std::make_unique<NetworkListenManager>(*start_.ports)
                     : nullptr),
      server_(startError_.empty() ? StartServer(Server()) : Stop()) {}
