#include "GuiTestSupport.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include "foundation/IniFile.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"

ScopedLanguage::ScopedLanguage(int languageId) {
    IniFile::WriteString(folder_.file(kLanguageConfigFile), "LanguageConfig", "LanguageID",
                         std::to_string(languageId));
    LanguageTexts& texts = GetLanguageTexts();
    previousFolder_ = texts.GetFolder();
    texts.SetFolder(folder_.path());
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
