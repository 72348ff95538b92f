#include "qt/QtScreenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTabBar>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "SimFleet.h"
#include "app/ConsoleDialogs.h"
#include "network/NetworkListenManager.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/IDialogs.h"
#include "pages/LanguageTexts.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtDebugPage.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtUiThread.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    } while (clock.elapsed() < ms);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return true;
}

// A private copy of the language folder, so switching languages writes nothing of the user's.
bool CopyLanguageFolder(const QString& from, const QString& to) {
    QDir source(from);
    if (!source.exists()) {
        return false;
    }
    for (const QString& name : source.entryList(QDir::Files)) {
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name))) {
            return false;
        }
    }
    return true;
}

const char* const kTabNames[kMainTabCount] = {"accesspoint", "network", "module",
                                              "upgrade",     "debug",   "system"};

}  // namespace

int RunScreenshots(const std::string& folder, const DesktopPaths& paths) {
    const QString outDir = QString::fromStdString(folder);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", folder.c_str());
        return 1;
    }
    QTemporaryDir work;
    const QString languageDir = work.filePath(QStringLiteral("language"));
    QDir().mkpath(languageDir);
    const std::string found = FindLanguageFolder(paths.exeDir, paths.dataDir);
    LanguageTexts& texts = GetLanguageTexts();
    if (!CopyLanguageFolder(QString::fromStdString(found), languageDir)) {
        std::fprintf(stderr, "%s\n", kLanguageLoadError);
        return 1;
    }
    texts.SetFolder(languageDir.toStdString());
    texts.SetUserConfigPath({});
    if (!texts.LoadLanguage()) {
        std::fprintf(stderr, "%s\n", kLanguageLoadError);
        return 1;
    }
    GetMonitorTable().SetTextLookup([&texts](int index) { return texts.LanguageText(index); });

    QtUiThread ui;
    SetUiThread(&ui);
    NetworkListenSettings settings = NetworkListenSettings::Compact(0);
    settings.bindAddress = "127.0.0.1";
    settings.startPauseMs = 0;
    settings.startReturnPauseMs = 0;
    settings.bindRetryPauseMs = 50;
    NetworkListenManager server(settings);
    server.StartNetworkManager();
    int code = 0;
    if (!server.WaitListening(5000)) {
        std::fprintf(stderr, "the listening server did not start\n");
        code = 1;
    }

    SimMonitorConfig base;
    base.softwareVersion = "2.1.7";
    SimFleet fleet(base, 3, "Zr40-");
    ConsoleDialogs dialogs;
    {
        MainWindowOptions options;
        options.dialogs = &dialogs;
        options.debugPageSwitch = 1;
        options.wirelessAdapter = 1;
        CZr40ToolDlg window(options);
        window.show();
        if (code == 0) {
            fleet.StartAll("127.0.0.1", server.SessionPort());
            if (!PumpUntil([&] { return window.Model().RowCount() >= 3; }, 15000)) {
                std::fprintf(stderr, "the simulated monitors did not all appear\n");
            }
        }
        const int languages[2] = {kLanguageEnglish, kLanguageChinese};
        const char* const languageNames[2] = {"en", "zh"};
        for (int l = 0; l < 2 && code == 0; ++l) {
            texts.SetLanguage(languages[l]);
            Pump(50);
            for (int tab = 0; tab < kMainTabCount; ++tab) {
                window.TabBar()->setCurrentIndex(tab);
                if (tab == kTabNetwork || tab == kTabDebug) {
                    window.Model().SetCheck(0, true);
                    window.Logic().OnItemChanged(0);
                }
                if (tab == kTabDebug) {
                    // a frame typed and sent to the checked monitor, as an engineer would
                    window.DebugPage()->SetText(DebugPageId::kFrameText, kScreenshotDebugFrame);
                    window.DebugPage()->Logic().OnSend();
                }
                if (tab == kTabUpgrade) {
                    // a transfer under way shows as a progress bar in the upgrade column
                    const auto monitors = GetMonitorTable().GetAllMonitors();
                    if (!monitors.empty()) {
                        GetUpdateConfigManager().SetUpgradeStatus(
                            monitors.front(), UpgradeStatus{42, kUpgradeTransferring});
                    }
                }
                Pump(120);
                const QString file =
                    QDir(outDir).filePath(QStringLiteral("zr40tool_%1_%2_%3.png")
                                              .arg(QString::fromLatin1(languageNames[l]))
                                              .arg(tab)
                                              .arg(QString::fromLatin1(kTabNames[tab])));
                if (!window.grab().save(file, "PNG")) {
                    std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
                    code = 1;
                    break;
                }
                std::printf("%s\n", file.toLocal8Bit().constData());
            }
        }
        GetUpdateConfigManager().ClearUpgradeStatus();
    }
    fleet.StopAll();
    server.Stop();
    GetUpdateConfigManager().StopUpgradePolling();
    SetUiThread(nullptr);
    return code;
}
