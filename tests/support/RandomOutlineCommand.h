// SPDX-License-Identifier: GPL-3.0-or-later
// A random outline command over a session's elements, for the randomized runs of the
// session and of the outline model: inserts of a fresh subtree, removes, moves (never into
// the node's own subtree) and attribute rewrites, spread over the whole tree.
#pragma once

#include "OutlineCommand.h"
#include "ProjectSession.h"

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace penwick::test {

// Picks a command among nodes (elements of s's document). Top-level positions below
// minTop are left alone (a test may keep a row there). False when the pick would move a
// node into itself: the caller skips the step.
inline bool RandomOutlineCommand(ProjectSession& s, std::mt19937& rng, const std::vector<DomNode>& nodes,
                                 const std::function<std::shared_ptr<const DetachedSubtree>()>& fresh, int step,
                                 int minTop, OutlineCommand* c)
{
    const int kind = int(rng() % 4);
    if (nodes.empty() || kind == 0) {
        const DomNode root = s.document().documentElement();
        const DomNode parent = nodes.empty() || rng() % 3 == 0 ? root : nodes[rng() % nodes.size()];
        int children = 0;
        for (DomNode k = parent.firstChild(); k; k = k.nextSibling())
            ++children;
        const int low = parent == root ? std::min(minTop, children) : 0;
        NodePath at = PathOf(parent);
        at.push_back(low + int(rng() % unsigned(children - low + 1)));
        *c = OutlineCommand::insert(at, fresh());
    } else if (kind == 1) {
        *c = OutlineCommand::remove(PathOf(nodes[rng() % nodes.size()]));
    } else if (kind == 2) {
        const NodePath from = PathOf(nodes[rng() % nodes.size()]);
        NodePath to = PathOf(nodes[rng() % nodes.size()]);
        if (to.size() >= from.size() && std::equal(from.begin(), from.end(), to.begin()))
            return false;   // into itself
        // The destination as a path once the node has gone.
        const std::size_t level = from.size() - 1;
        if (to.size() > level && std::equal(from.begin(), from.begin() + long(level), to.begin()) && to[level] > from[level])
            --to[level];
        to.push_back(int(rng() % 2));   // first or second child of the target
        if (to.size() == 1)
            to[0] = std::max(to[0], minTop);
        *c = OutlineCommand::move(from, to);
    } else {
        *c = OutlineCommand::setAttributes(PathOf(nodes[rng() % nodes.size()]),
                                           {"t" + std::to_string(step), rng() % 2 ? "yes" : "no"});
    }
    return true;
}

}  // namespace penwick::test
