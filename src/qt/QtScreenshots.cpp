#include "qt/QtScreenshots.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTabBar>
#include <QThread>

#include "app/IScreenshotWindow.h"
#include "app/ScreenshotScene.h"
#include "pages/LanguageTexts.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtUiThread.h"

namespace {

class QtScreenshotWindow : public IScreenshotWindow {
  public:
    explicit QtScreenshotWindow(CZr40ToolDlg& window) : window_(window) {}
    MainWindow& Core() override { return window_.Core(); }
    void Show() override { window_.show(); }
    void ChooseTab(int tab) override { window_.TabBar()->setCurrentIndex(tab); }
    bool Pump(int ms, const std::function<bool()>& done) override {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (done && done()) {
                return true;
            }
            if (clock.elapsed() >= ms) {
                return false;
            }
            QThread::msleep(2);
        }
    }
    bool Capture(const std::string& path) override {
        return window_.grab().save(QString::fromStdString(path), "PNG");
    }

  private:
    CZr40ToolDlg& window_;
};

}  // namespace

int RunScreenshots(const std::string& folder, const DesktopPaths& paths) {
    QtUiThread ui;
    ScreenshotScene scene(ui, FindLanguageFolder(paths.exeDir, paths.dataDir));
    if (!scene.Ready()) {
        return 1;
    }
    CZr40ToolDlg window(scene.WindowOptions());
    QtScreenshotWindow pictures(window);
    return scene.TakePictures(pictures, folder);
}
