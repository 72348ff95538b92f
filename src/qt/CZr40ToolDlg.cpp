#include "qt/CZr40ToolDlg.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

#include "app/DispatchRouter.h"
#include "pages/LanguageTexts.h"
#include "platform/WirelessAdapter.h"
#include "qt/MonitorListView.h"
#include "qt/QtAPPage.h"
#include "qt/QtDebugPage.h"
#include "qt/QtModulePage.h"
#include "qt/QtNetPage.h"
#include "qt/QtSystemPage.h"
#include "qt/QtUpdatePage.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"

CZr40ToolDlg::CZr40ToolDlg(MainWindowOptions options, QWidget* parent)
    : QDialog(parent),
      table_(GetMonitorTable()),
      ownDialogs_(this),
      dialogs_(options.dialogs != nullptr ? *options.dialogs : ownDialogs_),
      logic_(
          *this, table_, [](int index) { return LanguageText(index); },
          [](MonitorObject* monitor) { GetUpdateConfigManager().UpdateUpgradeReq(monitor); }) {
    logic_.SetUpgradeRunning([] { return GetUpdateConfigManager().IsUpgradeRunning(); });
    setWindowTitle(QStringLiteral("Zr40Tool"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The template's size shows every control; a larger window gives the room to the list.
    setMinimumSize(QtForm::Du(0, 0, kWidthDu, kHeightDu).size());
    resize(minimumSize());
    setWindowIcon(QIcon(QStringLiteral(":/zr40tool.svg")));

    // tab control 1005 at (7, 7), 498 x 179: the tab row over a frame holding the pages
    tabControl_ = new QWidget(this);
    tabControl_->setGeometry(QtForm::Du(7, 7, 498, 179));
    tabs_ = new QTabBar(tabControl_);
    tabs_->setObjectName(QStringLiteral("1005"));
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    pane_ = new QFrame(tabControl_);
    pane_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int) { logic_.OnTabChanged(); });

    // list view 1009 at (6, 186), 498 x 91
    list_ = new MonitorListView(model_, this);
    list_->setObjectName(QStringLiteral("1009"));
    list_->setGeometry(QtForm::Du(6, 186, 498, 91));
    list_->ApplyColumnWidths();
    connect(list_, &MonitorListView::CheckChanged, this,
            [this](int row) { logic_.OnItemChanged(row); });

    BuildPages(options.hostedNetwork);
    for (int i = 0; i < MonitorListModel::kColumns; ++i) {
        static const int kHeadings[MonitorListModel::kColumns] = {6, 8, 7, 9, 10};
        model_.SetHeader(i, LanguageText(kHeadings[i]));
    }
    model_.SetVisible(false);
    table_.SetList(&model_);

    const int debugSwitch = options.debugPageSwitch >= 0
                                ? options.debugPageSwitch
                                : ReadDebugPageSwitch(options.settingsPath);
    const bool wireless =
        options.wirelessAdapter >= 0 ? options.wirelessAdapter != 0 : HasWirelessAdapter();
    // the tab row exists before the pages are placed under it
    logic_.Initialise(debugSwitch);
    LayOut();

    SetUserMessageSink(&logic_);
    SetDispatchSink(&GetDispatchRouter());
    if (options.refreshMs > 0) {
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        connect(timer_, &QTimer::timeout, this, [this] { logic_.OnTimer(); });
        timer_->start(options.refreshMs);
    }
    // told once the window is on screen, so the message stands in front of what it is about
    QTimer::singleShot(0, this, [this, wireless] { logic_.ReportWirelessAdapter(wireless); });
}

CZr40ToolDlg::~CZr40ToolDlg() {
    if (timer_ != nullptr) {
        timer_->stop();
    }
    SetUserMessageSink(nullptr);
    SetDispatchSink(nullptr);
    // The invitation thread reads the list; it must be gone before the list is.
    GetUpdateConfigManager().StopUpgradePolling();
    table_.SetList(nullptr);
    pageMap_.clear();
}

