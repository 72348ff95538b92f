#include "qt/QtDesktopApp.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/DesktopServices.h"
#include "app/HeadlessApp.h"
#include "app/LogFolderChoice.h"
#include "pages/LanguageTexts.h"
#include "platform/SingleInstance.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtUiThread.h"

#ifndef ZR40_DATADIR
#define ZR40_DATADIR ""
#endif

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

DesktopStart DesktopStartOf(const DesktopPaths& paths) {
    DesktopStart start;
    start.languageFolder = FindLanguageFolder(paths.exeDir, paths.dataDir);
    start.userLanguageConfigPath = paths.userConfigPath;
    if (paths.portBase >= 0) {
        start.ports = NetworkListenSettings::Compact(paths.portBase);
    }
    start.showRecordProblem = [](const std::string& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Zr40Tool"),
                        QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
    };
    return start;
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
    DesktopServices services(ui, DesktopStartOf(paths));
    if (!services.StartError().empty()) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zr40Tool"),
                        QString::fromStdString(services.StartError()), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    CZr40ToolDlg window;
    window.exec();
    return 0;
}
