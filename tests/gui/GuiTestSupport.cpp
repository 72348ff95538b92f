#include "GuiTestSupport.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <filesystem>

#include "foundation/IniFile.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"

ScopedLanguage::ScopedLanguage(int languageId) {
    namespace fs = std::filesystem;
    folder_ = dir_.file("language");
    fs::create_directories(folder_);
    for (const auto& entry : fs::directory_iterator(fs::path(ZR40_SOURCE_DIR) / "lang/language")) {
        fs::copy_file(entry.path(), fs::path(folder_) / entry.path().filename());
    }
    IniFile::WriteString(folder_ + "/LanguageConfig.ini", "LanguageConfig", "LanguageID",
                         std::to_string(languageId));
    LanguageTexts& texts = GetLanguageTexts();
    previousFolder_ = texts.GetFolder();
    texts.SetFolder(folder_);
    texts.SetUserConfigPath({});
    texts.LoadLanguage();
    GetMonitorTable().SetTextLookup([](int index) { return LanguageText(index); });
}

ScopedLanguage::~ScopedLanguage() {
    GetLanguageTexts().SetFolder(previousFolder_);
}

bool PumpPending(int timeoutMs) {
    // Zero-time timers fire in the order they were started, so this one fires after them.
    // The guard cancels the timer when the wait gives up first.
    bool reached = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&reached] { reached = true; });
    return PumpUntil([&reached] { return reached; }, timeoutMs);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}