void CZr40ToolDlg::BuildPages(HostedNetwork* hostedNetwork) {
    // created in this order, as children of the tab control
    apPage_ = new QtAPPage(dialogs_, hostedNetwork, tabControl_);
    apPage_->setObjectName(QStringLiteral("135"));
    netPage_ = new QtNetPage(dialogs_, tabControl_);
    netPage_->setObjectName(QStringLiteral("129"));
    modulePage_ = new QtModulePage(dialogs_, tabControl_);
    modulePage_->setObjectName(QStringLiteral("130"));
    updatePage_ = new QtUpdatePage(dialogs_, tabControl_);
    updatePage_->setObjectName(QStringLiteral("132"));
    debugPage_ = new QtDebugPage(dialogs_, tabControl_);
    debugPage_->setObjectName(QStringLiteral("131"));
    systemPage_ = new QtSystemPage(dialogs_, tabControl_);
    systemPage_->setObjectName(QStringLiteral("134"));
    pageMap_ = {{kTabAccessPoint, apPage_}, {kTabNetwork, netPage_}, {kTabModule, modulePage_},
                {kTabUpgrade, updatePage_}, {kTabDebug, debugPage_}, {kTabSystem, systemPage_}};
    apPage_->InitForm();
    updatePage_->InitForm();
    netPage_->InitForm();
    modulePage_->InitForm();
    debugPage_->InitForm();
    systemPage_->InitForm();
}

void CZr40ToolDlg::LayOut() {
    if (tabControl_ == nullptr || list_ == nullptr) {
        return;  // a resize before the controls exist
    }
    // The tab control keeps its height and follows the width; the list takes the rest, with
    // the template's margins (7 du around the tab control, 6 du beside and 7 du below the list).
    const QRect tabArea = QtForm::Du(7, 7, kWidthDu - 14, 179);
    tabControl_->setGeometry(tabArea.x(), tabArea.y(), width() - 2 * tabArea.x(), tabArea.height());
    const QRect listArea = QtForm::Du(6, 186, 6, 7);
    list_->setGeometry(listArea.x(), listArea.y(), width() - 2 * listArea.x(),
                       height() - listArea.y() - listArea.height());
    list_->ApplyColumnWidths();

    const int barHeight = tabs_->sizeHint().height();
    const QSize area = tabControl_->size();
    tabs_->setGeometry(0, 0, area.width(), barHeight);
    pane_->setGeometry(0, barHeight - 1, area.width(), area.height() - barHeight + 1);
    const QRect pageRect(3, barHeight + 3, area.width() - 3 - 5, area.height() - barHeight - 3 - 5);
    for (auto& entry : pageMap_) {
        entry.second->setGeometry(pageRect);
    }
}

void CZr40ToolDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOut();
}

QtPage* CZr40ToolDlg::PageOfTab(int tab) const {
    auto it = pageMap_.find(tab);
    return it == pageMap_.end() ? nullptr : it->second;
}

void CZr40ToolDlg::keyPressEvent(QKeyEvent* event) {
    // Enter confirms the field it was typed in and Escape leaves it (the field has seen the
    // key already): neither closes the window, cuts the monitors off or presses a button the
    // user did not aim at. Only the close box and Alt+F4 close it (closeEvent, then reject).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CZr40ToolDlg::reject() {
    if (logic_.MayClose()) {
        QDialog::reject();
    }
}

void CZr40ToolDlg::RebuildTabs(const std::array<std::string, kMainTabCount>& captions) {
    const QSignalBlocker blocker(tabs_);
    while (tabs_->count() > 0) {
        tabs_->removeTab(0);
    }
    for (const std::string& caption : captions) {
        tabs_->addTab(QString::fromStdString(caption));
    }
}

int CZr40ToolDlg::CurrentTab() const {
    return tabs_->currentIndex();
}

void CZr40ToolDlg::SelectTab(int index) {
    const QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(index);
}

void CZr40ToolDlg::ShowOnlyPage(int page) {
    for (auto& entry : pageMap_) {
        entry.second->setVisible(entry.first == page);
    }
}

void CZr40ToolDlg::RefreshPageCaptions() {
    apPage_->RefreshCaptions();
    netPage_->RefreshCaptions();
    modulePage_->RefreshCaptions();
    updatePage_->RefreshCaptions();
    debugPage_->RefreshCaptions();
    systemPage_->RefreshCaptions();
}

void CZr40ToolDlg::RefreshNetworkPage() {
    netPage_->RefreshFromMonitor();
}

void CZr40ToolDlg::DebugPageReceived(MonitorObject* monitor,
                                     const std::vector<std::uint8_t>& frame) {
    debugPage_->OnReceivedFrame(monitor, frame);
}

void CZr40ToolDlg::UpdateList() {
    list_->SetProgressColumnActive(table_.GetPage() == CMonitorTable::kPageUpgrade);
    list_->Mirror();
}

void CZr40ToolDlg::ShowMessage(const std::string& text) {
    dialogs_.MessageBox(text);
}

bool CZr40ToolDlg::AskYesNo(const std::string& text) {
    return dialogs_.AskYesNo(text);
}

void CZr40ToolDlg::EnableAccessPointStart(bool enabled) {
    apPage_->Enable(QtAPPage::kStartButton, enabled);
}
