// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's plain-text document: what File > New, Open, Save and Save As work on.
// Its content lives in the editor control; the document keeps the file's name, title and
// encoding. It never asks whether to save itself (SaveModified): the frame asks, when
// closing and before the editor's text document is replaced (MaybeSaveTextDocument).
#pragma once

#include "CommandTarget.h"
#include "TextFileCodec.h"

#include <QObject>
#include <QString>

class CVellApp;
class CVellEditView;

class CVellDoc : public QObject, public CommandTarget {
    Q_OBJECT
public:
    enum class SaveResult { Saved, Cancelled, Failed };

    explicit CVellDoc(CVellApp* app);

    void SetEditView(CVellEditView* view) { m_pEditView = view; }

    // An empty, untitled document: the editor is emptied without asking.
    bool OnNewDocument();
    // Reads the file into the editor; false after telling the user why (the editor and
    // the document then stay as they were).
    bool OnOpenDocument(const QString& path);
    // Writes the editor's text to path in the encoding it was read in (new documents:
    // UTF-8), replacing the file atomically; false after telling the user why.
    bool OnSaveDocument(const QString& path);

    // File > Save: asks for a name when the document has none.
    SaveResult DoFileSave();
    // File > Save As (askName true) or the save part of File > Save.
    SaveResult DoSave(bool askName);

    bool SaveModified() { return true; }

    QString GetTitle() const { return m_strTitle; }
    QString GetPathName() const { return m_strPathName; }
    penwick::TextEncoding GetEncoding() const { return m_encoding; }

    // The title an unnamed document shows.
    static QString UntitledTitle() { return QStringLiteral("無題"); }
    // The filter of the text documents' file dialogs: any file.
    static QString FileFilter() { return QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*.*||"); }

    // CommandTarget
    bool HandlesCommand(int id) const override;
    void RunCommand(int id) override;

signals:
    void titleChanged();

private:
    void SetPathName(const QString& path);

    CVellApp* m_pApp;
    CVellEditView* m_pEditView = nullptr;
    QString m_strPathName;
    QString m_strTitle = UntitledTitle();
    penwick::TextEncoding m_encoding = penwick::TextEncoding::Utf8;
};
