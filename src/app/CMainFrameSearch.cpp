// SPDX-License-Identifier: GPL-3.0-or-later
// The project search panel beside the outline: Ctrl+Shift+F shows it with its field
// focused; it searches the node being edited in its edited text and again whenever the
// outline changes; a chosen result selects its node and the occurrence in the editor. The
// 校正 panel shares the place (ProofreadKeeper) and the way a finding is shown.
#include "CMainFrame.h"

#include "CVellEditView.h"
#include "ProofreadKeeper.h"
#include "SearchPanel.h"
#include "VerticalTextEdit.h"
#include "VellTreeView.h"

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>

using namespace penwick;

void CMainFrame::CreateSearchPanel()
{
    const TextOverride edited = [this](DomNode node) -> std::optional<std::string> {
        if (IsTextFileOpen() || !m_pEditView || node != VellTreeView::NodeOf(m_pTreeView->m_hSelectedItem))
            return std::nullopt;
        return m_pEditView->toPlainText().toStdString();
    };
    m_pSearch = new SearchPanel(*m_pSession, edited);
    m_pSearchDock = new QDockWidget(QStringLiteral("検索"), this);
    m_pSearchDock->setObjectName(QStringLiteral("projectSearch"));
    m_pSearchDock->setWidget(m_pSearch);
    m_pSearchDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    addDockWidget(Qt::LeftDockWidgetArea, m_pSearchDock);
    m_pSearchDock->hide();
    connect(m_pSearch, &SearchPanel::resultChosen, this, &CMainFrame::ShowSearchResult);
    const auto refresh = [this] {
        if (m_pSearchDock->isVisible() && !m_pSearch->field()->text().isEmpty())
            m_pSearch->refresh();
    };
    connect(m_pTreeView->outline(), &OutlineModel::commandApplied, m_pSearch, refresh);
    connect(m_pTreeView->outline(), &QAbstractItemModel::modelReset, m_pSearch, refresh);

    auto* show = new QAction(this);
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    show->setShortcutContext(Qt::WindowShortcut);
    connect(show, &QAction::triggered, this, &CMainFrame::ShowSearchPanel);
    addAction(show);
}

void CMainFrame::CreateProofreading()
{
    m_pProofread = new ProofreadKeeper({this, m_pSession.get(), m_pTreeView->outline(), m_pEditView,
                                        qobject_cast<VerticalTextEdit*>(m_pEditView->control()), &prompts(),
                                        [this] { return EditedNode(); },
                                        [this](DomNode node, int start, int length) { ShowSearchResult(node, start, length); }});
    tabifyDockWidget(m_pSearchDock, m_pProofread->dock());
}

void CMainFrame::ShowSearchPanel()
{
    m_pSearchDock->show();
    m_pSearchDock->raise();
    m_pSearch->field()->setFocus(Qt::ShortcutFocusReason);
    m_pSearch->field()->selectAll();
    if (!m_pSearch->field()->text().isEmpty())
        m_pSearch->refresh();
}

void CMainFrame::ShowSearchResult(DomNode node, int start, int length)
{
    const QModelIndex item = m_pTreeView->ItemOf(node);
    if (!item.isValid())
        return;
    if (VellTreeView::NodeOf(m_pTreeView->m_hSelectedItem) != node) {
        m_pTreeView->setCurrentIndex(item);
        // The writer may have kept the text document in the editor (Cancel at the question).
        if (VellTreeView::NodeOf(m_pTreeView->m_hSelectedItem) != node)
            return;
    }
    m_pEditView->setSelection(start, start + length);
    m_pEditView->control()->setFocus(Qt::OtherFocusReason);
}
