// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManuscriptMap.h"

#include "CharKind.h"
#include "GridWalk.h"
#include "ManuscriptLayout.h"
#include "TextAssembly.h"
#include "Utf8.h"

#include <algorithm>

namespace penwick {

namespace {

struct Tally {
    std::int64_t chars = 0;
    void cell(const counter::Placement&, std::size_t, bool white) { chars += !white; }
    void sourceLineEnd(std::int64_t, std::size_t) {}
};

}  // namespace

ManuscriptMap::ManuscriptMap(const CountSettings& settings)
    : m_settings(settings),
      m_kinsoku(settings.mode != 0 ? counter::KinsokuSet(settings.kinsoku.data(), settings.kinsoku.size())
                                   : counter::KinsokuSet())
{
    m_settings.vertical = std::max(1, m_settings.vertical);
    m_settings.horizontal = std::max(1, m_settings.horizontal);
}

bool ManuscriptMap::build(const DomDocument& doc)
{
    std::string text;
    std::vector<TextSpan> spans;
    const bool ok = AssembleProjectText(doc, [](HRESULT, std::string_view) {}, &text, &spans);
    build(text, spans);
    return ok;
}

// The pieces of a text between its hard breaks (the counter's: LF, CR, CR LF, VT, FF, NEL,
// LS, PS); always at least one, the last with no break after it.
std::vector<ManuscriptMap::Fragment> ManuscriptMap::Split(std::string_view text, int node)
{
    std::vector<Fragment> out;
    std::size_t start = 0;
    Utf8Decoder in(text.data(), text.size());
    while (!in.atEnd()) {
        const std::size_t at = in.offset();
        const char32_t cp = in.next();
        const counter::CharKind kind = counter::charKind(cp);
        if (kind != counter::CharKind::Break && kind != counter::CharKind::CarriageReturn)
            continue;
        std::size_t after = in.offset();
        if (cp == U'\r' && after < text.size() && text[after] == '\n') {
            in.next();
            after = in.offset();
        }
        out.push_back({std::string(text.substr(start, at - start)), node, std::uint8_t(after - at)});
        start = after;
    }
    out.push_back({std::string(text.substr(start)), node, 0});
    return out;
}

void ManuscriptMap::build(std::string_view text, const std::vector<TextSpan>& spans)
{
    m_fragments.clear();
    m_nodes.clear();
    std::size_t at = 0;
    // A region's last piece runs into the next region unless the text ends there.
    auto append = [&](std::string_view region, int node) {
        std::vector<Fragment> pieces = Split(region, node);
        if (node < 0 && pieces.back().text.empty() && at + region.size() < text.size())
            pieces.pop_back();   // an empty piece joined to the next one adds nothing
        for (Fragment& f : pieces)
            m_fragments.push_back(std::move(f));
        at += region.size();
        m_fragments.back().joinsNext = m_fragments.back().breakLength == 0 && at < text.size();
    };
    for (const TextSpan& span : spans) {
        if (span.begin > at)
            append(text.substr(at, span.begin - at), -1);
        const std::size_t first = m_fragments.size();
        append(text.substr(span.begin, span.length), static_cast<int>(m_nodes.size()));
        m_nodes.push_back({span.node, first, m_fragments.size() - first});
    }
    if (at < text.size() || m_fragments.empty())
        append(text.substr(at), -1);
    for (std::size_t f = 0; f < m_fragments.size(); f = sourceLineEnd(f))
        layOutSourceLine(f);
    rebuildTrees();
}

ManuscriptLength ManuscriptMap::laidAlone(std::string_view text, bool last) const
{
    Tally tally;
    std::int64_t lines =
        counter::GridWalk<Tally>(m_kinsoku, m_settings.vertical, tally).run(text.data(), text.size());
    // A paragraph takes a line even when empty; the text's last one only when it holds a
    // cell (a final break opens no line).
    if (!last)
        lines = std::max<std::int64_t>(lines, 1);
    return {lines, tally.chars};
}

std::size_t ManuscriptMap::sourceLineStart(std::size_t f) const
{
    while (f > 0 && m_fragments[f - 1].joinsNext)
        --f;
    return f;
}

std::size_t ManuscriptMap::sourceLineEnd(std::size_t f) const
{
    while (m_fragments[f].joinsNext)
        ++f;
    return f + 1;
}

std::string ManuscriptMap::sourceLineText(std::size_t first, std::size_t end) const
{
    std::string text;
    for (std::size_t f = first; f < end; ++f)
        text += m_fragments[f].text;
    return text;
}

void ManuscriptMap::layOutSourceLine(std::size_t first)
{
    const std::size_t end = sourceLineEnd(first);
    const bool last = end == m_fragments.size();
    const bool treesBuilt = m_lineTree.size() == m_fragments.size() + 1;
    for (std::size_t f = first; f < end; ++f) {
        Fragment& fragment = m_fragments[f];
        const ManuscriptLength alone = laidAlone(fragment.text, true);
        const std::int64_t lines = f > first ? 0
                                   : end == first + 1 ? (last ? alone.lines : std::max<std::int64_t>(alone.lines, 1))
                                                      : laidAlone(sourceLineText(first, end), last).lines;
        if (treesBuilt) {
            add(m_lineTree, f, lines - fragment.lines);
            add(m_charTree, f, alone.chars - fragment.chars);
        }
        fragment.lines = lines;
        fragment.chars = alone.chars;
    }
}

void ManuscriptMap::rebuildTrees()
{
    // Fenwick trees built in linear time: each node passes its sum to its parent.
    const std::size_t n = m_fragments.size();
    m_lineTree.assign(n + 1, 0);
    m_charTree.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        m_lineTree[i] += m_fragments[i - 1].lines;
        m_charTree[i] += m_fragments[i - 1].chars;
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n) {
            m_lineTree[parent] += m_lineTree[i];
            m_charTree[parent] += m_charTree[i];
        }
    }
}

