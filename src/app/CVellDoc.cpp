#include "CVellDoc.h"

#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "Prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
        m_pEditView->setPlainText(QString());
    m_encoding = TextFileEncoding::Utf8;
    SetPathName(QString());
    return true;
}

bool CVellDoc::OnOpenDocument(const QString& path)
{
    QFile file(path);
    QByteArray bytes;
    QString reason;
    if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    else {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            reason = file.errorString();
    }
    DecodedText decoded;
    if (reason.isEmpty()) {
        decoded = DecodeTextFileBytes(bytes);
        if (!decoded.ok)
            reason = QStringLiteral("文字コードを判別できません。");
    }
    if (!reason.isEmpty()) {
        m_pApp->prompts().message(
            QStringLiteral("%1 を開けませんでした。\n%2").arg(QFileInfo(path).fileName(), reason),
            PromptIcon::Exclamation);
        return false;
    }
    if (m_pEditView)
        m_pEditView->setPlainText(decoded.text);
    m_encoding = decoded.encoding;
    SetPathName(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CVellDoc::OnSaveDocument(const QString& path)
{
    const EncodedText encoded =
        EncodeTextFileBytes(m_pEditView ? m_pEditView->toPlainText() : QString(), m_encoding);
    QString reason = encoded.problem;
    if (encoded.ok) {
        QSaveFile file(path);
        // A short write must never end in a replaced file, so every write is checked.
        if (!file.open(QIODevice::WriteOnly))
            reason = file.errorString();
        else if (file.write(encoded.bytes) != encoded.bytes.size()) {
            reason = file.errorString();
            file.cancelWriting();
            file.commit();
        } else if (!file.commit())
            reason = file.errorString();
    }
    if (!reason.isEmpty() || !encoded.ok) {
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
    if (id == ID_FILE_SAVE)
        DoFileSave();
    else if (id == ID_FILE_SAVE_AS)
        DoSave(true);
}
