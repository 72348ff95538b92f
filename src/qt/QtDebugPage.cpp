#include "qt/QtDebugPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "pages/CDebugConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/DebugKeys.h"

QtDebugPage::QtDebugPage(IDialogs& dialogs, QWidget* parent)
    : QtPage(dialogs, parent), display_(*this, DebugPageId::kDisplay) {
    AddLabel(1077, QStringLiteral("调试命令："), 5, 6, 64, 10);
    AddEdit(1039, 71, 4, 180, 12);
    AddButton(1002, QStringLiteral("发送"), 257, 3, 54, 14);
    AddLabel(1078, QStringLiteral("筛选命令字："), 5, 22, 64, 10);
    AddEdit(1044, 71, 20, 180, 12);
    AddButton(1045, QStringLiteral("确认"), 257, 19, 54, 14);
    AddDisplay(1024, 5, 37, 306, 100);
    AddButton(1003, QStringLiteral("清空信息"), 5, 141, 60, 14);
    AddButton(1042, QStringLiteral("暂停更新"), 71, 141, 60, 14);
    AddButton(1050, QStringLiteral("保存文件"), 137, 141, 60, 14);

    logic_ = std::make_unique<CDebugConfigDlg>(*this, dialogs_, display_);
    using namespace DebugPageId;
    CDebugConfigDlg* page = logic_.get();
    connect(As<QPushButton>(kSend), &QPushButton::clicked, this, [page] { page->OnSend(); });
    connect(As<QPushButton>(kConfirmFilter), &QPushButton::clicked, this,
            [page] { page->OnConfirmFilter(); });
    connect(As<QPushButton>(kClear), &QPushButton::clicked, this, [page] { page->OnClear(); });
    connect(As<QPushButton>(kPause), &QPushButton::clicked, this, [page] { page->OnPause(); });
    connect(As<QPushButton>(kSaveFile), &QPushButton::clicked, this,
            [page] { page->OnSaveFile(); });
    Control(kFrameText)->installEventFilter(this);
    Control(kFilterText)->installEventFilter(this);
}

QtDebugPage::~QtDebugPage() = default;

void QtDebugPage::InitForm() {
    logic_->FillTexts();
}

void QtDebugPage::RefreshCaptions() {
    logic_->RefreshCaptions();
}

void QtDebugPage::OnReceivedFrame(MonitorObject* monitor, const std::vector<std::uint8_t>& frame) {
    logic_->OnReceivedFrame(monitor, frame);
}

bool QtDebugPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Control(DebugPageId::kFrameText) ||
                                              watched == Control(DebugPageId::kFilterText))) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int virtualKey =
            VirtualKeyFromQtKey(key->key(), (key->modifiers() & Qt::KeypadModifier) != 0);
        const int field = watched == Control(DebugPageId::kFrameText) ? DebugPageId::kFrameText
                                                                      : DebugPageId::kFilterText;
        if (!logic_->OnKeyDown(field, virtualKey)) {
            return true;  // swallowed: the character never reaches the field
        }
    }
    return QtPage::eventFilter(watched, event);
}
