// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Stop: return QMessageBox::Critical;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

}  // namespace

PromptAnswer QtPrompts::messageBox(const QString& text, const QString& caption, PromptIcon icon,
                                   PromptButtons buttons)
{
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Ok: return PromptAnswer::Ok;
    default: break;
    }
    // Closing the box with Esc or the title bar answers as Cancel would; a Yes/No box has
    // no Cancel, and then closing means No.
    return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
}

QString QtPrompts::openFilePath(const QString& filter, const QString& defaultExt)
{
    QFileDialog dlg(QApplication::activeWindow());
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(QtFileFilter(filter));
    dlg.setDefaultSuffix(defaultExt);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dlg.selectedFiles().first()).absoluteFilePath();
}

QString QtPrompts::saveFilePath(const QString& filter, const QString& defaultExt)
{
    QFileDialog dlg(QApplication::activeWindow());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilter(QtFileFilter(filter));
    dlg.setDefaultSuffix(defaultExt);  // Qt's own dialog appends it before its overwrite question
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    const QString chosen = QFileInfo(dlg.selectedFiles().first()).absoluteFilePath();
    const QString path = WithDefaultExtension(chosen, defaultExt);
    // A platform dialog may hand back the bare name; then the file we are about to write
    // was never confirmed.
    if (path != chosen && QFileInfo::exists(path)) {
        const QString text = QStringLiteral("%1 は既に存在します。\n上書きしますか？")
                                 .arg(QFileInfo(path).fileName());
        if (message(text, PromptIcon::Exclamation, PromptButtons::YesNo) != PromptAnswer::Yes)
            return {};
    }
    return path;
}

int QtPrompts::execDialog(QDialog& dialog)
{
    return dialog.exec();
}
