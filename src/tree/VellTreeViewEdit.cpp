// SPDX-License-Identifier: GPL-3.0-or-later
// Shaping the outline: add a child or a sibling, delete, and change a node's properties.
// Each command is an outline command on the session; the items follow the document (see
// outlineChanged), so a refused or failed insertion leaves both as they were.
#include "VellTreeView.h"

#include "CNodePropertyDlg.h"
#include "Prompts.h"
#include "ProjectFormat.h"

using namespace penwick;

namespace {

struct NodeProperties {
    QString title;
    bool exported = true;
    QString type = QString::fromUtf8(format::kBasicType.data(), int(format::kBasicType.size()));
};

// The dialog step: false when the user cancelled or left the title empty.
bool AskNodeProperties(Prompts& prompts, QWidget* parent, NodeProperties& props)
{
    CNodePropertyDlg dlg(parent);
    dlg.m_strTitle = props.title;
    dlg.m_bIncludeOnExport = props.exported ? 1 : 0;
    dlg.m_strType = props.type;
    dlg.UpdateData(false);
    if (prompts.execDialog(dlg) != QDialog::Accepted)
        return false;
    dlg.UpdateData(true);
    if (dlg.m_strTitle.isEmpty())
        return false;
    props = {dlg.m_strTitle, dlg.m_bIncludeOnExport == 1, dlg.m_strType};
    return true;
}

// The node's values as the dialog shows them; a hand-made node missing an attribute
// shows the default for it.
NodeProperties CurrentProperties(DomNode node)
{
    NodeProperties props;
    if (const DomAttribute title = node.attribute(0))
        props.title = QString::fromStdString(title.value());
    if (const DomAttribute flag = node.attribute(1))
        props.exported = format::IsExported(flag.value());
    if (const DomAttribute type = node.attribute(2))
        props.type = QString::fromStdString(type.value());
    return props;
}

// Writes a new outline element into parent before `before` (null: at the end); false
// when the document refuses the depth.
bool InsertNewElement(OutlineHistory& history, std::string_view name, const NodeProperties& props,
                      DomNode parent, DomNode before)
{
    DomDocument scratch;
    DomNode element;
    Check(format::CreateOutlineElement(scratch, name, props.title.toStdString(), props.exported,
                                       props.type.toStdString(), &element));
    const HRESULT hr = history.apply(OutlineCommand::insert(ChildPath(parent, before),
                                                            Require(DetachedSubtree::copyOf(element))));
    if (hr == E_XML_TOO_DEEP)
        return false;
    Check(hr);
    return true;
}

}  // namespace

QString VellTreeView::TooDeepText()
{
    return QStringLiteral("要素の入れ子が深くなりすぎるため、ここには置けません（上限は %1 段です）。").arg(kMaxDepth);
}

bool VellTreeView::OnUpdateTreeSelection() const { return m_hSelectedItem.isValid(); }

void VellTreeView::MakeNewChild()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::MakeNewChild", [&] {
        const bool chapter = !m_hSelectedItem.isValid();
        const DomNode parent =
            chapter ? Require(m_session.document().documentElement()) : Require(NodeOf(m_hSelectedItem));
        if (!InsertNewElement(*m_history, chapter ? format::kChapter : format::kParagraph, props, parent, {})) {
            refused = true;
            ReportText(TooDeepText());
        }
    });
    if (!refused)
        m_session.setModified(true);
}

void VellTreeView::OnTreeInsertAfter()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::OnTreeInsertAfter", [&] {
        const DomNode sel = Require(NodeOf(m_hSelectedItem));
        const DomNode parent = Require(sel.parentNode());
        // Even a sibling can be too deep: beside a hand-made node at the limit its text is not.
        if (!InsertNewElement(*m_history, format::SiblingElementName(sel), props, parent, sel.nextSibling())) {
            refused = true;
            ReportText(TooDeepText());
        }
    });
    if (!refused)
        m_session.setModified(true);
}

void VellTreeView::OnTreeInsertbefore()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::OnTreeInsertbefore", [&] {
        const DomNode sel = Require(NodeOf(m_hSelectedItem));
        const DomNode parent = Require(sel.parentNode());
        if (!InsertNewElement(*m_history, format::SiblingElementName(sel), props, parent, sel)) {
            refused = true;
            ReportText(TooDeepText());
        }
    });
    if (!refused)
        m_session.setModified(true);
}

void VellTreeView::OnTreeDelete()
{
    // Persistent: it still names the item, or nothing, after the removal below.
    const QPersistentModelIndex gone = m_hSelectedItem;
    if (!gone.isValid()) {
        // Reached only past the update rule; the editor may hold a separate text then.
        ReportResult(E_POINTER);
        return;
    }
    const DomNode node = NodeOf(gone);
    // The item the selection moves to: the next sibling, else the previous one, else the
    // parent; none when the tree becomes empty.
    const QModelIndex parentItem = gone.parent();
    const int at = gone.row();
    const int neighbour = at + 1 < m_model->rowCount(parentItem) ? at + 1 : at - 1;
    const QPersistentModelIndex next = neighbour >= 0 ? m_model->index(neighbour, 0, parentItem) : parentItem;

    m_bDeleting = true;
    Guarded("Failed in VellTreeView::OnTreeDelete", [&] {
        Require(node);
        Check(m_history->apply(OutlineCommand::remove(PathOf(node))));
    });
    // A node the document kept (the removal failed) still loses its item, as it always has.
    if (gone.isValid())
        DeleteTreeItem(gone);
    if (next.isValid())
        setCurrentIndex(next);
    else
        clearSelection();
    m_bDeleting = false;

    m_hSelectedItem = GetSelectedItem();
    if (m_pFrame->IsTextFileOpen()) {
        // The editor holds the text document, not the deleted node's text: it stays.
    } else if (m_hSelectedItem.isValid()) {
        // The editor still holds the deleted node's text: it must not reach the node that
        // becomes current, so that node's own text is loaded now. Emptied first, so that a
        // node whose text cannot be loaded does not show the deleted text either.
        if (TextPane* edit = GetEditView())
            edit->setPlainText(QString());
        SetEditViewText();
    } else {
        ShowNoNode();
    }
    m_pFrame->SetWindowText(m_hSelectedItem.isValid()
                                ? NodeCaption(m_strProjectTitle, OutlineModel::TitleOf(m_hSelectedItem))
                                : ProjectCaption(m_strProjectTitle));
    m_session.setModified(true);
}

void VellTreeView::OnTreeProperty()
{
    const DomNode node = NodeOf(m_hSelectedItem);
    // The dialog opens with the node's own values, so changing one of them keeps the rest.
    NodeProperties props = node ? CurrentProperties(node) : NodeProperties{};
    if (!AskNodeProperties(prompts(), this, props))
        return;
    Guarded("Failed in VellTreeView::OnTreeProperty", [&] {
        Require(node);
        const HRESULT hr = m_history->apply(OutlineCommand::setAttributes(
            PathOf(node), {props.title.toStdString(), std::string(props.exported ? format::kYes : format::kNo),
                           props.type.toStdString()}));
        // A hand-made node with fewer attributes keeps what it has rewritten, and says so.
        Check(hr == S_FALSE ? E_POINTER : hr);
    });
    m_session.setModified(true);
}