void ManuscriptMap::add(std::vector<std::int64_t>& tree, std::size_t i, std::int64_t delta) const
{
    if (delta == 0)
        return;
    for (++i; i < tree.size(); i += i & (~i + 1))
        tree[i] += delta;
}

std::int64_t ManuscriptMap::prefix(const std::vector<std::int64_t>& tree, std::size_t end) const
{
    std::int64_t sum = 0;
    for (; end > 0; end -= end & (~end + 1))
        sum += tree[end];
    return sum;
}

ManuscriptLength ManuscriptMap::total() const
{
    return {prefix(m_lineTree, m_fragments.size()), prefix(m_charTree, m_fragments.size())};
}

int ManuscriptMap::nodeIndex(DomNode node) const
{
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        if (m_nodes[i].node == node)
            return static_cast<int>(i);
    return -1;
}

ManuscriptLength ManuscriptMap::nodeLength(int index) const
{
    const NodeEntry& n = m_nodes[std::size_t(index)];
    ManuscriptLength length;
    for (std::size_t f = n.first; f < n.first + n.count; ++f) {
        const Fragment& fragment = m_fragments[f];
        // Alone, the node's paragraphs are its source lines; its last ends the text.
        const ManuscriptLength alone = laidAlone(fragment.text, f + 1 == n.first + n.count);
        length.lines += alone.lines;
        length.chars += fragment.chars;
    }
    return length;
}

SheetPosition ManuscriptMap::positionOf(int index, std::size_t offset) const
{
    const NodeEntry& n = m_nodes[std::size_t(index)];
    // The fragment that holds the offset, and the offset in its source line.
    std::size_t f = n.first;
    for (; f + 1 < n.first + n.count; ++f) {
        const std::size_t size = m_fragments[f].text.size() + m_fragments[f].breakLength;
        if (offset < size)
            break;
        offset -= size;
    }
    offset = std::min(offset, m_fragments[f].text.size());
    const std::size_t first = sourceLineStart(f), end = sourceLineEnd(f);
    for (std::size_t k = first; k < f; ++k)
        offset += m_fragments[k].text.size();
    const std::string line = end == first + 1 ? m_fragments[f].text : sourceLineText(first, end);

    std::int64_t lineIndex = prefix(m_lineTree, first), within = 0, cell = 0;
    bool found = false;
    counter::layOutManuscript(line.data(), line.size(), m_kinsoku, m_settings.vertical,
                              [&](const std::vector<counter::LaidCell>& cells) {
                                  for (const counter::LaidCell& c : cells) {
                                      if (found)
                                          return;
                                      within = c.line;
                                      cell = c.cell;
                                      if (offset < c.end) {
                                          found = true;
                                          return;
                                      }
                                  }
                              });
    // Past the paragraph's last character: the cell after it, on its line.
    if (!found && !line.empty() && offset >= line.size())
        cell = std::min<std::int64_t>(cell + 1, m_settings.vertical - 1);
    cell = std::min<std::int64_t>(cell, m_settings.vertical - 1);   // a hanging mark: the line's last cell
    lineIndex += within;
    return {lineIndex / m_settings.horizontal + 1, lineIndex % m_settings.horizontal + 1, cell + 1};
}

