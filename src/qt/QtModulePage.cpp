#include "qt/QtModulePage.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>

#include "pages/CModuleConfigDlg.h"
#include "pages/ControlIds.h"

QtModulePage::QtModulePage(IDialogs& dialogs, QWidget* parent) : QtPage(dialogs, parent) {
    AddGroup(1071, QStringLiteral("设备筛选"), 5, 3, 150, 96);
    QButtonGroup* filter = NewRadioGroup();
    AddRadio(1039, QStringLiteral("ECG设备"), filter, 16, 20, 130, 12);
    AddRadio(1040, QStringLiteral("ECG+SpO2设备"), filter, 16, 40, 130, 12);
    AddRadio(1047, QStringLiteral("所有设备"), filter, 16, 60, 130, 12);
    AddGroup(1072, QStringLiteral("模块选择"), 161, 3, 150, 96);
    QButtonGroup* modules = NewRadioGroup();
    AddRadio(1034, QStringLiteral("ECG"), modules, 172, 16, 130, 12);
    AddRadio(1035, QStringLiteral("SpO2"), modules, 172, 31, 130, 12);
    AddRadio(1036, QStringLiteral("ECG+SpO2"), modules, 172, 46, 130, 12);
    AddRadio(1037, QStringLiteral("ECG+RESP"), modules, 172, 61, 130, 12);
    AddRadio(1038, QStringLiteral("ECG+SpO2+RESP"), modules, 172, 76, 130, 12);
    AddButton(1001, QStringLiteral("修改"), 161, 106, 60, 14);

    logic_ = std::make_unique<CModuleConfigDlg>(*this, dialogs_);
    using namespace ModulePageId;
    CModuleConfigDlg* page = logic_.get();
    connect(As<QRadioButton>(kFilterEcg), &QRadioButton::clicked, this,
            [page] { page->OnFilterEcg(); });
    connect(As<QRadioButton>(kFilterEcgSpo2), &QRadioButton::clicked, this,
            [page] { page->OnFilterEcgSpo2(); });
    connect(As<QRadioButton>(kFilterAll), &QRadioButton::clicked, this,
            [page] { page->OnFilterAll(); });
    for (int id : {kModuleEcg, kModuleSpo2, kModuleEcgSpo2, kModuleEcgResp, kModuleEcgSpo2Resp}) {
        connect(As<QRadioButton>(id), &QRadioButton::clicked, this,
                [page, id] { page->OnModuleButton(id); });
    }
    connect(As<QPushButton>(kModify), &QPushButton::clicked, this, [page] { page->OnModify(); });
}

QtModulePage::~QtModulePage() = default;

// the page's only filling step is its caption refresh
void QtModulePage::InitForm() {
    logic_->RefreshCaptions();
}

void QtModulePage::RefreshCaptions() {
    logic_->RefreshCaptions();
}
