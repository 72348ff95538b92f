#include "qt/CZr40ToolDlg.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

#include "pages/MainWindowLayout.h"
#include "qt/MonitorListView.h"
#include "qt/QtPage.h"

CZr40ToolDlg::CZr40ToolDlg(MainWindowOptions options, QWidget* parent)
    : QDialog(parent),
      ownDialogs_(this),
      dialogs_(options.dialogs != nullptr ? *options.dialogs : ownDialogs_),
      core_(*this, dialogs_, options) {
    setWindowTitle(QStringLiteral("Zr40Tool"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The template's size shows every control; a larger window gives the room to the list.
    setMinimumSize(QtForm::Du(kMainWindowRect).size());
    resize(minimumSize());
    setWindowIcon(QIcon(QStringLiteral(":/zr40tool.svg")));

    // the tab control: the tab row over a frame holding the pages
    tabControl_ = new QWidget(this);
    tabControl_->setGeometry(QtForm::Du(kMainTabRect));
    tabs_ = new QTabBar(tabControl_);
    tabs_->setObjectName(QString::number(IDC_MAIN_TAB));
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    pane_ = new QFrame(tabControl_);
    pane_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int) { core_.Logic().OnTabChanged(); });

    list_ = new MonitorListView(core_.Model(), this);
    list_->setObjectName(QString::number(IDC_MONITOR_LIST));
    list_->setGeometry(QtForm::Du(kMonitorListRect));
    list_->ApplyColumnWidths();
    connect(list_, &MonitorListView::CheckChanged, this,
            [this](int row) { core_.Logic().OnItemChanged(row); });

    // created in this order, as children of the tab control
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        pages_[static_cast<std::size_t>(tab)] =
            new QtPage(*kPageLayouts[static_cast<std::size_t>(tab)], tabControl_);
    }
    core_.Assemble();
    // the tab row exists now; the pages go under it
    LayOut();

    if (options.refreshMs > 0) {
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        connect(timer_, &QTimer::timeout, this, [this] { core_.Logic().OnTimer(); });
        timer_->start(options.refreshMs);
    }
    // told once the window is on screen, so the message stands in front of what it is about
    QTimer::singleShot(0, this, [this] { core_.ReportWirelessAdapter(); });
}

CZr40ToolDlg::~CZr40ToolDlg() {
    if (timer_ != nullptr) {
        timer_->stop();
    }
}

IForm& CZr40ToolDlg::PageForm(int tab) {
    return *Page(tab);
}

void CZr40ToolDlg::Bind(int tab, const std::vector<PageBinding>& bindings) {
    Page(tab)->Bind(bindings);
}

void CZr40ToolDlg::LayOut() {
    if (tabControl_ == nullptr || list_ == nullptr) {
        return;  // a resize before the controls exist
    }
    // The tab control keeps its height and follows the width; the list takes the rest, with
    // the template's margins (7 du around the tab control, 6 du beside and 7 du below the list).
    const QRect tabArea = QtForm::Du(kMainTabRect);
    tabControl_->setGeometry(tabArea.x(), tabArea.y(), width() - 2 * tabArea.x(), tabArea.height());
    const QRect listArea =
        QtForm::Du(kMonitorListRect.x, kMonitorListRect.y, kMonitorListRect.x,
                   kMainWindowRect.height - kMonitorListRect.y - kMonitorListRect.height);
    list_->setGeometry(listArea.x(), listArea.y(), width() - 2 * listArea.x(),
                       height() - listArea.y() - listArea.height());
    list_->ApplyColumnWidths();

    const int barHeight = tabs_->sizeHint().height();
    const QSize area = tabControl_->size();
    tabs_->setGeometry(0, 0, area.width(), barHeight);
    pane_->setGeometry(0, barHeight - 1, area.width(), area.height() - barHeight + 1);
    const QRect pageRect(3, barHeight + 3, area.width() - 3 - 5, area.height() - barHeight - 3 - 5);
    for (QtPage* page : pages_) {
        page->setGeometry(pageRect);
    }
}

void CZr40ToolDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOut();
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
    if (core_.Logic().MayClose()) {
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
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        Page(tab)->setVisible(tab == page);
    }
}

void CZr40ToolDlg::MirrorList(bool progressColumnActive) {
    list_->SetProgressColumnActive(progressColumnActive);
    list_->Mirror();
}
