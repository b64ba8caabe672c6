// SPDX-License-Identifier: GPL-3.0-or-later
// The tree's context menu ("POPUP2"). A right press on an item selects it first, as any
// selection change does (the editor's text goes into the node left), so every entry acts
// on the node pointed at. The entry chosen runs after the menu has closed, through the
// frame's command route, so its update rule is asked once more.
#include "VellTreeView.h"

#include "CommandIds.h"
#include "CommandRegistry.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

QMenu* VellTreeView::CreatePopupMenu(QWidget* parent)
{
    static const int items[] = {
        ID_TREE_CUT, ID_TREE_COPY, ID_TREE_PASTE, ID_TREE_PASTEBEFORE, ID_TREE_DELETE, 0,
        ID_TREE_PROPERTY, 0,
        ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER, ID_TREE_INSERTBEFORE, 0,
        ID_PROJECT_TITLE,
    };
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("POPUP2"));
    const bool selected = m_hSelectedItem.isValid();
    for (const int id : items) {
        if (!id) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(CommandRegistry::find(id)->caption));
        a->setData(id);
        // The menu's own enabling: the pastes look at the clipboard alone, adding a child
        // and the project title are always offered, the rest need a selected node. The
        // route's update rule still decides when an entry is chosen.
        if (id == ID_TREE_PASTE || id == ID_TREE_PASTEBEFORE)
            a->setEnabled(bool(m_pClipNode));
        else if (id != ID_TREE_ADDCHILD && id != ID_PROJECT_TITLE)
            a->setEnabled(selected);
    }
    return menu;
}

void VellTreeView::OnRButtonDown(const QPoint& pos)
{
    // The pane that was clicked serves the commands, as focusing it would make it.
    m_pFrame->SetActiveView(this);
    setFocus(Qt::MouseFocusReason);
    QMenu* menu = CreatePopupMenu(this);
    QAction* chosen = menu->exec(viewport()->mapToGlobal(pos));
    const int id = chosen ? chosen->data().toInt() : 0;
    delete menu;
    if (id)
        m_pFrame->RouteCommand(id);
}

void VellTreeView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    if (const QModelIndex pressed = indexAt(pos); pressed.isValid() && pressed != m_hSelectedItem) {
        setCurrentIndex(pressed);
        // The writer may have kept the editor's text where it was (Cancel): no menu then.
        if (m_hSelectedItem != pressed)
            return;
    }
    OnRButtonDown(pos);
}

void VellTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // The mouse's menu came with the press; the keyboard's (menu key, Shift+F10) opens
    // at the selected item.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    QPoint at;
    if (m_hSelectedItem.isValid())
        at = visualRect(m_hSelectedItem).center();
    OnRButtonDown(at);
}
