// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVellDoc.h"

#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "FileIO.h"
#include "Prompts.h"

#include <QFile>
#include <QFileInfo>

CVellDoc::CVellDoc(CVellApp* app) : m_pApp(app) {}

void CVellDoc::SetPathName(const QString& path)
{
    m_strPathName = path;
    m_strTitle = path.isEmpty() ? UntitledTitle() : QFileInfo(path).fileName();
    emit titleChanged();
}

bool CVellDoc::OnNewDocument()
{
    if (m_pEditView)
        m_pEditView->setPlainText(QString());   // a fresh history: not modified
    m_encoding = penwick::TextEncoding::Utf8;
    SetPathName(QString());
    return true;
}

bool CVellDoc::OnOpenDocument(const QString& path)
{
    std::string bytes;
    const penwick::FileResult read = penwick::ReadWholeFile(QFile::encodeName(path).toStdString(), bytes);
    QString reason = QString::fromStdString(read.message);
    penwick::TextDecodeResult decoded;
    if (read) {
        decoded = penwick::DecodeTextFile(bytes);
        // Bytes that are neither UTF-8 nor CP932 would come back as U+FFFD and be saved so.
        if (decoded.replaced)
            reason = QStringLiteral("文字コードを判別できません。");
    }
    if (!read || decoded.replaced) {
        m_pApp->prompts().message(
            QStringLiteral("%1 を開けませんでした。\n%2").arg(QFileInfo(path).fileName(), reason),
            PromptIcon::Exclamation);
        return false;
    }
    if (m_pEditView)
        m_pEditView->setPlainText(QString::fromStdString(decoded.utf8));
    m_encoding = decoded.encoding;
    SetPathName(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CVellDoc::OnSaveDocument(const QString& path)
{
    const QString text = m_pEditView ? m_pEditView->toPlainText() : QString();
    const penwick::EncodeResult encoded = penwick::EncodeTextFile(text.toStdString(), m_encoding);
    QString reason = QString::fromStdString(encoded.error);
    if (penwick::SUCCEEDED(encoded.hr)) {
        const penwick::FileResult written =
            penwick::WriteFileAtomically(QFile::encodeName(path).toStdString(), encoded.bytes);
        if (!written)
            reason = QString::fromStdString(written.message);
    }
    if (!reason.isEmpty()) {
        m_pApp->prompts().message(
            QStringLiteral("%1 を保存できませんでした。\n%2").arg(QFileInfo(path).fileName(), reason),
            PromptIcon::Exclamation);
        return false;
    }
    if (m_pEditView)
        m_pEditView->setModified(false);
    SetPathName(QFileInfo(path).absoluteFilePath());
    return true;
}

CVellDoc::SaveResult CVellDoc::DoSave(bool askName)
{
    QString path = m_strPathName;
    if (askName || path.isEmpty()) {
        path = m_pApp->prompts().saveFilePath(FileFilter(), QString());
        if (path.isEmpty())
            return SaveResult::Cancelled;
    }
    return OnSaveDocument(path) ? SaveResult::Saved : SaveResult::Failed;
}

CVellDoc::SaveResult CVellDoc::DoFileSave() { return DoSave(false); }

bool CVellDoc::HandlesCommand(int id) const
{
    return id == ID_FILE_SAVE || id == ID_FILE_SAVE_AS;
}

void CVellDoc::RunCommand(int id)
{
    m_pApp->StoreNodeEdit();
    if (id == ID_FILE_SAVE)
        DoFileSave();
    else if (id == ID_FILE_SAVE_AS)
        DoSave(true);
}
