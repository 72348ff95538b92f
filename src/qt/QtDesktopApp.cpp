#include "qt/QtDesktopApp.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "network/NetworkListenManager.h"
#include "pages/LanguageTexts.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtUiThread.h"
#include "registry/CMonitorTable.h"

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
    paths.dataDir = ZR40_DATADIR;
    paths.userConfigPath = DefaultUserLanguageConfigPath();
    return paths;
}

int RunDesktop(const DesktopPaths& paths) {
    QtUiThread ui;
    SetUiThread(&ui);
    NetworkListenManager& server = GetNetworkListenManager();
    const std::string error = PrepareDesktop(server, GetLanguageTexts(), paths);
    int code = 0;
    if (!error.empty()) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zr40Tool"),
                        QString::fromStdString(error), QMessageBox::Ok);
        box.exec();
        code = 1;
    } else {
        CZr40ToolDlg window;
        window.exec();
    }
    // the sessions are the threads that post to the UI thread: end them before it goes
    server.Stop();
    SetUiThread(nullptr);
    return code;
}
