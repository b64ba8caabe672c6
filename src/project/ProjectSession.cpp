// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectSession.h"

#include "ProjectFormat.h"

#include <algorithm>

namespace penwick {

// ---- paths and commands ------------------------------------------------------------------

NodePath PathOf(DomNode node)
{
    NodePath path;
    for (DomNode n = node; n; n = n.parentNode()) {
        const DomNode parent = n.parentNode();
        if (!parent)
            return {};   // never reached a document element
        if (parent.nodeType() == DomNodeType::Document)
            break;
        int index = 0;
        for (DomNode s = n.previousSibling(); s; s = s.previousSibling())
            ++index;
        path.push_back(index);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

NodePath ChildPath(DomNode parent, DomNode before)
{
    NodePath path = PathOf(parent);
    int index = 0;
    for (DomNode c = parent.firstChild(); c && c != before; c = c.nextSibling())
        ++index;
    path.push_back(index);
    return path;
}

DomNode NodeAt(const DomDocument& doc, const NodePath& path)
{
    DomNode n = doc.documentElement();
    for (const int index : path) {
        if (!n || index < 0)
            return {};
        n = n.firstChild();
        for (int i = 0; n && i < index; ++i)
            n = n.nextSibling();
    }
    return n;
}

std::shared_ptr<const DetachedSubtree> DetachedSubtree::copyOf(DomNode node)
{
    auto subtree = std::make_shared<DetachedSubtree>();
    subtree->m_node = subtree->m_holder.importNode(node, true);
    if (!subtree->m_node)
        return nullptr;
    return subtree;
}

OutlineCommand OutlineCommand::insert(NodePath at, std::shared_ptr<const DetachedSubtree> subtree)
{
    OutlineCommand c;
    c.kind = Kind::Insert;
    c.at = std::move(at);
    c.subtree = std::move(subtree);
    return c;
}

OutlineCommand OutlineCommand::remove(NodePath at)
{
    OutlineCommand c;
    c.kind = Kind::Remove;
    c.at = std::move(at);
    return c;
}

OutlineCommand OutlineCommand::move(NodePath from, NodePath to)
{
    OutlineCommand c;
    c.kind = Kind::Move;
    c.at = std::move(from);
    c.to = std::move(to);
    return c;
}

OutlineCommand OutlineCommand::setAttributes(NodePath at, std::vector<std::string> values)
{
    OutlineCommand c;
    c.kind = Kind::SetAttributes;
    c.at = std::move(at);
    c.values = std::move(values);
    return c;
}

OutlineCommand OutlineCommand::rename(NodePath at, std::string name)
{
    OutlineCommand c;
    c.kind = Kind::Rename;
    c.at = std::move(at);
    c.values = {std::move(name)};
    return c;
}

NodePath MovedPath(DomNode node, DomNode parent, DomNode before)
{
    NodePath to = ChildPath(parent, before);
    const NodePath at = PathOf(node);
    // Only the node's later siblings move up a place when it goes.
    const std::size_t level = at.size() - 1;
    if (!at.empty() && to.size() > level && std::equal(at.begin(), at.begin() + level, to.begin())
        && to[level] > at[level])
        --to[level];
    return to;
}

namespace {

// The index-th child of parent, leaving out skip; null at the end, and *past when index
// lies beyond it.
DomNode ChildAt(DomNode parent, int index, DomNode skip, bool* past)
{
    *past = index < 0;
    if (index < 0)
        return {};
    int i = 0;
    for (DomNode c = parent.firstChild(); c; c = c.nextSibling()) {
        if (c == skip)
            continue;
        if (i++ == index)
            return c;
    }
    *past = i < index;
    return {};
}

NodePath ParentPath(const NodePath& path) { return NodePath(path.begin(), path.end() - 1); }

}  // namespace

// ---- the session --------------------------------------------------------------------------

ProjectSession::ProjectSession() : m_doc(std::make_unique<DomDocument>()) {}
ProjectSession::~ProjectSession() = default;

template <class Call>
void ProjectSession::notify(Call&& call)
{
    // A copy: an observer may leave while it is being told.
    const std::vector<SessionObserver*> observers = m_observers;
    for (SessionObserver* o : observers)
        call(*o);
}

void ProjectSession::addObserver(SessionObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void ProjectSession::removeObserver(SessionObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void ProjectSession::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    notify([&](SessionObserver& o) { o.modifiedChanged(modified); });
}

void ProjectSession::install(std::unique_ptr<DomDocument> doc, std::string path)
{
    m_doc = doc ? std::move(doc) : std::make_unique<DomDocument>();
    m_path = std::move(path);
    m_diskStatePath = m_path;
    m_diskState = m_path.empty() ? FileStamp{} : FileStamp::of(m_path);
    notify([](SessionObserver& o) { o.documentReplaced(); });
    setModified(false);
}

Status ProjectSession::Load(const std::string& path, std::unique_ptr<DomDocument>& doc)
{
    auto loaded = std::make_unique<DomDocument>();
    Status status = loaded->load(path);
    if (status)
        doc = std::move(loaded);
    return status;
}

bool ProjectSession::changedOnDisk() const
{
    return !m_path.empty() && m_diskStatePath == m_path && m_diskState.exists &&
           !(FileStamp::of(m_path) == m_diskState);
}

Status ProjectSession::save(FileOps& ops)
{
    if (m_path.empty())
        return {E_INVALIDARG, "保存先のファイル名がありません。"};
    Status saved = m_doc->save(m_path, ops);
    if (!saved)
        return saved;
    m_diskStatePath = m_path;
    m_diskState = FileStamp::of(m_path);
    setModified(false);
    return saved;
}

HRESULT ProjectSession::title(std::string* title) const
{
    return format::ReadProjectTitle(*m_doc, title);
}

HRESULT ProjectSession::storeNodeText(DomNode node, std::string_view text)
{
    const HRESULT hr = format::StoreNodeText(*m_doc, node, text);
    if (SUCCEEDED(hr))
        setModified(true);
    return hr;
}

Status ProjectSession::serializeWithText(DomNode node, std::string_view text, std::string& bytes)
{
    if (!node || node.nodeType() != DomNodeType::Element)
        return {E_POINTER, {}};
    // The store below changes at most the node's first child; what it changes is put back
    // exactly, so handles held elsewhere stay good and the document is as it was.
    DomNode first = node.firstChild();
    const DomNodeType kind = first ? first.nodeType() : DomNodeType::Null;
    if (kind == DomNodeType::Text || kind == DomNodeType::CData) {
        const std::string old = first.nodeValue();
        if (const HRESULT hr = first.setNodeValue(text); FAILED(hr))
            return {hr, {}};
        Status s = m_doc->serialize(bytes);
        first.setNodeValue(old);
        return s;
    }
    const bool holder = kind == DomNodeType::Element && !format::IsOutlineNode(first);
    // A holder element loses its character data to the store: copies of it, each with the
    // element it stood before, go back afterwards.
    struct Kept {
        DomNode copy;
        DomNode before;
    };
    std::vector<Kept> kept;
    if (holder) {
        for (DomNode c = first.firstChild(); c; c = c.nextSibling()) {
            const DomNodeType t = c.nodeType();
            if (t != DomNodeType::Text && t != DomNodeType::CData)
                continue;
            DomNode before = c.nextSibling();
            while (before && (before.nodeType() == DomNodeType::Text || before.nodeType() == DomNodeType::CData))
                before = before.nextSibling();
            const DomNode copy = m_doc->importNode(c, true);
            if (!copy) {
                for (const Kept& k : kept)
                    m_doc->discard(k.copy);
                return {E_OUTOFMEMORY, {}};
            }
            kept.push_back({copy, before});
        }
    }
    if (const HRESULT hr = format::StoreNodeText(*m_doc, node, text); FAILED(hr)) {
        for (const Kept& k : kept)
            m_doc->discard(k.copy);
        return {hr, {}};
    }
    Status s = m_doc->serialize(bytes);
    // Either the holder's new first child (the stored text) or the element made to hold it.
    const DomNode parent = holder ? first : node;
    m_doc->removeChild(parent, parent.firstChild());
    for (const Kept& k : kept)
        m_doc->insertBefore(parent, k.copy, k.before);
    return s;
}

// ---- outline commands ----------------------------------------------------------------------

HRESULT ProjectSession::apply(const OutlineCommand& command, OutlineCommand* inverse)
{
    OutlineCommand undo;
    HRESULT hr = E_INVALIDARG;
    switch (command.kind) {
    case OutlineCommand::Kind::Insert:
        hr = applyInsert(command, &undo);
        break;
    case OutlineCommand::Kind::Remove:
        hr = applyRemove(command, &undo);
        break;
    case OutlineCommand::Kind::Move:
        hr = applyMove(command, &undo);
        break;
    case OutlineCommand::Kind::SetAttributes:
        hr = applySetAttributes(command, &undo);
        break;
    case OutlineCommand::Kind::Rename:
        hr = applyRename(command, &undo);
        break;
    }
    if (FAILED(hr))
        return hr;
    if (inverse)
        *inverse = std::move(undo);
    setModified(true);
    return hr;
}

HRESULT ProjectSession::applyInsert(const OutlineCommand& command, OutlineCommand* inverse)
{
    if (command.at.empty() || !command.subtree || !command.subtree->node())
        return command.at.empty() ? E_INVALIDARG : E_POINTER;
    const DomNode parent = NodeAt(*m_doc, ParentPath(command.at));
    if (!parent)
        return E_POINTER;
    bool past = false;
    const DomNode before = ChildAt(parent, command.at.back(), {}, &past);
    if (past)
        return E_POINTER;
    const DomNode subtree = command.subtree->node();
    if (parent.depth() + subtree.subtreeDepth() > kMaxDepth)
        return E_XML_TOO_DEEP;
    OutlineEvent event{OutlineCommand::Kind::Insert, {}, parent, before};
    notify([&](SessionObserver& o) { o.outlineAboutToChange(event); });
    DomNode inserted;
    const HRESULT hr = m_doc->insertBefore(parent, subtree, before, &inserted);
    event.node = inserted;   // null after a failure: observers rebuild
    notify([&](SessionObserver& o) { o.outlineChanged(event); });
    if (FAILED(hr))
        return hr;
    *inverse = OutlineCommand::remove(command.at);
    return S_OK;
}

HRESULT ProjectSession::applyRemove(const OutlineCommand& command, OutlineCommand* inverse)
{
    if (command.at.empty())
        return E_INVALIDARG;   // the document element stays
    const DomNode node = NodeAt(*m_doc, command.at);
    if (!node)
        return E_POINTER;
    std::shared_ptr<const DetachedSubtree> kept = DetachedSubtree::copyOf(node);
    if (!kept)
        return E_OUTOFMEMORY;
    const DomNode parent = node.parentNode();
    OutlineEvent event{OutlineCommand::Kind::Remove, node, parent, node.nextSibling()};
    notify([&](SessionObserver& o) { o.outlineAboutToChange(event); });
    const HRESULT hr = m_doc->removeChild(parent, node);
    event.node = SUCCEEDED(hr) ? DomNode{} : node;
    notify([&](SessionObserver& o) { o.outlineChanged(event); });
    if (FAILED(hr))
        return hr;
    *inverse = OutlineCommand::insert(command.at, std::move(kept));
    return S_OK;
}

HRESULT ProjectSession::applyMove(const OutlineCommand& command, OutlineCommand* inverse)
{
    if (command.at.empty() || command.to.empty())
        return E_INVALIDARG;
    const DomNode node = NodeAt(*m_doc, command.at);
    if (!node)
        return E_POINTER;
    // `to` is a path in the document as it is once the node has gone: one level of its
    // parent's path shifts when the node stood before it among the same siblings.
    NodePath parentPath = ParentPath(command.to);
    const std::size_t level = command.at.size() - 1;
    if (parentPath.size() > level &&
        std::equal(command.at.begin(), command.at.begin() + level, parentPath.begin()) &&
        parentPath[level] >= command.at[level])
        ++parentPath[level];
    const DomNode parent = NodeAt(*m_doc, parentPath);
    if (!parent)
        return E_POINTER;
    for (DomNode p = parent; p; p = p.parentNode())
        if (p == node)
            return E_INVALIDARG;
    bool past = false;
    const DomNode before = ChildAt(parent, command.to.back(), node, &past);
    if (past)
        return E_POINTER;
    if (parent.depth() + node.subtreeDepth() > kMaxDepth)
        return E_XML_TOO_DEEP;
    OutlineEvent event{OutlineCommand::Kind::Move, node, parent, before};
    notify([&](SessionObserver& o) { o.outlineAboutToChange(event); });
    const HRESULT hr = before == node.nextSibling() && parent == node.parentNode()
                           ? S_OK   // already there
                           : m_doc->insertBefore(parent, node, before);
    notify([&](SessionObserver& o) { o.outlineChanged(event); });
    if (FAILED(hr))
        return hr;
    *inverse = OutlineCommand::move(command.to, command.at);
    return S_OK;
}

HRESULT ProjectSession::applySetAttributes(const OutlineCommand& command, OutlineCommand* inverse)
{
    const DomNode node = NodeAt(*m_doc, command.at);
    if (!node || node.nodeType() != DomNodeType::Element)
        return E_POINTER;
    std::vector<std::string> old;
    for (std::size_t i = 0; i < command.values.size(); ++i) {
        const DomAttribute a = node.attribute(int(i));
        if (!a)
            break;
        old.push_back(a.value());
    }
    const OutlineEvent event{OutlineCommand::Kind::SetAttributes, node, node.parentNode(), {}};
    notify([&](SessionObserver& o) { o.outlineAboutToChange(event); });
    for (std::size_t i = 0; i < old.size(); ++i)
        node.attribute(int(i)).setValue(command.values[i]);
    notify([&](SessionObserver& o) { o.outlineChanged(event); });
    // Values beyond the node's attributes had nowhere to go.
    const HRESULT hr = old.size() < command.values.size() ? S_FALSE : S_OK;
    *inverse = OutlineCommand::setAttributes(command.at, std::move(old));
    return hr;
}

HRESULT ProjectSession::applyRename(const OutlineCommand& command, OutlineCommand* inverse)
{
    DomNode node = NodeAt(*m_doc, command.at);
    if (!node || node.nodeType() != DomNodeType::Element || !node.parentNode()
        || node.parentNode().nodeType() != DomNodeType::Element)
        return E_POINTER;   // an element below the document element
    if (command.values.size() != 1)
        return E_INVALIDARG;
    std::string old = node.nodeName();
    const OutlineEvent event{OutlineCommand::Kind::Rename, node, node.parentNode(), {}};
    notify([&](SessionObserver& o) { o.outlineAboutToChange(event); });
    const HRESULT hr = node.setNodeName(command.values[0]);
    notify([&](SessionObserver& o) { o.outlineChanged(event); });
    if (FAILED(hr))
        return hr;
    *inverse = OutlineCommand::rename(command.at, std::move(old));
    return S_OK;
}

}  // namespace penwick
