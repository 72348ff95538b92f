#include "qt/QtSystemPage.h"

#include <QPushButton>

#include "pages/CSystemConfigDlg.h"
#include "pages/ControlIds.h"

QtSystemPage::QtSystemPage(IDialogs& dialogs, QWidget* parent) : QtPage(dialogs, parent) {
    AddCombo(1038, false, 10, 12, 120, 12);
    AddButton(1007, QStringLiteral("语言设置"), 140, 11, 70, 14);
    AddLabel(1076, QStringLiteral("Static"), 10, 36, 240, 10);
    AddButton(1079, QStringLiteral("Export inventory"), 10, 54, 100, 14);

    logic_ = std::make_unique<CSystemConfigDlg>(*this, dialogs_);
    CSystemConfigDlg* page = logic_.get();
    connect(As<QPushButton>(SystemPageId::kLanguageButton), &QPushButton::clicked, this,
            [page] { page->OnLanguageButton(); });
    connect(As<QPushButton>(SystemPageId::kExportInventory), &QPushButton::clicked, this,
            [page] { page->OnExportInventory(); });
}

QtSystemPage::~QtSystemPage() = default;

void QtSystemPage::InitForm() {
    logic_->FillTexts();
}

void QtSystemPage::RefreshCaptions() {
    logic_->RefreshCaptions();
}
