#include "qt/QtNetPage.h"

#include <QCheckBox>
#include <QPushButton>

#include "pages/CNetConfigDlg.h"
#include "pages/ControlIds.h"

QtNetPage::QtNetPage(IDialogs& dialogs, QWidget* parent) : QtPage(dialogs, parent) {
    AddGroup(0, QString(), 5, 3, 306, 118);
    // left column: Wi-Fi
    AddLabel(1059, QStringLiteral("SSID"), 12, 14, 64, 10);
    AddEdit(1040, 78, 12, 74, 12);
    AddLabel(1060, QStringLiteral("认证方式"), 12, 29, 64, 10);
    AddCombo(1026, true, 78, 27, 74, 12);
    AddLabel(1061, QStringLiteral("密码"), 12, 44, 64, 10);
    AddEdit(1041, 78, 42, 74, 12, true);
    AddCheck(1052, QStringLiteral("Show PassWord"), 78, 56, 74, 10);
    AddLabel(1064, QStringLiteral("漫游切换"), 12, 70, 64, 10);
    AddEdit(1029, 78, 68, 32, 12);
    AddLabel(0, QStringLiteral("(-90~-65)"), 113, 70, 40, 10);
    AddLabel(1063, QStringLiteral("漫游开关"), 12, 85, 64, 10);
    AddCombo(1027, true, 78, 83, 74, 12);
    AddLabel(1062, QStringLiteral("WIFI发射功率"), 12, 100, 64, 10);
    AddCombo(1028, true, 78, 98, 74, 12);
    // right column: addressing and identity
    AddLabel(1065, QStringLiteral("设备IP"), 158, 14, 60, 10);
    AddAddress(1034, 220, 12, 86, 12);
    AddLabel(1066, QStringLiteral("IP获取方式"), 158, 29, 60, 10);
    AddCombo(1032, true, 220, 27, 86, 12);
    AddLabel(1067, QStringLiteral("服务器IP"), 158, 44, 60, 10);
    AddAddress(1033, 220, 42, 86, 12);
    AddLabel(1068, QStringLiteral("信道"), 158, 59, 60, 10);
    AddCombo(1031, true, 220, 57, 86, 12);
    AddLabel(1069, QStringLiteral("重连时间"), 158, 74, 60, 10);
    AddCombo(1030, true, 220, 72, 86, 12);
    AddLabel(1070, QStringLiteral("设备名称"), 158, 89, 60, 10);
    AddEdit(1025, 220, 87, 86, 12);
    // buttons
    AddButton(1004, QStringLiteral("修改"), 5, 126, 60, 14);
    AddButton(1020, QStringLiteral("保存设置"), 71, 126, 60, 14);
    AddButton(1021, QStringLiteral("加载设置"), 137, 126, 60, 14);
    AddButton(1022, QStringLiteral("仅修改IP和名称"), 203, 126, 108, 14);

    logic_ = std::make_unique<CNetConfigDlg>(*this, dialogs_);
    using namespace NetPageId;
    CNetConfigDlg* page = logic_.get();
    connect(As<QCheckBox>(kShowPassword), &QCheckBox::clicked, this,
            [page] { page->OnShowPassword(); });
    connect(As<QPushButton>(kModify), &QPushButton::clicked, this, [page] { page->OnModify(); });
    connect(As<QPushButton>(kSave), &QPushButton::clicked, this, [page] { page->OnSave(); });
    connect(As<QPushButton>(kLoad), &QPushButton::clicked, this, [page] { page->OnLoad(); });
    connect(As<QPushButton>(kAddressOnly), &QPushButton::clicked, this,
            [page] { page->OnToggleAddressOnly(); });
}

QtNetPage::~QtNetPage() = default;

void QtNetPage::InitForm() {
    logic_->InitForm();
}

void QtNetPage::RefreshCaptions() {
    logic_->RefreshCaptions();
}

void QtNetPage::RefreshFromMonitor() {
    logic_->OnListItemChanged();
}
