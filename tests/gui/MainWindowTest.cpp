// The main window: tabs, pages and list per tab, check marks, language change, the debug-page
// switch, the wireless check, Enter, and the start-up's language failure.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>

#include "FakeForm.h"
#include "GuiTestSupport.h"
#include "LoopbackTestSupport.h"
#include "MainWindowCases.h"
#include "TempDir.h"
#include "app/DesktopServices.h"
#include "foundation/IniFile.h"
#include "network/NetworkListenManager.h"
#include "pages/CAPConfigDlg.h"
#include "pages/LanguageTexts.h"
#include "pages/MainWindowLayout.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/MonitorListView.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtForm.h"
#include "qt/QtPage.h"
#include "qt/QtUiThread.h"
#include "registry/CMonitorTable.h"

namespace {

const char* const kEnglishTabs[] = {
    "Access Point", "Network Settings", "Module Settings", "Upgrade", "Debug", "System"};
const char* const kChineseTabs[] = {"接入点", "网络设置", "模块设置", "升级", "调试", "系统"};

struct MainWindow : ::testing::Test {
    ScopedLogDir logs;
    ScopedLanguage language{kLanguageEnglish};
    FakeDialogs dialogs;
    FakeHostedNetwork hostedNetwork;
    std::unique_ptr<CZr40ToolDlg> window;

    void Open(int debugSwitch = 1, int wireless = 1, std::string settings = {}) {
        MainWindowOptions options;
        options.dialogs = &dialogs;
        options.debugPageSwitch = debugSwitch;
        options.wirelessAdapter = wireless;
        options.hostedNetwork = &hostedNetwork;
        options.refreshMs = 0;  // rows are the test's own, not the pool's
        if (!settings.empty()) {
            options.settingsPath = settings;
        }
        window = std::make_unique<CZr40ToolDlg>(options);
    }
    void TearDown() override {
        window.reset();
        GetMonitorTable().SetPage(CMonitorTable::kPageNone);
    }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i) {
            window->Model().AppendRow("dev" + std::to_string(i));
        }
        window->List()->Mirror();
    }
    // The user clicks the check box of a row.
    void UserCheck(int row, bool checked) {
        window->List()->item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    std::vector<bool> ModelChecks() {
        std::vector<bool> checks;
        for (int r = 0; r < window->Model().RowCount(); ++r) {
            checks.push_back(window->Model().GetCheck(r));
        }
        return checks;
    }
    std::vector<bool> ViewChecks() {
        std::vector<bool> checks;
        for (int r = 0; r < window->List()->rowCount(); ++r) {
            checks.push_back(window->List()->item(r, 0)->checkState() == Qt::Checked);
        }
        return checks;
    }
    int VisiblePage() {
        int shown = -1;
        for (int tab = 0; tab < kMainTabCount; ++tab) {
            if (!window->Page(tab)->isHidden()) {
                EXPECT_EQ(shown, -1) << "two pages shown";
                shown = tab;
            }
        }
        return shown;
    }
    std::string Header(int column) {
        return window->List()->horizontalHeaderItem(column)->text().toStdString();
    }
};

TEST_F(MainWindow, SixTabsAndTheAccessPointPageFirstInAWindowWhoseListGrowsWithIt) {
    Open();
    EXPECT_EQ(window->windowTitle(), "Zr40Tool");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    // the template's size is the smallest, so every control stays in view
    const QSize smallest = QtForm::Du(kMainWindowRect).size();
    EXPECT_EQ(window->minimumSize(), smallest);
    EXPECT_EQ(window->size(), smallest);
    window->show();
    window->resize(smallest / 2);
    EXPECT_EQ(window->size(), smallest);
    const QRect list = window->List()->geometry();
    window->resize(smallest + QSize(300, 400));
    EXPECT_EQ(window->List()->geometry(), list.adjusted(0, 0, 300, 400));
    window->resize(smallest);
    EXPECT_EQ(window->List()->geometry(), list);
    ASSERT_EQ(window->TabBar()->count(), 6);
    EXPECT_EQ(window->TabBar()->objectName(), QString::number(IDC_MAIN_TAB));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(window->TabBar()->tabText(i).toStdString(), kEnglishTabs[i]);
    }
    EXPECT_EQ(window->TabBar()->currentIndex(), 0);
    EXPECT_EQ(VisiblePage(), 0);
    EXPECT_TRUE(window->List()->isHidden());
    EXPECT_EQ(Header(0), "Device Name");
    EXPECT_EQ(Header(4), "Config State");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindow, EachTabShowsItsPageListAndColumns) {
    Open();
    struct Case {
        int tab;
        bool listShown;
        const char* header3;
        const char* header4;
    } cases[] = {{1, true, "Bed No.", "Config State"},  {2, true, "Bed No.", "Modules"},
                 {3, true, "Version", "Upgrade State"}, {4, true, "Bed No.", "Config State"},
                 {5, false, nullptr, nullptr},          {0, false, nullptr, nullptr}};
    for (const Case& c : cases) {
        window->TabBar()->setCurrentIndex(c.tab);
        EXPECT_EQ(GetMonitorTable().GetPage(), c.tab);
        EXPECT_EQ(VisiblePage(), c.tab) << c.tab;
        EXPECT_EQ(!window->List()->isHidden(), c.listShown) << c.tab;
        if (c.header3 != nullptr) {
            EXPECT_EQ(Header(3), c.header3) << c.tab;
            EXPECT_EQ(Header(4), c.header4) << c.tab;
        }
        EXPECT_EQ(Header(2), "GUID");
    }
}

