#include "qt/QtDebugPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

QtDebugPage::QtDebugPage(IDialogs& dialogs, QWidget* parent) : QtPage(dialogs, parent) {
    AddLabel(0, QStringLiteral("调试命令："), 5, 6, 48, 10);
    AddEdit(1039, 55, 4, 196, 12);
    AddButton(1002, QStringLiteral("发送"), 257, 3, 54, 14);
    AddLabel(0, QStringLiteral("筛选命令字："), 5, 22, 48, 10);
    AddEdit(1044, 55, 20, 196, 12);
    AddButton(1045, QStringLiteral("确认"), 257, 19, 54, 14);
    AddDisplay(1024, 5, 37, 306, 100);
    AddButton(1003, QStringLiteral("清空信息"), 5, 141, 60, 14);
    AddButton(1042, QStringLiteral("暂停更新"), 71, 141, 60, 14);
    AddButton(1050, QStringLiteral("保存文件"), 137, 141, 60, 14);
}

QtDebugPage::~QtDebugPage() = default;

void QtDebugPage::OnReceivedFrame(MonitorObject*, const std::vector<std::uint8_t>&) {}

bool QtDebugPage::eventFilter(QObject* watched, QEvent* event) {
    return QtPage::eventFilter(watched, event);
}
