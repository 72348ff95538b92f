#include "qt/QtAPPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "pages/CAPConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/LanguageTexts.h"

QtAPPage::QtAPPage(IDialogs& dialogs, HostedNetwork* network, QWidget* parent)
    : QtPage(dialogs, parent) {
    AddGroup(0, QString(), 5, 3, 306, 86);
    AddLabel(1053, QStringLiteral("SSID:"), 14, 15, 58, 10);
    AddEdit(1012, 74, 13, 100, 12);
    AddLabel(1054, QStringLiteral("认证方式:"), 14, 31, 58, 10);
    AddCombo(1015, true, 74, 29, 100, 12, true);
    AddLabel(1055, QStringLiteral("密码:"), 14, 47, 58, 10);
    AddEdit(1013, 74, 45, 100, 12, true);
    AddCheck(1051, QStringLiteral("Show Password"), 74, 59, 100, 10);
    AddLabel(1056, QStringLiteral("IP:"), 14, 74, 58, 10);
    AddAddress(1014, 74, 72, 100, 12);
    AddButton(1008, QStringLiteral("启动接入点"), 224, 12, 80, 14);
    AddButton(1010, QStringLiteral("加载配置"), 224, 28, 80, 14);
    AddButton(1009, QStringLiteral("另存为配置"), 224, 44, 80, 14);
    AddGroup(0, QString(), 5, 94, 306, 40);
    AddLabel(1057, QStringLiteral("已启动："), 14, 104, 58, 10);
    AddLabel(1017, QString(), 74, 104, 150, 10)->hide();
    AddLabel(1058, QStringLiteral("IP:"), 14, 118, 58, 10);
    AddLabel(1018, QString(), 74, 118, 150, 10)->hide();

    logic_ = network != nullptr
                 ? std::make_unique<CAPConfigDlg>(*this, dialogs_, *network,
                                                  [](int index) { return LanguageText(index); })
                 : std::make_unique<CAPConfigDlg>(*this, dialogs_);
    using namespace APPageId;
    CAPConfigDlg* page = logic_.get();
    connect(As<QCheckBox>(kShowPassword), &QCheckBox::clicked, this,
            [page] { page->OnShowPassword(); });
    connect(As<QPushButton>(kStart), &QPushButton::clicked, this, [page] { page->OnStart(); });
    connect(As<QPushButton>(kSave), &QPushButton::clicked, this, [page] { page->OnSave(); });
    connect(As<QPushButton>(kLoad), &QPushButton::clicked, this, [page] { page->OnLoad(); });
}

QtAPPage::~QtAPPage() = default;

void QtAPPage::InitForm() {
    logic_->InitForm();
}

void QtAPPage::RefreshCaptions() {
    logic_->RefreshCaptions();
}