TEST_F(MainWindow, OneCheckedMonitorOnNetworkAndDebugPagesOnly) {
    Open();
    AddRows(3);
    struct Case {
        int tab;
        std::vector<bool> afterSecond;
    } cases[] = {{1, {false, true, false}},
                 {4, {false, true, false}},
                 {2, {true, true, false}},
                 {3, {true, true, false}}};
    for (const Case& c : cases) {
        window->TabBar()->setCurrentIndex(c.tab);
        UserCheck(0, true);
        UserCheck(1, true);
        EXPECT_EQ(ModelChecks(), c.afterSecond) << c.tab;
        EXPECT_EQ(ViewChecks(), c.afterSecond) << c.tab;
        // any check change starts the acknowledgements afresh
        EXPECT_EQ(GetMonitorTable().GetConfigAck(0), CMonitorTable::kAckNone);
        window->TabBar()->setCurrentIndex(0);
    }
}

TEST_F(MainWindow, LanguageChangeRecaptionsAndSelectsTheSystemTab) {
    Open();
    window->TabBar()->setCurrentIndex(5);
    GetLanguageTexts().SetLanguage(kLanguageChinese);
    ASSERT_TRUE(PumpUntil([&] { return window->TabBar()->tabText(0) == kChineseTabs[0]; }, 5000));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(window->TabBar()->tabText(i).toStdString(), kChineseTabs[i]);
    }
    EXPECT_EQ(Header(0), "设备名称");
    EXPECT_EQ(Header(1), "设备IP");
    EXPECT_EQ(Header(2), "设备GUID");
    // the pages re-read their texts
    EXPECT_EQ(window->Page(kTabNetwork)->GetText(NetPageId::kModify), "修改");
    EXPECT_EQ(window->Page(kTabModule)->GetText(ModulePageId::kFilterGroup), "设备筛选");
    EXPECT_EQ(window->Page(kTabUpgrade)->GetText(UpdatePageId::kStart), "启动升级服务器");
    EXPECT_EQ(window->Page(kTabAccessPoint)->GetText(APPageId::kStart), "启动接入点");
    EXPECT_EQ(window->Page(kTabSystem)->GetText(SystemPageId::kLanguageButton), "语言设置");
    EXPECT_EQ(window->Page(kTabDebug)->GetText(DebugPageId::kFrameLabel), "调试命令：");
    EXPECT_EQ(window->Page(kTabDebug)->GetText(DebugPageId::kPause), "暂停更新");
    EXPECT_EQ(window->Page(kTabSystem)->GetText(SystemPageId::kVersionLine).rfind("版本: ", 0), 0u);
    EXPECT_EQ(window->TabBar()->currentIndex(), 5);
    EXPECT_EQ(VisiblePage(), 5);
    EXPECT_TRUE(window->List()->isHidden());
    GetLanguageTexts().SetLanguage(kLanguageEnglish);
    ASSERT_TRUE(PumpUntil([&] { return window->TabBar()->tabText(0) == kEnglishTabs[0]; }, 5000));
}

TEST_F(MainWindow, EveryOneLineLabelShowsItsWholeTextInBothLanguages) {
    Open();
    for (int language : {kLanguageEnglish, kLanguageChinese, kLanguageEnglish}) {
        GetLanguageTexts().SetLanguage(language);
        const char* tab0 = language == kLanguageChinese ? kChineseTabs[0] : kEnglishTabs[0];
        ASSERT_TRUE(PumpUntil([&] { return window->TabBar()->tabText(0) == tab0; }, 5000));
        for (QLabel* label : window->findChildren<QLabel*>()) {
            const QString text = label->text();
            if (text.isEmpty() || text.contains(QLatin1Char('\n')) || label->wordWrap() ||
                label->objectName().isEmpty()) {
                continue;
            }
            EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(text), label->width())
                << language << " " << label->objectName().toStdString() << " "
                << text.toStdString();
        }
    }
}

