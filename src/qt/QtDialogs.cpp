#include "qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

QString Caption(QWidget* owner) {
    QWidget* window = owner != nullptr ? owner->window() : nullptr;
    return window != nullptr ? window->windowTitle() : QStringLiteral("Zr40Tool");
}

bool RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const std::string& filter,
                   const std::string& defaultExt, const std::string& defaultName,
                   std::string& path) {
    QFileDialog dialog(owner, Caption(owner));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setNameFilters(QtDialogs::ConvertFilter(filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (!defaultName.empty()) {
        dialog.selectFile(QString::fromStdString(defaultName));
    }
    // asking before overwriting is the dialog's default for saving
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    path = dialog.selectedFiles().front().toStdString();
    return !path.empty();
}

}  // namespace

void QtDialogs::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, Caption(owner_), QString::fromStdString(text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, Caption(owner_), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtDialogs::OpenFile(const std::string& filter, const std::string& defaultExt,
                         std::string& path) {
    return RunFileDialog(owner_, QFileDialog::AcceptOpen, filter, defaultExt, {}, path);
}

bool QtDialogs::SaveFile(const std::string& filter, const std::string& defaultExt,
                         const std::string& defaultName, std::string& path) {
    return RunFileDialog(owner_, QFileDialog::AcceptSave, filter, defaultExt, defaultName, path);
}

bool QtDialogs::PickFolder(const std::string& title, std::string& path) {
    const QString folder = QFileDialog::getExistingDirectory(owner_, QString::fromStdString(title),
                                                             QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return false;
    }
    path = folder.toStdString();
    return true;
}

QString QtDialogs::ConvertFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        QString patterns = parts[i + 1];
        if (patterns.isEmpty()) {
            break;  // the "||" end mark, or a name without patterns
        }
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}
