// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutlineModel.h"

#include "ProjectFormat.h"

#include <QSet>

#include <algorithm>

using namespace penwick;

struct OutlineModel::Entry {
    DomNode node;
    Entry* parent = nullptr;
    int row = 0;
    std::vector<Entry*> children;
    QString title;
};

namespace {

// A row stands for an element with at least one attribute.
bool HasRow(DomNode node)
{
    return node.nodeType() == DomNodeType::Element && node.firstAttribute();
}

// Whether a comes before b in document order (an ancestor comes before its descendants).
bool Precedes(DomNode a, DomNode b)
{
    std::vector<DomNode> up, down;
    for (DomNode n = a; n; n = n.parentNode())
        up.push_back(n);
    for (DomNode n = b; n; n = n.parentNode())
        down.push_back(n);
    auto i = up.rbegin(), j = down.rbegin();
    while (i != up.rend() && j != down.rend() && *i == *j)
        ++i, ++j;
    if (i == up.rend())
        return j != down.rend();
    if (j == down.rend())
        return false;
    for (DomNode s = i->nextSibling(); s; s = s.nextSibling())
        if (s == *j)
            return true;
    return false;
}

// Visits the elements of node's subtree in document order, node first, without recursion.
// Answers how many nodes were neither elements nor character data.
template <class Visit>
int ForEachElement(DomNode node, Visit&& visit)
{
    int others = 0;
    std::vector<DomNode> todo{node};
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        const DomNodeType type = n.nodeType();
        if (type != DomNodeType::Element) {
            others += type != DomNodeType::Text && type != DomNodeType::CData;
            continue;
        }
        visit(n);
        for (DomNode c = n.lastChild(); c; c = c.previousSibling())
            todo.push_back(c);
    }
    return others;
}

}  // namespace

OutlineModel::OutlineModel(ProjectSession& session, QObject* parent)
    : QAbstractItemModel(parent), m_session(session), m_root(new Entry)
{
    m_session.addObserver(this);
}

OutlineModel::~OutlineModel()
{
    m_session.removeObserver(this);
    m_entries.clear();   // all of it goes: no entry need be looked up on its way out
    destroy(m_root);
}

QModelIndex OutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    // Views ask this for every row they lay out: checked here without the virtual calls
    // of hasIndex.
    if (column != 0 || row < 0 || parent.column() > 0)
        return {};
    const Entry* p = entryOf(parent);
    if (size_t(row) >= p->children.size())
        return {};
    return createIndex(row, column, p->children[size_t(row)]);
}

bool OutlineModel::hasChildren(const QModelIndex& parent) const
{
    return parent.column() <= 0 && !entryOf(parent)->children.empty();
}

QModelIndex OutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(entryOf(child)->parent);
}

int OutlineModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(entryOf(parent)->children.size());
}

int OutlineModel::columnCount(const QModelIndex&) const { return 1; }

QVariant OutlineModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return entryOf(index)->title;
}

Qt::ItemFlags OutlineModel::flags(const QModelIndex& index) const
{
    return QAbstractItemModel::flags(index) | Qt::ItemIsDropEnabled | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

Qt::DropActions OutlineModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

DomNode OutlineModel::NodeOf(const QModelIndex& index)
{
    if (!index.isValid() || !qobject_cast<const OutlineModel*>(index.model()))
        return {};
    return static_cast<const Entry*>(index.internalPointer())->node;
}

QString OutlineModel::TitleOf(const QModelIndex& index)
{
    return index.data().toString();
}

QModelIndex OutlineModel::indexOf(DomNode node) const
{
    return indexOf(m_entries.value(node.internal()));
}

OutlineModel::Entry* OutlineModel::entryOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Entry*>(index.internalPointer()) : m_root;
}

QModelIndex OutlineModel::indexOf(const Entry* entry) const
{
    if (!entry || entry == m_root)
        return {};
    return createIndex(entry->row, 0, const_cast<Entry*>(entry));
}

OutlineModel::Entry* OutlineModel::parentEntryFor(DomNode node) const
{
    Entry* parent = m_entries.value(node.parentNode().internal());
    return parent ? parent : m_root;
}

int OutlineModel::build(DomNode node, std::vector<Entry*>* roots)
{
    QSet<const Entry*> made;   // entries of this walk: their children go in with them
    return ForEachElement(node, [&](DomNode n) {
        if (!HasRow(n))
            return;
        Entry*& slot = m_entries[n.internal()];
        if (slot)
            return;   // already shown
        Entry* parent = parentEntryFor(n);
        auto* entry = new Entry{n, parent, 0, {}, QString::fromStdString(format::NodeTitle(n))};
        slot = entry;
        if (roots) {
            made.insert(entry);
            if (!made.contains(parent)) {
                roots->push_back(entry);
                return;
            }
        }
        // The walk is in document order, so appending keeps the rows in it.
        entry->row = int(parent->children.size());
        parent->children.push_back(entry);
    });
}

void OutlineModel::insertEntry(Entry* parent, Entry* entry)
{
    std::vector<Entry*>& rows = parent->children;
    auto at = rows.end();
    if (parent != m_root) {
        // The rows below an element are its children with attributes, in order: the new one
        // goes after the nearest earlier sibling that has a row.
        at = rows.begin();
        for (DomNode s = entry->node.previousSibling(); s; s = s.previousSibling())
            if (Entry* e = m_entries.value(s.internal()); e && e->parent == parent) {
                at = rows.begin() + e->row + 1;
                break;
            }
    } else if (!rows.empty() && !Precedes(rows.back()->node, entry->node)) {
        // Top-level rows may come from anywhere in the document: place by document order.
        at = std::upper_bound(rows.begin(), rows.end(), entry,
                              [](const Entry* a, const Entry* b) { return Precedes(a->node, b->node); });
    }
    const int row = int(at - rows.begin());
    beginInsertRows(indexOf(parent), row, row);
    entry->parent = parent;
    rows.insert(at, entry);
    for (size_t i = size_t(row); i < rows.size(); ++i)
        rows[i]->row = int(i);
    endInsertRows();
}

