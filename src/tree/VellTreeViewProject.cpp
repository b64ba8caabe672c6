// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands: new, open, save, save as and the title. A command collects its
// answers first; nothing is discarded, replaced or closed unless the step before it
// (saving, loading, building) really happened.
#include "VellTreeView.h"

#include "CProjectTitleDlg.h"
#include "Prompts.h"
#include "ProjectFormat.h"
#include "ProjectPreload.h"

#include <QFile>
#include <QFileInfo>

using namespace penwick;

namespace {

const char kRestartText[] =
    "ツリービューを正常に初期化できませんでした。このアプリケーションの再起動を推奨します。";

}  // namespace

bool VellTreeView::PromptSaveChanges()
{
    TextPane* edit = GetEditView();
    if (m_session.modified() || (edit && edit->isModified())) {
        const PromptAnswer save =
            prompts().message(QStringLiteral("現在開いているプロジェクトは変更されています。保存しますか？"),
                              PromptIcon::Exclamation, PromptButtons::YesNoCancel);
        // A save that did not happen (dialog cancelled, write failed) keeps the work.
        if (save == PromptAnswer::Cancel || (save == PromptAnswer::Yes && !SaveXMLToFile()))
            return false;
    }
    // The editor's text document goes with the project: its own edits are offered a save.
    return m_pFrame->MaybeSaveTextDocument();
}

QString VellTreeView::GetOpenFilePath()
{
    return prompts().openFilePath(ProjectFileFilter(), QStringLiteral("xml"));
}

void VellTreeView::OnProjectOpen()
{
    if (!PromptSaveChanges())
        return;
    const QString path = GetOpenFilePath();
    if (!path.isEmpty())
        OpenProjectFile(path);
}

bool VellTreeView::OpenProjectFile(const QString& path)
{
    // The file goes into a document of its own first: the one shown stays, with its path,
    // until the new one has loaded and can be built.
    // The lock and recovery questions come first: a cancel there leaves everything as it was.
    SafetyHooks* safety = m_pFrame->safetyHooks();
    std::string recovered;
    const SafetyHooks::OpenChoice choice =
        safety ? safety->BeforeOpen(path, &recovered) : SafetyHooks::OpenChoice::FromFile;
    if (choice == SafetyHooks::OpenChoice::Cancel) {
        ProjectPreload::cancel();
        return false;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    // A project named at start may have been read while the window was being built.
    std::unique_ptr<DomDocument> loaded;
    if (choice == SafetyHooks::OpenChoice::FromFile)
        loaded = ProjectPreload::take(file);
    else
        ProjectPreload::cancel();
    Status status;
    if (!loaded) {
        loaded = std::make_unique<DomDocument>();
        status = choice == SafetyHooks::OpenChoice::FromRecovery ? loaded->loadFromBytes(recovered, file)
                                                                 : loaded->load(file);
    }
    if (!status) {
        ReportText(QString::fromStdString(status.message.empty() ? ResultCodeText(status.hr) : status.message));
        return false;
    }
    if (!InstallDocument(std::move(loaded), QFileInfo(path).absoluteFilePath(),
                         choice == SafetyHooks::OpenChoice::FromRecovery))
        return false;
    // Temporaries of saves that a crash interrupted are of no use to anyone.
    RemoveStaleTemporaries(m_session.path());
    return true;
}

bool VellTreeView::RestoreUntitledWork()
{
    SafetyHooks* safety = m_pFrame->safetyHooks();
    std::string recovered;
    if (!safety || safety->BeforeOpen(QString(), &recovered) != SafetyHooks::OpenChoice::FromRecovery)
        return false;
    auto loaded = std::make_unique<DomDocument>();
    if (const Status status = loaded->loadFromBytes(recovered, NewProjectCaption().toStdString()); !status) {
        ReportText(QString::fromStdString(status.message.empty() ? ResultCodeText(status.hr) : status.message));
        return false;
    }
    return InstallDocument(std::move(loaded), QString(), true);
}

bool VellTreeView::InstallDocument(std::unique_ptr<DomDocument> loaded, const QString& path, bool restored)
{
    std::string title;
    if (const HRESULT hr = format::ReadProjectTitle(*loaded, &title); FAILED(hr)) {
        // What building the tree would report, without having torn down the one shown.
        ReportResult(hr);
        prompts().message(QString::fromUtf8(kRestartText));
        return false;
    }
    const QString notice = QString::fromStdString(loaded->loadNotice());

    SafetyHooks* safety = m_pFrame->safetyHooks();
    m_bDeleting = true;
    DeleteTreeItem(QModelIndex());
    m_bDeleting = false;
    // An empty path happens only at start-up: there is no project to close.
    m_session.install(std::move(loaded), QFile::encodeName(path).toStdString());
    if (!path.isEmpty() && safety)
        safety->ProjectOpened(path);
    if (!RefreshTree()) {
        prompts().message(QString::fromUtf8(kRestartText));
        return false;
    }
    // No node is selected: the editor starts an empty text document of its own.
    m_pFrame->ResetTextDocument();
    m_pFrame->SetWindowText(path.isEmpty() ? NewProjectCaption() : ProjectCaption(m_strProjectTitle));
    // A restored snapshot is unsaved work: nothing is written until the user saves. So is
    // a document whose unreadable characters were replaced.
    m_session.setModified(restored || !notice.isEmpty());
    if (!notice.isEmpty())
        prompts().message(notice, PromptIcon::Exclamation);
    return true;
}

void VellTreeView::MakeNewProject()
{
    if (!PromptSaveChanges())
        return;
    auto fresh = std::make_unique<DomDocument>();
    const bool loaded = Guarded("Failed in VellTreeView::MakeNewProject", [&] {
        if (!fresh->load(QFile::encodeName(m_strTemplatePath).toStdString()))
            throw std::runtime_error("template");
    });
    // Without a template there is nothing to start from; the project shown stays.
    if (!loaded)
        return;
    m_bDeleting = true;
    DeleteTreeItem(QModelIndex());
    m_bDeleting = false;
    m_session.install(std::move(fresh), {});
    m_pFrame->ResetTextDocument();
    m_pFrame->SetWindowText(NewProjectCaption());
    if (SafetyHooks* safety = m_pFrame->safetyHooks())
        safety->ProjectClosed();
    if (!RefreshTree()) {
        prompts().message(QString::fromUtf8(kRestartText));
        return;
    }
    m_session.setModified(false);
}

void VellTreeView::OnProjectSave() { SaveXMLToFile(); }

void VellTreeView::OnProjectSaveAs()
{
    const std::string previous = m_session.path();
    if (!GetSaveFilePath())
        return;
    // A save as that failed leaves the project where it was.
    if (!SaveXMLToFile())
        m_session.setPath(previous);
}

void VellTreeView::ChangeProjectTitle()
{
    CProjectTitleDlg dlg(m_strProjectTitle, this);
    if (prompts().execDialog(dlg) != QDialog::Accepted)
        return;
    const QString title = dlg.title();
    if (title.isEmpty())
        return;
    Guarded("Failed in VellTreeView::ChangeProjectTitle", [&] {
        const HRESULT hr = m_history->apply(OutlineCommand::setAttributes({}, {title.toStdString()}));
        Check(hr == S_FALSE ? E_POINTER : hr);
        m_strProjectTitle = title;
        m_pFrame->SetWindowText(ProjectCaption(m_strProjectTitle));
    });
    m_session.setModified(true);
}
