#include "qt/QtDesktopApp.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/HeadlessApp.h"
#include "app/LogFolderChoice.h"
#include "app/MainWindowLogic.h"
#include "app/RecordCommand.h"
#include "network/NetworkListenManager.h"
#include "pages/LanguageTexts.h"
#include "platform/SingleInstance.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtUiThread.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"

#ifndef ZR40_DATADIR
#define ZR40_DATADIR ""
#endif

std::string PrepareDesktop(NetworkListenManager& server, LanguageTexts& texts,
                           const DesktopPaths& paths) {
    server.StartNetworkManager();
    texts.SetFolder(FindLanguageFolder(paths.exeDir, paths.dataDir));
    texts.SetUserConfigPath(paths.userConfigPath);
    if (!texts.LoadLanguage()) {
        return kLanguageLoadError;
    }
    GetMonitorTable().SetTextLookup([&texts](int index) { return texts.LanguageText(index); });
    return {};
}

DesktopPaths DefaultDesktopPaths() {
    DesktopPaths paths;
    paths.exeDir = QCoreApplication::applicationDirPath().toStdString();
    // the configured data folder, else the one beside the program's prefix (a package
    // installed under another prefix than the build was configured for)
    const std::filesystem::path configured(ZR40_DATADIR);
    std::error_code ec;
    if (!configured.empty() && std::filesystem::exists(configured / "language", ec)) {
        paths.dataDir = configured.string();
    } else {
        paths.dataDir = (std::filesystem::path(paths.exeDir) / ".." / "share" / "zr40tool")
                            .lexically_normal()
                            .string();
    }
    paths.userConfigPath = DefaultUserLanguageConfigPath();
    return paths;
}

int RunDesktop(const DesktopPaths& paths) {
    // One copy per set of ports. The first copy's window is not raised from here: the second
    // says why it ends and leaves the first untouched.
    const NetworkListenSettings settings = paths.portBase >= 0
                                               ? NetworkListenSettings::Compact(paths.portBase)
                                               : NetworkListenSettings{};
    const int port = InstancePort(settings);
    const SingleInstance instance(InstanceKeyForPort(port));
    if (instance.HeldByAnother()) {
        std::fprintf(stderr, "%s\n", AlreadyRunningMessage(port).c_str());
        return 0;
    }
    if (const std::string logs = UseDefaultLogFolder(); !logs.empty()) {
        std::fprintf(stderr, "%s\n", logs.c_str());
    }
    QtUiThread ui;
    SetUiThread(&ui);
    std::unique_ptr<NetworkListenManager> ownServer;
    if (paths.portBase >= 0) {
        ownServer = std::make_unique<NetworkListenManager>(settings);
    }
    NetworkListenManager& server = ownServer ? *ownServer : GetNetworkListenManager();
    const std::string error = PrepareDesktop(server, GetLanguageTexts(), paths);
    int code = 0;
    if (!error.empty()) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zr40Tool"),
                        QString::fromStdString(error), QMessageBox::Ok);
        box.exec();
        code = 1;
    } else {
        OpenWindowServiceRecord(kSystemSettingFile, [](const std::string& text) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Zr40Tool"),
                            QString::fromStdString(text), QMessageBox::Ok);
            box.exec();
        });
        CZr40ToolDlg window;
        window.exec();
    }
    // the sessions are the threads that post to the UI thread: end them before it goes
    server.Stop();
    GetUpdateConfigManager().StopUpgradePolling();
    CloseServiceRecord();
    SetUiThread(nullptr);
    return code;
}
