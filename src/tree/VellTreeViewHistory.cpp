// SPDX-License-Identifier: GPL-3.0-or-later
// Outline undo and redo. Each step restores the document exactly (a removed subtree comes
// back with every node text it had), and the items follow through the outline model. What
// is around the outline follows here: the editor, the caption and the project title.
#include "VellTreeView.h"

#include "ProjectFormat.h"

using namespace penwick;

void VellTreeView::OnOutlineUndo() { StepHistory(false); }
void VellTreeView::OnOutlineRedo() { StepHistory(true); }

void VellTreeView::StepHistory(bool redo)
{
    if (!(redo ? m_history->canRedo() : m_history->canUndo()))
        return;
    // What the editor shows goes into its node first, so the step acts on what the writer sees.
    SaveTextToDOM();
    redo ? m_history->redo() : m_history->undo();
    AfterHistoryStep();
}

void VellTreeView::AfterHistoryStep()
{
    if (FAILED(m_history->lastResult()))
        ReportResult(m_history->lastResult());
    Guarded("Failed in VellTreeView::AfterHistoryStep", [&] {
        const DomNode root = Require(m_session.document().documentElement());
        if (const DomAttribute title = root.firstAttribute())
            m_strProjectTitle = QString::fromStdString(title.value());
    });
    if (m_hSelectedItem.isValid()) {
        // The node's text is the one stored (an undone retitle leaves it as it was).
        if (!m_pFrame->IsTextFileOpen())
            SetEditViewText();
        m_pFrame->SetWindowText(NodeCaption(m_strProjectTitle, OutlineModel::TitleOf(m_hSelectedItem)));
        return;
    }
    // The step took away the node the editor showed: its text is in the document (and comes
    // back with a redo).
    ShowNoNode();
    m_pFrame->SetWindowText(ProjectCaption(m_strProjectTitle));
}

void VellTreeView::ShowNoNode()
{
    // With no node, what is typed is the text document's: a fresh untitled one.
    if (!m_pFrame->IsTextFileOpen())
        m_pFrame->ResetTextDocument();
}