void OutlineModel::removeEntry(Entry* entry)
{
    Entry* parent = entry->parent;
    const int row = entry->row;
    beginRemoveRows(indexOf(parent), row, row);
    std::vector<Entry*>& rows = parent->children;
    rows.erase(rows.begin() + row);
    for (size_t i = size_t(row); i < rows.size(); ++i)
        rows[i]->row = int(i);
    endRemoveRows();
    destroy(entry);
}

void OutlineModel::destroy(Entry* entry)
{
    std::vector<Entry*> todo{entry};
    while (!todo.empty()) {
        Entry* e = todo.back();
        todo.pop_back();
        todo.insert(todo.end(), e->children.begin(), e->children.end());
        if (e->node) {
            const auto it = m_entries.constFind(e->node.internal());
            if (it != m_entries.cend() && it.value() == e)
                m_entries.erase(it);
        }
        delete e;
    }
}

std::vector<OutlineModel::Entry*> OutlineModel::rootsWithin(DomNode node) const
{
    std::vector<Entry*> roots;
    ForEachElement(node, [&](DomNode n) {
        if (Entry* e = m_entries.value(n.internal()); e && (n == node || e->parent == m_root))
            roots.push_back(e);
    });
    return roots;
}

int OutlineModel::fill()
{
    const DomNode root = m_session.document().documentElement();
    if (!root)
        return 0;
    int others = 0;
    beginResetModel();
    for (DomNode child = root.firstChild(); child; child = child.nextSibling())
        others += build(child, nullptr);
    endResetModel();
    return others;
}

void OutlineModel::clear()
{
    beginResetModel();
    std::vector<Entry*> rows;
    rows.swap(m_root->children);
    m_entries.clear();
    for (Entry* e : rows)
        destroy(e);
    endResetModel();
}

void OutlineModel::removeItem(const QModelIndex& index)
{
    if (index.isValid() && index.model() == this)
        removeEntry(entryOf(index));
}

void OutlineModel::outlineAboutToChange(const OutlineEvent& event)
{
    emit commandAboutToApply();
    if (event.kind == OutlineCommand::Kind::Move && beginMove(event))
        return;
    if (event.kind != OutlineCommand::Kind::Remove && event.kind != OutlineCommand::Kind::Move)
        return;
    for (Entry* e : rootsWithin(event.node))
        removeEntry(e);
}

// A node with a row that moves under the document element or under a row moves as that
// row (views keep its selection and expansion); anything else is removed and rebuilt.
bool OutlineModel::beginMove(const OutlineEvent& event)
{
    Entry* entry = m_entries.value(event.node.internal());
    Entry* to = event.parent == m_session.document().documentElement() ? m_root : m_entries.value(event.parent.internal());
    if (!entry || !to || rootsWithin(event.node).size() != 1)
        return false;
    // The destination row, counted as the rows stand before the move (the moving one
    // included): the rows of event.parent's children in front of event.before. Only when
    // every row under `to` is such a child (no element without attributes in between).
    int row = 0, rows = 0;
    bool reached = false;   // never, when the node goes last
    for (DomNode c = event.parent.firstChild(); c; c = c.nextSibling()) {
        reached = reached || (event.before && c == event.before);
        const Entry* e = m_entries.value(c.internal());
        if (e && e->parent == to) {
            ++rows;
            row += !reached;
        }
    }
    if (size_t(rows) != to->children.size())
        return false;
    m_move = Move{entry, to, row, false};
    m_move->announced = beginMoveRows(indexOf(entry->parent), entry->row, entry->row, indexOf(to), row);
    return true;
}

void OutlineModel::finishMove(const OutlineEvent& event)
{
    const Move move = *m_move;
    m_move.reset();
    if (move.announced) {
        Entry* from = move.entry->parent;
        from->children.erase(from->children.begin() + move.entry->row);
        const int row = move.row - (from == move.to && move.entry->row < move.row ? 1 : 0);
        move.to->children.insert(move.to->children.begin() + row, move.entry);
        move.entry->parent = move.to;
        for (Entry* rows : {from, move.to})
            for (size_t i = 0; i < rows->children.size(); ++i)
                rows->children[i]->row = int(i);
        endMoveRows();
    }
    // A move the document did not make (out of memory): the rows are built again.
    if (event.node.parentNode() != event.parent) {
        clear();
        fill();
    }
}

void OutlineModel::outlineChanged(const OutlineEvent& event)
{
    if (event.kind == OutlineCommand::Kind::Move && m_move) {
        finishMove(event);
        emit commandApplied();
        return;
    }
    switch (event.kind) {
    case OutlineCommand::Kind::Insert:
    case OutlineCommand::Kind::Move:
        if (event.node) {
            std::vector<Entry*> roots;
            build(event.node, &roots);
            for (Entry* e : roots)
                insertEntry(e->parent, e);
        }
        break;
    case OutlineCommand::Kind::SetAttributes:
        // The label follows what the document holds, also after a partial rewrite.
        if (Entry* e = m_entries.value(event.node.internal())) {
            e->title = QString::fromStdString(format::NodeTitle(event.node));
            const QModelIndex at = indexOf(e);
            emit dataChanged(at, at, {Qt::DisplayRole});
        }
        break;
    case OutlineCommand::Kind::Remove:
    case OutlineCommand::Kind::Rename:   // the row's label is an attribute: it stays
        break;
    }
    emit commandApplied();
}

void OutlineModel::documentReplaced() { clear(); }
