// Shaping the outline: add a child or a sibling, delete, and change a node's properties.
// Each command changes the document first and the tree after it, so a refused or failed
// insertion leaves both as they were.
#include "VellTreeView.h"

#include "CMainFrame.h"
#include "CNodePropertyDlg.h"
#include "CVellEditView.h"
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

// Writes a new outline element into parent before `before` (null: at the end) and
// answers the inserted node, or null when the document refuses the depth.
DomNode InsertNewElement(DomDocument& doc, std::string_view name, const NodeProperties& props,
                         DomNode parent, DomNode before)
{
    DomNode element;
    Check(format::CreateOutlineElement(doc, name, props.title.toStdString(), props.exported,
                                       props.type.toStdString(), &element));
    DomNode inserted;
    const HRESULT hr = doc.insertBefore(parent, element, before, &inserted);
    if (FAILED(hr)) {
        doc.discard(element);
        if (hr == E_XML_TOO_DEEP)
            return {};
        Check(hr);
    }
    return inserted;
}

}  // namespace

QString VellTreeView::TooDeepText()
{
    return QStringLiteral("要素の入れ子が深くなりすぎるため、ここには置けません（上限は %1 段です）。").arg(kMaxDepth);
}

bool VellTreeView::OnUpdateTreeSelection() const { return m_hSelectedItem != nullptr; }

void VellTreeView::MakeNewChild()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::MakeNewChild", [&] {
        Require(m_pDomDoc.get());
        QTreeWidgetItem* parentItem = m_hSelectedItem;
        const DomNode parent = parentItem ? Require(NodeOf(parentItem)) : Require(m_pDomDoc->documentElement());
        const DomNode added = InsertNewElement(*m_pDomDoc, parentItem ? format::kParagraph : format::kChapter,
                                               props, parent, {});
        if (!added) {
            refused = true;
            ReportText(TooDeepText());
            return;
        }
        AddNodeToTree(added, parentItem, nullptr);
    });
    if (!refused)
        m_pFrame->m_bProjectModified = true;
}

void VellTreeView::OnTreeInsertAfter()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::OnTreeInsertAfter", [&] {
        Require(m_pDomDoc.get());
        const DomNode sel = Require(NodeOf(m_hSelectedItem));
        const DomNode parent = Require(sel.parentNode());
        // Even a sibling can be too deep: beside a hand-made node at the limit its text is not.
        const DomNode added =
            InsertNewElement(*m_pDomDoc, format::SiblingElementName(sel), props, parent, sel.nextSibling());
        if (!added) {
            refused = true;
            ReportText(TooDeepText());
            return;
        }
        AddNodeToTree(added, m_hSelectedItem->parent(), m_hSelectedItem);
    });
    if (!refused)
        m_pFrame->m_bProjectModified = true;
}

void VellTreeView::OnTreeInsertbefore()
{
    NodeProperties props;
    if (!AskNodeProperties(prompts(), this, props))
        return;
    bool refused = false;
    Guarded("Failed in VellTreeView::OnTreeInsertbefore", [&] {
        Require(m_pDomDoc.get());
        const DomNode sel = Require(NodeOf(m_hSelectedItem));
        const DomNode parent = Require(sel.parentNode());
        const DomNode added = InsertNewElement(*m_pDomDoc, format::SiblingElementName(sel), props, parent, sel);
        if (!added) {
            refused = true;
            ReportText(TooDeepText());
            return;
        }
        QTreeWidgetItem* parentItem = m_hSelectedItem->parent();
        const int at = parentItem ? parentItem->indexOfChild(m_hSelectedItem) : indexOfTopLevelItem(m_hSelectedItem);
        QTreeWidgetItem* previous = at <= 0 ? nullptr : parentItem ? parentItem->child(at - 1) : topLevelItem(at - 1);
        AddNodeToTree(added, parentItem, previous ? previous : InsertFirst());
    });
    if (!refused)
        m_pFrame->m_bProjectModified = true;
}

void VellTreeView::OnTreeDelete()
{
    QTreeWidgetItem* gone = m_hSelectedItem;
    if (!gone) {
        // Reached only past the update rule; the editor may hold a separate text then.
        ReportResult(E_POINTER);
        return;
    }
    const DomNode node = NodeOf(gone);
    // The item the selection moves to: the next sibling, else the previous one, else the
    // parent; none when the tree becomes empty.
    QTreeWidgetItem* parentItem = gone->parent();
    const int at = parentItem ? parentItem->indexOfChild(gone) : indexOfTopLevelItem(gone);
    const int count = parentItem ? parentItem->childCount() : topLevelItemCount();
    const int neighbour = at + 1 < count ? at + 1 : at - 1;
    QTreeWidgetItem* next = parentItem;
    if (neighbour >= 0)
        next = parentItem ? parentItem->child(neighbour) : topLevelItem(neighbour);

    m_bDeleting = true;
    DeleteTreeItem(gone);
    Guarded("Failed in VellTreeView::OnTreeDelete", [&] {
        Require(m_pDomDoc.get());
        Require(node);
        const DomNode parent = Require(node.parentNode());
        Check(m_pDomDoc->removeChild(parent, node));
    });
    if (next)
        setCurrentItem(next);
    else
        clearSelection();
    m_bDeleting = false;

    // The editor still holds the deleted node's text: it must not reach the node that
    // becomes current, so that node's own text is loaded now. Emptied first, so that a
    // node whose text cannot be loaded does not show the deleted text either.
    if (CVellEditView* edit = GetEditView()) {
        edit->setPlainText(QString());
        edit->setModified(false);
    }
    m_hSelectedItem = GetSelectedItem();
    if (m_hSelectedItem) {
        SetEditViewText();
        m_pFrame->SetWindowText(NodeCaption(m_strProjectTitle, m_hSelectedItem->text(0)));
    } else {
        m_pFrame->SetWindowText(ProjectCaption(m_strProjectTitle));
    }
    m_pFrame->m_bProjectModified = true;
}

void VellTreeView::OnTreeProperty()
{
    QTreeWidgetItem* item = m_hSelectedItem;
    const DomNode node = NodeOf(item);
    // The dialog opens with the node's own values, so changing one of them keeps the rest.
    NodeProperties props = node ? CurrentProperties(node) : NodeProperties{};
    if (!AskNodeProperties(prompts(), this, props))
        return;
    Guarded("Failed in VellTreeView::OnTreeProperty", [&] {
        Require(node);
        DomAttributeMap map = Require(node.attributes());
        Require(map.nextNode()).setValue(props.title.toStdString());
        Require(map.nextNode()).setValue(props.exported ? format::kYes : format::kNo);
        Require(map.nextNode()).setValue(props.type.toStdString());
    });
    // The label follows what the document holds, also after a partial rewrite.
    if (item && node)
        item->setText(0, QString::fromStdString(format::NodeTitle(node)));
    m_pFrame->m_bProjectModified = true;
}
