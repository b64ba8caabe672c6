// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVellApp.h"

#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CVellDoc.h"
#include "CommandIds.h"
#include "ProjectPreload.h"
#include "QtPrompts.h"
#include "VellTreeView.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <string_view>

namespace {
CVellApp* g_app = nullptr;
}

CVellApp::CVellApp(std::unique_ptr<Prompts> prompts)
    : m_pPrompts(prompts ? std::move(prompts) : std::make_unique<QtPrompts>())
{
    g_app = this;
}

CVellApp::~CVellApp()
{
    m_pMainWnd.reset();  // its views point into the document
    m_pDocument.reset();
    if (g_app == this)
        g_app = nullptr;
}

CVellApp* CVellApp::instance() { return g_app; }

bool CVellApp::LoadTranslations()
{
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    auto* t = new QTranslator(qApp);
    if (!t->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

QString CVellApp::MissingFontHint(const QStringList& japaneseFamilies)
{
    if (!japaneseFamilies.isEmpty())
        return {};
    return QStringLiteral("日本語を表示できるフォントが見つかりません。文字が正しく表示されません。\n"
                          "Noto CJK フォントをインストールしてください（Debian: sudo apt install fonts-noto-cjk）。");
}

bool CVellApp::InitInstance(const QStringList& arguments)
{
    LoadTranslations();
    QCoreApplication::setApplicationName(QStringLiteral("Penwick"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.penwick.penwick"));   // its launcher entry
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/penwick.png")));

    m_pDocument = std::make_unique<CVellDoc>(this);
    m_pMainWnd = std::make_unique<CMainFrame>(this, m_pDocument.get());

    // A file named on the command line is opened as the text document; one that cannot
    // be read ends the program after the message. "--project FILE" opens a project as
    // the open command would, without its dialog.
    QString file, project;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--project") && i + 1 < arguments.size())
            project = arguments[++i];
        else if (!arguments[i].startsWith(QLatin1String("--")) && file.isEmpty())
            file = arguments[i];
    }
    if (file.isEmpty())
        m_pDocument->OnNewDocument();
    else if (!m_pDocument->OnOpenDocument(file))
        return false;

    m_pMainWnd->show();
    if (const QString hint = MissingFontHint(QFontDatabase::families(QFontDatabase::Japanese)); !hint.isEmpty())
        prompts().message(hint, PromptIcon::Information);
    if (!project.isEmpty())
        m_pMainWnd->GetTreeView()->OpenProjectFile(project);
    else if (file.isEmpty())
        m_pMainWnd->GetTreeView()->RestoreUntitledWork();
    return true;
}

void CVellApp::PreloadProject(int argc, char** argv)
{
    // The last one counts, as in InitInstance.
    const char* project = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--project")
            project = argv[++i];
    if (project)
        penwick::ProjectPreload::start(project);
}

bool CVellApp::KeepEditorText()
{
    // A node's text typed but not yet stored goes into its node, as a selection change
    // would store it; a text document with unsaved edits is offered a save. (Each does
    // nothing when the editor holds the other kind of text.)
    StoreNodeEdit();
    return m_pMainWnd->MaybeSaveTextDocument();
}

void CVellApp::OnFileNew()
{
    if (!KeepEditorText())
        return;
    m_pDocument->OnNewDocument();
    // What is typed now is another document: the node left is protected by the question.
    m_pMainWnd->SetTextFileOpen(true);
}

void CVellApp::OnFileOpen()
{
    // Nothing changes until a file was chosen and read.
    const QString path = m_pPrompts->openFilePath(CVellDoc::FileFilter(), QString());
    if (path.isEmpty() || !KeepEditorText())
        return;
    if (m_pDocument->OnOpenDocument(path))
        m_pMainWnd->SetTextFileOpen(true);
}

void CVellApp::StoreNodeEdit()
{
    m_pMainWnd->GetTreeView()->SaveTextToDOM();
}

void CVellApp::OnAppAbout()
{
    CAboutDlg dlg(m_pMainWnd.get());
    m_pPrompts->execDialog(dlg);
}

void CVellApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
}

bool CVellApp::HandlesCommand(int id) const
{
    return id == ID_APP_ABOUT || id == ID_FILE_OPEN || id == ID_FILE_NEW || id == ID_APP_EXIT;
}

void CVellApp::RunCommand(int id)
{
    switch (id) {
    case ID_APP_ABOUT: OnAppAbout(); break;
    case ID_FILE_OPEN: OnFileOpen(); break;
    case ID_FILE_NEW: OnFileNew(); break;
    case ID_APP_EXIT: OnAppExit(); break;
    default: break;
    }
}