void ManuscriptMap::setNodeText(int index, std::string_view text)
{
    NodeEntry& n = m_nodes[std::size_t(index)];
    std::vector<Fragment> pieces = Split(text, index);
    pieces.back().joinsNext = m_fragments[n.first + n.count - 1].joinsNext;
    // Only what differs: the pieces equal at the front and at the back stay.
    auto same = [](const Fragment& a, const Fragment& b) {
        return a.breakLength == b.breakLength && a.joinsNext == b.joinsNext && a.text == b.text;
    };
    std::size_t front = 0, back = 0;
    while (front < pieces.size() && front < n.count && same(pieces[front], m_fragments[n.first + front]))
        ++front;
    while (back < pieces.size() - front && back < n.count - front
           && same(pieces[pieces.size() - 1 - back], m_fragments[n.first + n.count - 1 - back]))
        ++back;
    const std::size_t from = n.first + front, oldEnd = n.first + n.count - back;
    const std::size_t newCount = pieces.size() - front - back;
    if (newCount == oldEnd - from) {
        // Typing within paragraphs: the same fragments, new texts; the trees follow by deltas.
        for (std::size_t k = 0; k < newCount; ++k) {
            // Same structure: breaks stay breaks (only their form may change), joins stay.
            Fragment& f = m_fragments[from + k];
            f.text = std::move(pieces[front + k].text);
            f.breakLength = pieces[front + k].breakLength;
        }
        for (std::size_t f = sourceLineStart(from); f < std::max(from + newCount, from + 1) && f < m_fragments.size();
             f = sourceLineEnd(f))
            layOutSourceLine(f);
        return;
    }
    // Paragraphs added or taken away: splice, re-lay the paragraphs around, rebuild the trees.
    m_fragments.erase(m_fragments.begin() + std::ptrdiff_t(from), m_fragments.begin() + std::ptrdiff_t(oldEnd));
    m_fragments.insert(m_fragments.begin() + std::ptrdiff_t(from),
                       std::make_move_iterator(pieces.begin() + std::ptrdiff_t(front)),
                       std::make_move_iterator(pieces.begin() + std::ptrdiff_t(front + newCount)));
    const std::ptrdiff_t shift = std::ptrdiff_t(newCount) - std::ptrdiff_t(oldEnd - from);
    n.count = std::size_t(std::ptrdiff_t(n.count) + shift);
    for (std::size_t k = std::size_t(index) + 1; k < m_nodes.size(); ++k)
        m_nodes[k].first = std::size_t(std::ptrdiff_t(m_nodes[k].first) + shift);
    m_lineTree.clear();   // layOutSourceLine must not update them now
    const std::size_t stop = std::min(m_fragments.size(), from + std::max<std::size_t>(newCount, 1) + 1);
    for (std::size_t f = sourceLineStart(from == 0 ? 0 : from - 1); f < stop; f = sourceLineEnd(f))
        layOutSourceLine(f);
    rebuildTrees();
}

std::optional<ManuscriptMap::Place> ManuscriptMap::sheetStart(std::int64_t sheet) const
{
    if (sheet < 1 || m_nodes.empty())
        return std::nullopt;
    const std::int64_t target = (sheet - 1) * m_settings.horizontal;
    if (sheet > 1 && target >= total().lines)
        return std::nullopt;
    // The source line that holds the target line: the first fragment whose prefix passes it.
    std::size_t pos = 0;
    std::int64_t before = 0;
    for (std::size_t step = std::size_t(1) << 62; step > 0; step >>= 1)
        if (pos + step < m_lineTree.size() && before + m_lineTree[pos + step] <= target) {
            pos += step;
            before += m_lineTree[pos];
        }
    std::size_t f = std::min(pos, m_fragments.size() - 1);   // fragment index pos holds the line
    const std::size_t first = sourceLineStart(f), end = sourceLineEnd(f);
    const std::string line = sourceLineText(first, end);
    std::size_t offset = 0;
    bool found = false;
    counter::layOutManuscript(line.data(), line.size(), m_kinsoku, m_settings.vertical,
                              [&](const std::vector<counter::LaidCell>& cells) {
                                  if (!found && cells.front().line == target - before) {
                                      offset = cells.front().begin;
                                      found = true;
                                  }
                              });
    // From the source line's offset to a fragment, then to a node.
    for (f = first; f + 1 < end && offset >= m_fragments[f].text.size(); ++f)
        offset -= m_fragments[f].text.size();
    while (f < m_fragments.size() && m_fragments[f].node < 0) {
        ++f;
        offset = 0;
    }
    if (f == m_fragments.size())
        return Place{static_cast<int>(m_nodes.size()) - 1, 0};
    const int node = m_fragments[f].node;
    for (std::size_t k = m_nodes[std::size_t(node)].first; k < f; ++k)
        offset += m_fragments[k].text.size() + m_fragments[k].breakLength;
    return Place{node, offset};
}

}  // namespace penwick
