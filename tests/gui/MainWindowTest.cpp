// The main window: tabs, pages and list per tab, check marks, language change, the debug-page
// switch, the wireless check, Enter, and the start-up's language failure.
#include <gtest/gtest.h>

#include <unistd.h>
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
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "network/NetworkListenManager.h"
#include "pages/CAPConfigDlg.h"
#include "pages/LanguageTexts.h"
#include "qt/CZr40ToolDlg.h"
#include "qt/MonitorListView.h"
#include "qt/QtAPPage.h"
#include "qt/QtDebugPage.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtModulePage.h"
#include "qt/QtNetPage.h"
#include "qt/QtPage.h"
#include "qt/QtSystemPage.h"
#include "qt/QtUpdatePage.h"
#include "registry/CMonitorTable.h"

namespace {

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
            if (!window->PageOfTab(tab)->isHidden()) {
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

TEST_F(MainWindow, FixedFrameWithSixTabsAndTheAccessPointPageFirst) {
    Open();
    EXPECT_EQ(window->windowTitle(), "Zr40Tool");
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    ASSERT_EQ(window->TabBar()->count(), 6);
    EXPECT_EQ(window->TabBar()->objectName(), "1005");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(window->TabBar()->tabText(i).toStdString(), LanguageText(i));
    }
    EXPECT_EQ(window->TabBar()->currentIndex(), 0);
    EXPECT_EQ(VisiblePage(), 0);
    EXPECT_TRUE(window->List()->isHidden());
    EXPECT_EQ(Header(0), LanguageText(6));
    EXPECT_EQ(Header(4), LanguageText(10));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindow, EachTabShowsItsPageListAndColumns) {
    Open();
    struct Case {
        int tab;
        bool listShown;
        int header3;
        int header4;
    } cases[] = {{1, true, 9, 10}, {2, true, 9, 13},   {3, true, 12, 11},
                 {4, true, 9, 10}, {5, false, -1, -1}, {0, false, -1, -1}};
    for (const Case& c : cases) {
        window->TabBar()->setCurrentIndex(c.tab);
        EXPECT_EQ(GetMonitorTable().GetPage(), c.tab);
        EXPECT_EQ(VisiblePage(), c.tab) << c.tab;
        EXPECT_EQ(!window->List()->isHidden(), c.listShown) << c.tab;
        if (c.header3 >= 0) {
            EXPECT_EQ(Header(3), LanguageText(c.header3)) << c.tab;
            EXPECT_EQ(Header(4), LanguageText(c.header4)) << c.tab;
        }
        EXPECT_EQ(Header(2), LanguageText(7));
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

TEST_F(MainWindow, SwitchingTabsClearsEveryCheck) {
    Open();
    AddRows(3);
    window->TabBar()->setCurrentIndex(2);
    UserCheck(0, true);
    UserCheck(2, true);
    window->Model().SetText(1, 4, "ECG");
    window->TabBar()->setCurrentIndex(3);
    EXPECT_EQ(ModelChecks(), std::vector<bool>({false, false, false}));
    EXPECT_EQ(ViewChecks(), std::vector<bool>({false, false, false}));
    EXPECT_EQ(window->List()->item(1, 4)->text(), "");
}

TEST_F(MainWindow, LanguageChangeRecaptionsAndSelectsTheSystemTab) {
    Open();
    window->TabBar()->setCurrentIndex(5);
    const std::string englishTab0 = LanguageText(0);
    GetLanguageTexts().SetLanguage(kLanguageChinese);
    ASSERT_TRUE(
        PumpUntil([&] { return window->TabBar()->tabText(0).toStdString() != englishTab0; }, 5000));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(window->TabBar()->tabText(i).toStdString(), LanguageText(i));
    }
    EXPECT_EQ(Header(0), LanguageText(6));
    EXPECT_EQ(Header(1), LanguageText(8));
    EXPECT_EQ(Header(2), LanguageText(7));
    // the pages re-read their texts
    EXPECT_EQ(window->NetPage()->GetText(1004), LanguageText(35));
    EXPECT_EQ(window->ModulePage()->GetText(1071), LanguageText(40));
    EXPECT_EQ(window->UpdatePage()->GetText(1003), LanguageText(51));
    EXPECT_EQ(window->APPage()->GetText(1008), LanguageText(19));
    EXPECT_EQ(window->SystemPage()->GetText(1007), LanguageText(65));
    EXPECT_EQ(window->SystemPage()->GetText(1076).rfind(LanguageText(12) + ": ", 0), 0u);
    EXPECT_EQ(window->TabBar()->currentIndex(), 5);
    EXPECT_EQ(VisiblePage(), 5);
    EXPECT_TRUE(window->List()->isHidden());
    GetLanguageTexts().SetLanguage(kLanguageEnglish);
    ASSERT_TRUE(
        PumpUntil([&] { return window->TabBar()->tabText(0).toStdString() == englishTab0; }, 5000));
}

TEST_F(MainWindow, EveryOneLineLabelShowsItsWholeTextInBothLanguages) {
    Open();
    for (int language : {kLanguageEnglish, kLanguageChinese, kLanguageEnglish}) {
        GetLanguageTexts().SetLanguage(language);
        PumpEvents(50);
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
    EXPECT_EQ(window->TabBar()->tabText(4).toStdString(), LanguageText(4));
    EXPECT_FALSE(window->List()->isHidden());
    EXPECT_EQ(Header(3), LanguageText(9));
    EXPECT_EQ(Header(4), LanguageText(10));
    window->TabBar()->setCurrentIndex(1);
    EXPECT_EQ(VisiblePage(), 1);
}

TEST_F(MainWindow, MissingSettingsFileShowsTheDebugPage) {
    TempDir dir;
    Open(-1, 1, dir.file("SystemSetting.ini"));
    EXPECT_EQ(window->Logic().DebugPageSwitch(), 1);
    window->TabBar()->setCurrentIndex(4);
    EXPECT_EQ(VisiblePage(), 4);
}

TEST_F(MainWindow, NoWirelessAdapterTellsOnceAndDisablesTheStartButton) {
    Open(1, 0);
    PumpEvents(20);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], LanguageText(76));
    EXPECT_FALSE(window->APPage()->IsEnabled(QtAPPage::kStartButton));
    window.reset();
    dialogs.messages.clear();
    Open(1, 1);
    PumpEvents(20);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(window->APPage()->IsEnabled(QtAPPage::kStartButton));
}

TEST_F(MainWindow, UserActionsReachThePages) {
    Open();
    // access point: Start runs the hosted-network steps; no adapter found gives text 75
    window->APPage()->As<QPushButton>(1008)->click();
    ASSERT_TRUE(PumpUntil([&] { return !window->APPage()->Logic().IsStarting(); }, 5000));
    ASSERT_GE(hostedNetwork.steps.size(), 4u);
    EXPECT_EQ(hostedNetwork.steps[0], "stop");
    EXPECT_EQ(hostedNetwork.steps[1], "configure ZOLT_LINK QPLMRTXW");
    EXPECT_EQ(hostedNetwork.steps[3], "find");
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), LanguageText(75));
    // network page: the address-only toggle flips its caption
    window->TabBar()->setCurrentIndex(kTabNetwork);
    window->NetPage()->As<QPushButton>(1022)->click();
    EXPECT_EQ(window->NetPage()->GetText(1022), LanguageText(37));
    EXPECT_FALSE(window->NetPage()->IsEnabled(1040));
    // module page: a filter enables its module buttons
    window->TabBar()->setCurrentIndex(kTabModule);
    EXPECT_FALSE(window->ModulePage()->IsEnabled(1034));
    window->ModulePage()->As<QRadioButton>(1039)->click();
    EXPECT_TRUE(window->ModulePage()->IsEnabled(1034));
    EXPECT_FALSE(window->ModulePage()->IsEnabled(1036));
    // upgrade page: Start without a folder gives text 73
    window->UpdatePage()->As<QPushButton>(1003)->click();
    EXPECT_EQ(dialogs.messages.back(), LanguageText(73));
    // debug page: keys outside the hexadecimal set are refused in the two fields only
    window->TabBar()->setCurrentIndex(kTabDebug);
    window->show();
    auto* frame = window->DebugPage()->As<QLineEdit>(1039);
    const std::size_t before = dialogs.messages.size();
    QTest::keyClick(frame, Qt::Key_G);
    EXPECT_EQ(dialogs.messages.size(), before + 1);
    EXPECT_EQ(dialogs.messages.back(), "The Input char error!");
    QTest::keyClicks(frame, "0a 1");
    EXPECT_EQ(frame->text().toStdString(), "0a 1");
    window->DebugPage()->As<QPushButton>(1042)->click();
    EXPECT_EQ(window->DebugPage()->GetText(1042), "继续更新");
    // the system page's button switches the language
    window->TabBar()->setCurrentIndex(kTabSystem);
    window->SystemPage()->SetCurSel(1038, 0);
    window->SystemPage()->As<QPushButton>(1007)->click();
    EXPECT_EQ(GetLanguageTexts().GetLanguage(), kLanguageChinese);
    PumpEvents(20);
    EXPECT_EQ(window->TabBar()->tabText(0).toStdString(), LanguageText(0));
    window->SystemPage()->SetCurSel(1038, 1);
    window->SystemPage()->As<QPushButton>(1007)->click();
    PumpEvents(20);
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

