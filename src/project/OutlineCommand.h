// SPDX-License-Identifier: GPL-3.0-or-later
// Outline changes as values. A command names its nodes by position, not by handle, so a
// command and its inverse stay valid however often they are applied in turn: a node that
// was removed and put back is a new node, but it sits at the same path.
#pragma once

#include "DomDocument.h"

#include <memory>
#include <string>
#include <vector>

namespace penwick {

// Where a node sits: its position among all child nodes of its parent (comments and text
// count), level by level below the document element. Empty: the document element.
using NodePath = std::vector<int>;

// The path of a node inside a document element; empty for the document element and for
// anything outside one.
NodePath PathOf(DomNode node);
// The path a node inserted into parent in front of before (null: last) will have.
NodePath ChildPath(DomNode parent, DomNode before);
// The node at path, or null when there is none.
DomNode NodeAt(const DomDocument& doc, const NodePath& path);

// A subtree held outside any project: what a remove took out, or what a paste brings in.
// The inserting command copies it, so one subtree serves an insert and every redo of it.
class DetachedSubtree {
public:
    // A deep copy of node (of any document), or null when memory ran out.
    static std::shared_ptr<const DetachedSubtree> copyOf(DomNode node);
    DomNode node() const { return m_node; }

private:
    DomDocument m_holder;
    DomNode m_node;   // detached in m_holder
};

struct OutlineCommand {
    enum class Kind {
        Insert,          // subtree goes in so that it sits at `at`
        Remove,          // the node at `at` goes out
        Move,            // the node at `at` goes so that it sits at `to`
        SetAttributes,   // the node at `at` gets `values` as its attribute values, by position
        Rename,          // the element at `at` gets values[0] as its name
    };
    Kind kind = Kind::Insert;
    NodePath at;
    NodePath to;
    std::shared_ptr<const DetachedSubtree> subtree;
    std::vector<std::string> values;

    static OutlineCommand insert(NodePath at, std::shared_ptr<const DetachedSubtree> subtree);
    static OutlineCommand remove(NodePath at);
    static OutlineCommand move(NodePath from, NodePath to);
    static OutlineCommand setAttributes(NodePath at, std::vector<std::string> values);
    static OutlineCommand rename(NodePath at, std::string name);
};

// The `to` of a command moving node into parent in front of before (null: last): the path
// it will have, counted in the document as it is once the node has gone.
NodePath MovedPath(DomNode node, DomNode parent, DomNode before);

// What observers hear of one applied command. Before the change, node is the node removed,
// moved or changed (null for an insert); parent and before say where an inserted or moved
// node goes (before null: at the end) or, for a remove, the parent it leaves. After the
// change, node is also the inserted node.
struct OutlineEvent {
    OutlineCommand::Kind kind = OutlineCommand::Kind::Insert;
    DomNode node;
    DomNode parent;
    DomNode before;
};

}  // namespace penwick