TEST_F(MainWindow, DebugSwitchZeroShowsNoPageButTheDebugColumns) {
    TempDir dir;
    const std::string settings = dir.file("SystemSetting.ini");
    IniFile::WriteString(settings, "PageSetting", "DebugPage", "0");
    Open(-1, 1, settings);
    EXPECT_EQ(window->Logic().DebugPageSwitch(), 0);
    window->TabBar()->setCurrentIndex(4);
    EXPECT_EQ(VisiblePage(), -1);
    EXPECT_EQ(window->TabBar()->tabText(4).toStdString(), "Debug");
    EXPECT_FALSE(window->List()->isHidden());
    EXPECT_EQ(Header(3), "Bed No.");
    EXPECT_EQ(Header(4), "Config State");
    window->TabBar()->setCurrentIndex(1);
    EXPECT_EQ(VisiblePage(), 1);
}

TEST_F(MainWindow, NoWirelessAdapterTellsOnceAndDisablesTheStartButton) {
    Open(1, 0);
    ASSERT_TRUE(PumpPending());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "No wireless network adapter was found. The access point cannot be started.");
    EXPECT_FALSE(window->Page(kTabAccessPoint)->IsEnabled(APPageId::kStart));
    ASSERT_TRUE(PumpPending());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    window.reset();
    dialogs.messages.clear();
    Open(1, 1);
    ASSERT_TRUE(PumpPending());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(window->Page(kTabAccessPoint)->IsEnabled(APPageId::kStart));
}

TEST_F(MainWindow, UserActionsReachThePages) {
    Open();
    // access point: Start runs the hosted-network steps; no adapter found gives text 75
    window->Page(kTabAccessPoint)->As<QPushButton>(APPageId::kStart)->click();
    ASSERT_TRUE(PumpUntil([&] { return !window->Core().AccessPoint().IsStarting(); }, 5000));
    EXPECT_EQ(hostedNetwork.Steps(),
              (std::vector<std::string>{"stop", "configure ZOLT_LINK QPLMRTXW", "start", "find"}));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), "Cannot find the virtual adapter of the access point.");
    // network page: the address-only toggle flips its caption
    window->TabBar()->setCurrentIndex(kTabNetwork);
    window->Page(kTabNetwork)->As<QPushButton>(NetPageId::kAddressOnly)->click();
    EXPECT_EQ(window->Page(kTabNetwork)->GetText(NetPageId::kAddressOnly), "Modify All Settings");
    EXPECT_FALSE(window->Page(kTabNetwork)->IsEnabled(NetPageId::kSsid));
    // module page: a filter enables its module buttons
    window->TabBar()->setCurrentIndex(kTabModule);
    EXPECT_FALSE(window->Page(kTabModule)->IsEnabled(ModulePageId::kModuleEcg));
    window->Page(kTabModule)->As<QRadioButton>(ModulePageId::kFilterEcg)->click();
    EXPECT_TRUE(window->Page(kTabModule)->IsEnabled(ModulePageId::kModuleEcg));
    EXPECT_FALSE(window->Page(kTabModule)->IsEnabled(ModulePageId::kModuleEcgSpo2));
    // upgrade page: Start without a folder gives text 73
    window->Page(kTabUpgrade)->As<QPushButton>(UpdatePageId::kStart)->click();
    EXPECT_EQ(dialogs.messages.back(), "Please choose the folder that holds the upgrade files.");
    // debug page: keys outside the hexadecimal set are refused in the two fields only
    window->TabBar()->setCurrentIndex(kTabDebug);
    window->show();
    auto* frame = window->Page(kTabDebug)->As<QLineEdit>(DebugPageId::kFrameText);
    const std::size_t before = dialogs.messages.size();
    QTest::keyClick(frame, Qt::Key_G);
    EXPECT_EQ(dialogs.messages.size(), before + 1);
    EXPECT_EQ(dialogs.messages.back(), "The Input char error!");
    QTest::keyClicks(frame, "0a 1");
    EXPECT_EQ(frame->text().toStdString(), "0a 1");
    window->Page(kTabDebug)->As<QPushButton>(DebugPageId::kPause)->click();
    EXPECT_EQ(window->Page(kTabDebug)->GetText(DebugPageId::kPause), "Resume");
    // the system page's button switches the language
    window->TabBar()->setCurrentIndex(kTabSystem);
    window->Page(kTabSystem)->SetCurSel(SystemPageId::kLanguageSelector, 0);
    window->Page(kTabSystem)->As<QPushButton>(SystemPageId::kLanguageButton)->click();
    EXPECT_EQ(GetLanguageTexts().GetLanguage(), kLanguageChinese);
    EXPECT_TRUE(PumpUntil([&] { return window->TabBar()->tabText(0) == kChineseTabs[0]; }, 5000));
    window->Page(kTabSystem)->SetCurSel(SystemPageId::kLanguageSelector, 1);
    window->Page(kTabSystem)->As<QPushButton>(SystemPageId::kLanguageButton)->click();
    EXPECT_EQ(GetLanguageTexts().GetLanguage(), kLanguageEnglish);
    EXPECT_TRUE(PumpUntil([&] { return window->TabBar()->tabText(0) == kEnglishTabs[0]; }, 5000));
}

