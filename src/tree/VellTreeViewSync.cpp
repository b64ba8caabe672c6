// SPDX-License-Identifier: GPL-3.0-or-later
// The tree and the editor work on one node together: the selected one. When the
// selection moves, the edited text goes back into the node left and the next node's
// text comes up. Every project save goes through SaveXMLToFile.
#include "VellTreeView.h"

#include "Prompts.h"
#include "ProjectFormat.h"

#include <QFile>
#include <QFileInfo>

using namespace penwick;

// Node texts keep the CR LF line ends project files have always held; the editor hands
// out bare line feeds.
std::string VellTreeView::ToStoredText(const QString& editorText)
{
    QString text = editorText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.toStdString();
}

QString VellTreeView::NodeCaption(const QString& projectTitle, const QString& nodeTitle)
{
    return QStringLiteral("%1 - %2 - [ %3 ]").arg(projectTitle, Prompts::AppCaption(), nodeTitle);
}

QString VellTreeView::ProjectCaption(const QString& projectTitle)
{
    return QStringLiteral("%1 - %2 - [  ]").arg(projectTitle, Prompts::AppCaption());
}

QString VellTreeView::NewProjectCaption()
{
    return QStringLiteral("無題 - %1 - [  ]").arg(Prompts::AppCaption());
}

QModelIndex VellTreeView::GetSelectedItem() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void VellTreeView::OnSelChanged()
{
    if (m_bDeleting)
        return;
    const QModelIndex selected = GetSelectedItem();
    if (!selected.isValid()) {
        // The tree always keeps a node selected once one was: the editor's text belongs
        // to it, and with none selected it would be stored nowhere.
        if (m_hSelectedItem.isValid()) {
            m_bDeleting = true;
            selectionModel()->select(m_hSelectedItem, QItemSelectionModel::Select);
            m_bDeleting = false;
        }
        return;
    }
    if (!LeaveEditorText(selected)) {
        // Cancelled: the selection goes back to what the editor holds.
        m_bDeleting = true;
        if (m_hSelectedItem.isValid())
            selectionModel()->setCurrentIndex(m_hSelectedItem, QItemSelectionModel::ClearAndSelect);
        else
            selectionModel()->clear();
        m_bDeleting = false;
        return;
    }
    m_hSelectedItem = selected;
    SetEditViewText();
    m_pFrame->SetWindowText(NodeCaption(m_strProjectTitle, OutlineModel::TitleOf(m_hSelectedItem)));
}

bool VellTreeView::LeaveEditorText(const QModelIndex& next)
{
    TextPane* edit = GetEditView();
    if (!edit)
        return true;
    if (!m_pFrame->IsTextFileOpen()) {
        SaveTextToDOM();
        return true;
    }
    // The editor holds the text document. An untouched new one is simply left; one that was
    // read from a file or typed into may be meant as the node's text, which the writer decides.
    if (!edit->isModified() && !m_pFrame->TextDocumentHasFile())
        return true;
    // The node being left takes it; with none (nothing was selected yet), the node chosen.
    const QModelIndex target = m_hSelectedItem.isValid() ? QModelIndex(m_hSelectedItem) : next;
    const PromptAnswer take = prompts().message(
        QStringLiteral("現在開かれているのはプロジェクトのテキストではなく、別の文書ファイルです。"
                       "選択中のノードのテキストとして扱いますか？"),
        PromptIcon::Exclamation, PromptButtons::YesNo);
    if (take != PromptAnswer::Yes)
        return m_pFrame->MaybeSaveTextDocument();
    StoreEditorTextInto(target);
    return true;
}

void VellTreeView::StoreEditorTextInto(const QModelIndex& item)
{
    const std::string text = ToStoredText(GetEditView()->toPlainText());
    Guarded("Failed in VellTreeView::SaveTextToDOM", [&] {
        Check(m_session.storeNodeText(Require(NodeOf(item)), text));
    });
    m_session.setModified(true);
}

bool VellTreeView::HoldsNodeEdit()
{
    TextPane* edit = GetEditView();
    return m_hSelectedItem.isValid() && edit && !m_pFrame->IsTextFileOpen() && edit->isModified();
}

void VellTreeView::SetEditViewText()
{
    Guarded("Failed in VellTreeView::SetEditViewText", [&] {
        const DomNode node = Require(NodeOf(m_hSelectedItem));
        Require(node.firstChild());
        TextPane* edit = Require(GetEditView());
        edit->setPlainText(QString::fromStdString(format::NodeOwnText(node)));
        m_pFrame->SetTextFileOpen(false);
    });
    // After a failed load the editor keeps its text, which is not this node's: it must
    // not be stored into it unless the user edits it.
    if (TextPane* edit = GetEditView())
        edit->setModified(false);
}

void VellTreeView::SaveTextToDOM()
{
    // The text document is not the node's: it goes into a node only when the selection
    // moves and the writer says so (LeaveEditorText).
    if (HoldsNodeEdit())
        StoreEditorTextInto(m_hSelectedItem);
}

bool VellTreeView::SaveIfModified()
{
    return (!m_session.modified() && !HoldsNodeEdit()) || SaveXMLToFile();
}

bool VellTreeView::GetSaveFilePath()
{
    const QString path = prompts().saveFilePath(ProjectFileFilter(), QStringLiteral("xml"));
    if (path.isEmpty())
        return false;
    SetProjectPath(path);
    return true;
}

bool VellTreeView::SaveXMLToFile()
{
    if (m_session.path().empty() && !GetSaveFilePath())
        return false;
    SaveTextToDOM();

    // Another program (or another Penwick) may have written the file since we read or
    // wrote it; replacing it then must be the user's decision.
    const QString path = ProjectPath();
    if (m_session.changedOnDisk()) {
        const PromptAnswer overwrite = prompts().message(
            QStringLiteral("%1 は、読み込んだ後に他のプログラムによって変更されています。上書きしますか？")
                .arg(QFileInfo(path).fileName()),
            PromptIcon::Exclamation, PromptButtons::YesNo);
        if (overwrite != PromptAnswer::Yes)
            return false;
    }

    if (SafetyHooks* safety = m_pFrame->safetyHooks())
        safety->BeforeSave(path);
    Status saved;
    const bool ran = Guarded("Failed in VellTreeView::SaveXMLToFile", [&] {
        saved = m_session.save(*m_pFileOps);
    });
    if (!ran)
        return false;
    if (!saved) {
        // The file on disk is as it was and the work is only in memory: both modified
        // states stay set, so closing asks again.
        ReportText(saved.message.empty() ? QString::fromStdString(ResultCodeText(saved.hr))
                                         : QString::fromStdString(saved.message));
        return false;
    }
    RemoveStaleTemporaries(m_session.path());
    // The node's edit is in the file now; a text document's edits are not.
    if (TextPane* edit = GetEditView(); edit && !m_pFrame->IsTextFileOpen())
        edit->setModified(false);
    if (SafetyHooks* safety = m_pFrame->safetyHooks())
        safety->AfterSave(path);
    return true;
}
