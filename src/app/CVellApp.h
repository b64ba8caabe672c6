// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: starts the program (translations, the document, the main
// window, the command line) and handles the application-wide commands: File > New and
// Open of text documents, the About box and Exit.
#pragma once

#include "CommandTarget.h"

#include <QObject>
#include <QStringList>

#include "Prompts.h"

#include <memory>

class CMainFrame;
class CVellDoc;
class Prompts;

class CVellApp : public QObject, public CommandTarget {
    Q_OBJECT
public:
    // prompts: where questions and dialogs go; null means the real dialogs.
    explicit CVellApp(std::unique_ptr<Prompts> prompts = nullptr);
    ~CVellApp() override;

    // Creates the document and the main window, opens a file named on the command line
    // as the text document and shows the window. False when the program should end.
    bool InitInstance(const QStringList& arguments);
    // Starts reading the project "--project FILE" names, before the application object
    // exists: the open at the end of InitInstance takes what was read when it is still
    // the file on disk.
    static void PreloadProject(int argc, char** argv);

    // The one application object of the run (the latest constructed).
    static CVellApp* instance();

    Prompts& prompts() const { return *m_pPrompts; }
    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    CVellDoc* GetDocument() const { return m_pDocument.get(); }

    void OnFileNew();
    void OnFileOpen();
    // When the editor shows a node, its unsaved edit goes into the project (which stays
    // modified): File > Save writes the text elsewhere, and the node must keep it too.
    void StoreNodeEdit();
    // Before the editor's text is replaced: a node's edit is stored, a text document's
    // unsaved edits are offered a save. False when the user cancelled.
    bool KeepEditorText();
    void OnAppAbout();
    void OnAppExit();

    // Qt's own Japanese texts (はい, いいえ, キャンセル ...); false when none are installed.
    static bool LoadTranslations();
    // The hint shown at start-up when no installed font can show Japanese (the editor
    // would otherwise show empty boxes without saying why); empty when one can.
    static QString MissingFontHint(const QStringList& japaneseFamilies);

    // CommandTarget
    bool HandlesCommand(int id) const override;
    void RunCommand(int id) override;

    // The editor holds the text document, not a node's text: at start, after File > New
    // or a File > Open that read a file, and after a project was opened or started,
    // until a node's text is loaded. Its text goes into a node only when the user says so.
    bool m_bTextFileOpen = true;

private:
    std::unique_ptr<Prompts> m_pPrompts;
    std::unique_ptr<CVellDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