TEST_F(MainWindow, EnterInAFieldKeepsTheWindowOpen) {
    Open();
    window->TabBar()->setCurrentIndex(kTabUpgrade);
    window->show();
    for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
        if (!field->isVisible()) {
            continue;
        }
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(window->isVisible()) << field->objectName().toStdString();
    }
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(MainWindow, EscapeNeverClosesAndClosingDuringAnUpgradeAsksFirst) {
    Open();
    window->Logic().SetUpgradeRunning([] { return true; });
    window->show();
    dialogs.yes = false;
    QTest::keyClick(window.get(), Qt::Key_Escape);  // neither closes nor asks
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(dialogs.questions.empty());
    window->close();  // the close box and Alt+F4
    EXPECT_TRUE(window->isVisible());
    const std::string ask =
        "An upgrade is running. Closing the tool ends it for every monitor. Close anyway?";
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{ask}));
    dialogs.yes = true;
    window->close();
    EXPECT_TRUE(window->isHidden());
}

// The Qt window for the shared cases: its widgets worked as a user works them.
class QtWindowDriver {
  public:
    void Open(const MainWindowOptions& options) {
        window_ = std::make_unique<CZr40ToolDlg>(options);
        window_->show();
    }
    FakeDialogs& Dialogs() { return dialogs_; }
    bool IsOpen() const { return window_ && window_->isVisible(); }
    MonitorListModel& Model() { return window_->Model(); }
    void ChooseTab(int tab) { window_->TabBar()->setCurrentIndex(tab); }
    IForm& Page(int tab) { return *window_->Page(tab); }
    void Click(int tab, int id) { ControlById<QAbstractButton>(window_->Page(tab), id)->click(); }
    void PressEscape(int tab, int id) {
        QWidget* field = ControlById<QWidget>(window_->Page(tab), id);
        ASSERT_NE(field, nullptr) << id;
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Escape);
    }
    void PressEnter(int tab, int id) {
        QWidget* field = ControlById<QWidget>(window_->Page(tab), id);
        ASSERT_NE(field, nullptr) << id;
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    }
    void PressCloseBox() { window_->close(); }
    bool RowChecked(int row) { return window_->List()->item(row, 0)->checkState() == Qt::Checked; }
    void CheckRow(int row, bool on) {
        window_->List()->item(row, 0)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    bool Pump(const std::function<bool()>& done, int timeoutMs) {
        return PumpUntil(done, timeoutMs);
    }
    ~QtWindowDriver() {
        window_.reset();
        GetMonitorTable().SetPage(CMonitorTable::kPageNone);
    }

  private:
    ScopedLanguage language_{kLanguageEnglish};
    FakeDialogs dialogs_;
    std::unique_ptr<CZr40ToolDlg> window_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, MainWindowBehaviour, QtWindowDriver);

// The language loads before anything else starts; without it, nothing does.
TEST(DesktopStartup, MissingLanguageFilesEndStartUpWithTheMessage) {
    ScopedLogDir logs;
    TempDir empty;
    const auto start = [&] {
        DesktopStart start;
        start.languageFolder = FindLanguageFolder(empty.path(), empty.file("share"));
        start.ports = LoopbackTestSettings();
        return start;
    };
    QtUiThread ui;
    IUiThread* const before = GetUiThread();
    const auto startsWith = [&](const std::string& error) {
        DesktopServices services(ui, start());
        EXPECT_EQ(GetUiThread(), &ui);
        EXPECT_EQ(services.StartError(), error);
        EXPECT_EQ(services.Server().WaitListening(error.empty() ? 5000 : 0), error.empty());
    };
    startsWith("Load language file error");
    // an incomplete file fails as well
    ScopedLanguage source;
    std::filesystem::create_directories(empty.file("share/language"));
    for (const char* name : {"LanguageConfig.ini", "ChineseLanguage.ini", "EnglishLanguage.ini"}) {
        std::filesystem::copy_file(source.Folder() + "/" + name,
                                   empty.file("share/language/") + name);
    }
    IniFile::WriteString(empty.file("share/language/ChineseLanguage.ini"), "LanguageStr", "82", "");
    startsWith("Load language file error");
    std::filesystem::copy_file(source.Folder() + "/ChineseLanguage.ini",
                               empty.file("share/language/ChineseLanguage.ini"),
                               std::filesystem::copy_options::overwrite_existing);
    startsWith("");
    EXPECT_FALSE(LanguageText(0).empty());
    // the UI thread goes back to what it was
    EXPECT_EQ(GetUiThread(), before);
}

}  // namespace