TEST_F(MainWindow, ClosingDuringAnUpgradeAsksFirst) {
    Open();
    window->Logic().SetUpgradeRunning([] { return true; });
    window->show();
    dialogs.yes = false;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    window->close();  // the close box and Alt+F4
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{LanguageText(83), LanguageText(83)}));
    dialogs.yes = true;
    window->close();
    EXPECT_TRUE(window->isHidden());
}

TEST_F(MainWindow, UpgradeRequestWithoutMonitorIsIgnored) {
    Open();
    UserMessage message;
    message.id = WM_UPGRADE_REQUEST;
    window->Logic().OnUserMessage(message);  // must not reach the manager with a null monitor
    message.id = WM_DEBUG_PACKET;
    message.frame = {8, 0, 1, 0, 0, 0, 0, 0};
    window->Logic().OnUserMessage(message);  // not on the debug tab: dropped
    SUCCEED();
}

NetworkListenSettings QuietServer() {
    NetworkListenSettings s = NetworkListenSettings::Compact(0);
    s.bindAddress = "127.0.0.1";
    s.startPauseMs = 0;
    s.startReturnPauseMs = 0;
    s.bindRetryPauseMs = 5;
    return s;
}

TEST(DesktopStartup, MissingLanguageFilesEndStartUpWithTheMessage) {
    ScopedLogDir logs;
    TempDir empty;
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(empty.path());
    NetworkListenManager server(QuietServer());
    LanguageTexts texts;
    EXPECT_EQ(PrepareDesktop(server, texts, {empty.path(), empty.file("share"), ""}),
              "Load language file error");
    // an incomplete file fails as well
    ScopedLanguage source;
    std::filesystem::create_directories(empty.file("share/language"));
    for (const char* name : {"LanguageConfig.ini", "ChineseLanguage.ini", "EnglishLanguage.ini"}) {
        std::filesystem::copy_file(source.Folder() + "/" + name,
                                   empty.file("share/language/") + name);
    }
    IniFile::WriteString(empty.file("share/language/ChineseLanguage.ini"), "LanguageStr", "82", "");
    EXPECT_EQ(PrepareDesktop(server, texts, {empty.path(), empty.file("share"), ""}),
              "Load language file error");
    std::filesystem::copy_file(source.Folder() + "/ChineseLanguage.ini",
                               empty.file("share/language/ChineseLanguage.ini"),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(PrepareDesktop(server, texts, {empty.path(), empty.file("share"), ""}), "");
    EXPECT_FALSE(texts.LanguageText(0).empty());
    EXPECT_TRUE(server.WaitListening(5000));
    GetMonitorTable().SetTextLookup([](int index) { return LanguageText(index); });
    std::filesystem::current_path(previous);
}

}  // namespace
