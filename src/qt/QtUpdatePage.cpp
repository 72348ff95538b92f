#include "qt/QtUpdatePage.h"

#include <QPushButton>

#include "pages/CUpdateConfigDlg.h"
#include "pages/ControlIds.h"

QtUpdatePage::QtUpdatePage(IDialogs& dialogs, QWidget* parent) : QtPage(dialogs, parent) {
    AddLabel(1073, QStringLiteral("升级模式："), 10, 14, 72, 10);
    AddCombo(1037, false, 86, 12, 120, 12);
    AddLabel(1074, QStringLiteral("升级文件夹路径："), 10, 34, 72, 10);
    AddEdit(1036, 86, 32, 160, 12);
    AddButton(1035, QStringLiteral("浏览..."), 252, 31, 56, 14);
    AddButton(1003, QStringLiteral("启动升级服务器"), 86, 52, 100, 14);
    AddLabel(1075, QStringLiteral("升级服务器："), 10, 78, 72, 10);
    AddLabel(1048, QString(), 86, 78, 160, 10);
    AddLabel(1049, QString(), 86, 94, 160, 10);

    logic_ = std::make_unique<CUpdateConfigDlg>(*this, dialogs_);
    using namespace UpdatePageId;
    CUpdateConfigDlg* page = logic_.get();
    connect(As<QPushButton>(kBrowse), &QPushButton::clicked, this, [page] { page->OnBrowse(); });
    connect(As<QPushButton>(kStart), &QPushButton::clicked, this, [page] { page->OnStart(); });
}

QtUpdatePage::~QtUpdatePage() = default;

void QtUpdatePage::InitForm() {
    logic_->FillTexts();
}

void QtUpdatePage::RefreshCaptions() {
    logic_->RefreshCaptions();
}
