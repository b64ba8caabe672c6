// SPDX-License-Identifier: GPL-3.0-or-later
// Reorganising the outline: Alt+arrow keys move the selected node among its siblings, in
// under the sibling above or out beside its parent; a drag drops a node (Ctrl: a copy)
// before, after or into another. A node's element name follows its level: chapter at the
// top, paragraph below (other names stay). Each is one outline undo step, and the editor
// keeps the node it shows, with the caret where it was.
#include "VellTreeView.h"

#include "ProjectFormat.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

using namespace penwick;

namespace {

// The rows' nodes next to node among its parent's: previous (step -1) or next.
DomNode SiblingRow(const OutlineModel& model, DomNode node, int step)
{
    const QModelIndex at = model.indexOf(node);
    return OutlineModel::NodeOf(at.siblingAtRow(at.row() + step));
}

// The name node takes at its new level below parent, or empty when it keeps its own.
std::string NameAtLevel(DomNode node, DomNode parent, DomNode documentElement)
{
    const std::string name = node.nodeName();
    const bool top = parent == documentElement;
    if (top && name == format::kParagraph)
        return std::string(format::kChapter);
    if (!top && name == format::kChapter)
        return std::string(format::kParagraph);
    return {};
}

}  // namespace

bool VellTreeView::PlaceNode(DomNode node, DomNode parent, DomNode before, bool copy)
{
    for (DomNode p = parent; p; p = p.parentNode())
        if (p == node && !copy)
            return false;   // a node never goes into itself
    // Typed text goes into its node first: the move acts on what the writer sees.
    SaveTextToDOM();
    bool refused = false;
    m_history->beginMacro(copy ? QStringLiteral("コピー") : QStringLiteral("移動"));
    const bool done = Guarded("Failed in VellTreeView::PlaceNode", [&] {
        const DomNode root = Require(m_session.document().documentElement());
        const std::string name = NameAtLevel(node, parent, root);
        const NodePath to = copy ? ChildPath(parent, before) : MovedPath(node, parent, before);
        const HRESULT hr = copy ? m_history->apply(OutlineCommand::insert(to, Require(DetachedSubtree::copyOf(node))))
                                : m_history->apply(OutlineCommand::move(PathOf(node), to));
        if (hr == E_XML_TOO_DEEP) {
            refused = true;
            ReportText(TooDeepText());
            return;
        }
        Check(hr);
        if (!name.empty())
            Check(m_history->apply(OutlineCommand::rename(to, name)));
    });
    m_history->endMacro();
    return done && !refused;
}

bool VellTreeView::MoveSelected(int key)
{
    const DomNode node = NodeOf(m_hSelectedItem);
    const DomNode root = m_session.document().documentElement();
    if (!node || !root)
        return false;
    const DomNode parent = node.parentNode();
    switch (key) {
    case Qt::Key_Up:   // before the row above
        if (const DomNode above = SiblingRow(*m_model, node, -1))
            return PlaceNode(node, parent, above, false);
        return false;
    case Qt::Key_Down: // after the row below
        if (const DomNode below = SiblingRow(*m_model, node, 1))
            return PlaceNode(node, parent, below.nextSibling(), false);
        return false;
    case Qt::Key_Right: // the last child of the row above
        if (const DomNode above = SiblingRow(*m_model, node, -1))
            return PlaceNode(node, above, {}, false);
        return false;
    case Qt::Key_Left: // next to its parent
        if (parent && parent != root && parent.parentNode())
            return PlaceNode(node, parent.parentNode(), parent.nextSibling(), false);
        return false;
    default:
        return false;
    }
}

void VellTreeView::keyPressEvent(QKeyEvent* event)
{
    const bool alt = event->modifiers() == Qt::AltModifier || event->modifiers() == (Qt::AltModifier | Qt::KeypadModifier);
    const int key = event->key();
    if (alt && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right)) {
        MoveSelected(key);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

// ---- drag and drop ----------------------------------------------------------------------

// Where a drop at pos puts the dragged node: parent and the node it goes before; false
// when it cannot go there (nowhere, or into its own subtree).
bool VellTreeView::DropPlace(const QPoint& pos, DomNode dragged, DomNode* parent, DomNode* before) const
{
    const QModelIndex target = indexAt(pos);
    const DomNode onto = NodeOf(target);
    if (!dragged || !onto)
        return false;
    for (DomNode p = onto; p; p = p.parentNode())
        if (p == dragged)
            return false;
    switch (dropIndicatorPosition()) {
    case AboveItem:
        *parent = onto.parentNode();
        *before = onto;
        return true;
    case OnItem:
        *parent = onto;
        *before = {};
        return true;
    case BelowItem:
        *parent = onto.parentNode();
        *before = onto.nextSibling();
        return true;
    default:
        return false;
    }
}

void VellTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);   // places the indicator
    DomNode parent, before;
    if (event->source() != this || !DropPlace(event->position().toPoint(), NodeOf(m_hSelectedItem), &parent, &before))
        event->ignore();
}

void VellTreeView::dropEvent(QDropEvent* event)
{
    DomNode parent, before;
    const DomNode dragged = NodeOf(m_hSelectedItem);
    if (event->source() == this && DropPlace(event->position().toPoint(), dragged, &parent, &before)) {
        PlaceNode(dragged, parent, before, event->modifiers() & Qt::ControlModifier || event->dropAction() == Qt::CopyAction);
        // Done here: the view must not remove the dragged rows itself.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}
