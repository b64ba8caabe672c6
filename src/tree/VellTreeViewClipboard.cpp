// SPDX-License-Identifier: GPL-3.0-or-later
// The node clipboard: copy or cut the current node, paste the held copy beside the
// current node. The copy lives in a document of its own, never loaded or saved, so it
// survives opening or starting another project and pastes into that one.
#include "VellTreeView.h"

#include "Prompts.h"
#include "ProjectFormat.h"

using namespace penwick;

namespace {

// A chapter goes only beside a chapter and a paragraph only beside a paragraph; other
// names go anywhere. Empty when the paste may go ahead.
QString PasteRefusal(DomNode copy, DomNode selected)
{
    for (const std::string_view name : {format::kChapter, format::kParagraph}) {
        if (copy.nodeName() == name && selected.nodeName() != name)
            return QStringLiteral("貼り付けようとしているのは[%1]要素です。ここに貼り付けることはできません。\n"
                                  "手動で変更してください")
                .arg(QString::fromUtf8(name.data(), int(name.size())));
    }
    return {};
}

}  // namespace

bool VellTreeView::OnUpdateTreePaste() const { return m_pClipNode && m_hSelectedItem.isValid(); }

void VellTreeView::OnTreeCopy()
{
    // Text typed into the editor is not in the node yet; without this a cut would lose it.
    SaveTextToDOM();
    CopySelected(prompts().message(QStringLiteral("子まですべてコピーしますか？"), PromptIcon::Question,
                                   PromptButtons::YesNo) == PromptAnswer::Yes);
}

bool VellTreeView::CopySelected(bool withChildren)
{
    const DomNode node = NodeOf(m_hSelectedItem);
    if (!m_pClipDoc)
        m_pClipDoc = std::make_unique<DomDocument>();
    return Guarded("Failed in VellTreeView::OnTreeCopy", [&] {
        Require(node);
        m_pClipNode = {};
        m_pClipDoc->clear();
        if (withChildren) {
            m_pClipNode = Require(m_pClipDoc->importNode(node, true));
            return;
        }
        // The node with its own text (its first child) and without its sub-nodes.
        m_pClipNode = Require(m_pClipDoc->importNode(node, false));
        const DomNode ownText = Require(node.firstChild());
        Check(m_pClipDoc->appendChild(m_pClipNode, ownText));
    });
}

void VellTreeView::OnTreeCut()
{
    SaveTextToDOM();
    // A cut removes only what it put on the clipboard, and closing the question cuts nothing.
    const PromptAnswer all = prompts().message(QStringLiteral("子まですべてコピーしますか？"),
                                               PromptIcon::Question, PromptButtons::YesNoCancel);
    if (all == PromptAnswer::Cancel)
        return;
    // What could not be copied is not removed either.
    if (!CopySelected(all == PromptAnswer::Yes))
        return;
    if (all == PromptAnswer::Yes) {
        OnTreeDelete();
        return;
    }
    m_history->beginMacro(QStringLiteral("切り取り"));
    RemoveKeepingChildren();
    m_history->endMacro();
}

void VellTreeView::RemoveKeepingChildren()
{
    bool moved = true;
    Guarded("Failed in VellTreeView::OnTreeCut", [&] {
        const DomNode node = Require(NodeOf(m_hSelectedItem));
        const DomNode parent = Require(node.parentNode());
        // Everything after the node's own text (its first child), in order, before the node.
        for (DomNode child = node.firstChild() ? node.firstChild().nextSibling() : DomNode(); child;) {
            const DomNode next = child.nextSibling();
            moved = false;
            Check(m_history->apply(OutlineCommand::move(PathOf(child), ChildPath(parent, node))));
            moved = true;
            child = next;
        }
    });
    // Only with the children safe does the node go.
    if (moved)
        OnTreeDelete();
}

void VellTreeView::OnTreePaste()
{
    PasteBeside(false, "Failed in VellTreeView::OnTreePaste");
}

void VellTreeView::OnTreePastebefore()
{
    PasteBeside(true, "Failed in VellTreeView::OnTreePastebefore");
}

void VellTreeView::PasteBeside(bool above, const char* catchAllText)
{
    bool refused = false;
    Guarded(catchAllText, [&] {
        const DomNode node = Require(NodeOf(m_hSelectedItem));
        Require(m_pClipNode);
        if (const QString refusal = PasteRefusal(m_pClipNode, node); !refusal.isEmpty()) {
            refused = true;
            prompts().message(refusal, PromptIcon::Exclamation, PromptButtons::Ok);
            return;
        }
        const DomNode parent = Require(node.parentNode());
        // Below: before the next sibling, or last when there is none (a null reference).
        const HRESULT hr = m_history->apply(OutlineCommand::insert(
            ChildPath(parent, above ? node : node.nextSibling()), Require(DetachedSubtree::copyOf(m_pClipNode))));
        if (hr == E_XML_TOO_DEEP) {
            refused = true;
            ReportText(TooDeepText());
            return;
        }
        Check(hr);
    });
    if (!refused)
        m_session.setModified(true);
}
