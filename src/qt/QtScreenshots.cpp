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

#include "app/ScreenshotScene.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/LanguageTexts.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtDebugPage.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtUiThread.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"

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
    int code = 0;
    {
        ScreenshotScene scene;
        code = scene.Listen() ? 0 : 1;
        CZr40ToolDlg window(scene.WindowOptions());
        window.show();
        if (code == 0) {
            scene.StartMonitors();
            if (!PumpUntil([&] { return window.Model().RowCount() >= 3; }, 15000)) {
                ScreenshotScene::ReportMonitorsMissing();
            }
        }
        for (int l = 0; l < 2 && code == 0; ++l) {
            texts.SetLanguage(ScreenshotScene::kLanguages[l]);
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
                    ScreenshotScene::ShowTransferUnderWay();
                }
                Pump(120);
                const QString file = QDir(outDir).filePath(
                    QString::fromStdString(ScreenshotScene::PictureName(l, tab)));
                if (!window.grab().save(file, "PNG")) {
                    std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
                    code = 1;
                    break;
                }
                std::printf("%s\n", file.toLocal8Bit().constData());
            }
        }
    }
    SetUiThread(nullptr);
    return code;
}
