// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManuscriptMap.h"

#include "ManuscriptCounter.h"
#include "ManuscriptLayout.h"
#include "TextAssembly.h"

#include <algorithm>

namespace penwick {

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
// LS, PS); always at least one, the last with no break after it. A byte scan: every break
// but NEL, LS and PS is one byte below 0x80, and those three start with a lead byte (C2,
// E2) that no other sequence can swallow, so the scan finds exactly what decoding would.
std::vector<ManuscriptMap::Piece> ManuscriptMap::Pieces(std::string_view text)
{
    std::vector<Piece> out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        std::size_t length = 0;
        if (b >= 0x0A && b <= 0x0D)
            length = b == 0x0D && i + 1 < n && p[i + 1] == 0x0A ? 2 : 1;
        else if (b == 0xC2 && i + 1 < n && p[i + 1] == 0x85)
            length = 2;
        else if (b == 0xE2 && i + 2 < n && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9))
            length = 3;
        if (length == 0)
            continue;
        out.push_back({text.substr(start, i - start), std::uint8_t(length)});
        i += length - 1;
        start = i + 1;
    }
    out.push_back({text.substr(start), 0});
    return out;
}

std::vector<ManuscriptMap::Fragment> ManuscriptMap::Split(std::string_view text, int node)
{
    std::vector<Fragment> out;
    for (const Piece& piece : Pieces(text))
        out.push_back({std::string(piece.text), node, piece.breakLength});
    return out;
}

void ManuscriptMap::build(std::string_view text, const std::vector<TextSpan>& spans)
{
    m_blocks.clear();
    m_nodeBlock.clear();
    m_nodeHandles.clear();
    std::size_t at = 0;
    // A region's last piece runs into the next region unless the text ends there.
    auto append = [&](std::string_view region, int node) {
        Block block{node, Split(region, node)};
        if (node < 0 && block.fragments.back().text.empty() && at + region.size() < text.size())
            block.fragments.pop_back();   // an empty piece joined to the next one adds nothing
        at += region.size();
        if (block.fragments.empty())
            return;
        block.fragments.back().joinsNext = block.fragments.back().breakLength == 0 && at < text.size();
        m_blocks.push_back(std::move(block));
    };
    for (const TextSpan& span : spans) {
        if (span.begin > at)
            append(text.substr(at, span.begin - at), -1);
        m_nodeBlock.push_back(m_blocks.size());
        m_nodeHandles.push_back(span.node);
        append(text.substr(span.begin, span.length), static_cast<int>(m_nodeBlock.size() - 1));
    }
    if (at < text.size() || m_blocks.empty())
        append(text.substr(at), -1);
    m_lineTree.clear();   // built below, from the blocks' sums
    bool atEnd = false;
    for (Ref r; !atEnd;)
        r = layOutSourceLine(r, &atEnd, nullptr);
    const std::size_t n = m_blocks.size();
    m_lineTree.assign(n + 1, 0);
    m_charTree.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {   // linear-time Fenwick build
        updateBlockSums(i - 1);
        m_lineTree[i] += m_blocks[i - 1].lines;
        m_charTree[i] += m_blocks[i - 1].chars;
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n) {
            m_lineTree[parent] += m_lineTree[i];
            m_charTree[parent] += m_charTree[i];
        }
    }
}

// The lines a paragraph of `walked` lines takes: even an empty one takes a line, except
// the text's last, which takes one only when it holds a cell (a final break opens no line).
std::int64_t ManuscriptMap::LinesTaken(std::int64_t walked, bool last)
{
    return last ? walked : std::max<std::int64_t>(walked, 1);
}

ManuscriptLength ManuscriptMap::laidAlone(std::string_view text) const
{
    const counter::WalkTotals walked = counter::walkTotals(text.data(), text.size(), m_kinsoku, m_settings.vertical);
    return {walked.lines, walked.chars};
}

bool ManuscriptMap::next(Ref& r) const
{
    if (r.index + 1 < m_blocks[r.block].fragments.size()) {
        ++r.index;
        return true;
    }
    if (r.block + 1 < m_blocks.size()) {
        r = {r.block + 1, 0};
        return true;
    }
    return false;
}

ManuscriptMap::Ref ManuscriptMap::sourceLineStart(Ref r) const
{
    for (;;) {
        Ref before = r;
        if (r.index > 0)
            --before.index;
        else if (r.block > 0)
            before = {r.block - 1, m_blocks[r.block - 1].fragments.size() - 1};
        else
            return r;
        if (!at(before).joinsNext)
            return r;
        r = before;
    }
}

std::string ManuscriptMap::sourceLineText(Ref r) const
{
    std::string text = at(r).text;
    while (at(r).joinsNext && next(r))
        text += at(r).text;
    return text;
}

ManuscriptMap::Ref ManuscriptMap::layOutSourceLine(Ref first, bool* atEnd, std::vector<std::size_t>* touched)
{
    Ref r = first;
    bool single = true;
    while (at(r).joinsNext && next(r))
        single = false;
    Ref after = r;
    *atEnd = !next(after);
    const bool last = *atEnd && at(r).breakLength == 0;
    // One walk for a paragraph of one fragment; joined fragments are also walked each.
    const ManuscriptLength laid = laidAlone(single ? at(first).text : sourceLineText(first));
    for (Ref f = first;; next(f)) {
        Fragment& fragment = at(f);
        const ManuscriptLength alone = single ? laid : laidAlone(fragment.text);
        fragment.lines = f == first ? LinesTaken(laid.lines, last) : 0;
        fragment.chars = alone.chars;
        fragment.aloneLines = alone.lines;
        if (touched && (touched->empty() || touched->back() != f.block))
            touched->push_back(f.block);
        if (f == r)
            break;
    }
    return after;
}

void ManuscriptMap::updateBlockSums(std::size_t block)
{
    Block& b = m_blocks[block];
    b.lines = b.chars = 0;
    for (const Fragment& f : b.fragments) {
        b.lines += f.lines;
        b.chars += f.chars;
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

std::int64_t ManuscriptMap::linesBefore(Ref r) const
{
    std::int64_t lines = prefix(m_lineTree, r.block);
    for (std::size_t k = 0; k < r.index; ++k)
        lines += m_blocks[r.block].fragments[k].lines;
    return lines;
}

ManuscriptLength ManuscriptMap::total() const
{
    return {prefix(m_lineTree, m_blocks.size()), prefix(m_charTree, m_blocks.size())};
}

int ManuscriptMap::nodeIndex(DomNode node) const
{
    for (std::size_t i = 0; i < m_nodeHandles.size(); ++i)
        if (m_nodeHandles[i] == node)
            return static_cast<int>(i);
    return -1;
}

ManuscriptLength ManuscriptMap::nodeLength(int index) const
{
    const std::vector<Fragment>& fragments = m_blocks[m_nodeBlock[std::size_t(index)]].fragments;
    ManuscriptLength length;
    for (std::size_t f = 0; f < fragments.size(); ++f) {
        // Alone, the node's paragraphs are its source lines; its last ends the text.
        length.lines += LinesTaken(fragments[f].aloneLines, f + 1 == fragments.size());
        length.chars += fragments[f].chars;
    }
    return length;
}

SheetPosition ManuscriptMap::positionOf(int index, std::size_t offset) const
{
    const std::size_t block = m_nodeBlock[std::size_t(index)];
    const std::vector<Fragment>& fragments = m_blocks[block].fragments;
    // The fragment that holds the offset, and the offset in its source line.
    std::size_t i = 0;
    for (; i + 1 < fragments.size(); ++i) {
        const std::size_t size = fragments[i].text.size() + fragments[i].breakLength;
        if (offset < size)
            break;
        offset -= size;
    }
    offset = std::min(offset, fragments[i].text.size());
    const Ref first = sourceLineStart({block, i});
    for (Ref k = first; !(k == Ref{block, i}); next(k))
        offset += at(k).text.size();
    const std::string line = sourceLineText(first);

    std::int64_t within = 0, cell = 0;
    bool found = false;
    counter::layOutManuscript(line.data(), line.size(), m_kinsoku, m_settings.vertical,
                              [&](const std::vector<counter::LaidCell>& cells) {
                                  for (const counter::LaidCell& c : cells) {
                                      if (found)
                                          return;
                                      within = c.line;
                                      cell = c.cell;
                                      found = offset < c.end;
                                  }
                              });
    // Past the paragraph's last character: the cell after it, on its line.
    if (!found && !line.empty())
        ++cell;
    cell = std::min<std::int64_t>(cell, m_settings.vertical - 1);   // a hanging mark: the line's last cell
    const std::int64_t lineIndex = linesBefore(first) + within;
    return {lineIndex / m_settings.horizontal + 1, lineIndex % m_settings.horizontal + 1, cell + 1};
}

void ManuscriptMap::setNodeText(int index, std::string_view text)
{
    const std::size_t block = m_nodeBlock[std::size_t(index)];
    std::vector<Fragment>& fragments = m_blocks[block].fragments;
    const std::vector<Piece> pieces = Pieces(text);
    // Only what differs: the pieces equal at the front and at the back stay, with their
    // figures (the last piece keeps the node's join to what follows).
    auto same = [&](const Piece& p, const Fragment& f) { return p.breakLength == f.breakLength && p.text == f.text; };
    std::size_t front = 0, back = 0;
    while (front < pieces.size() && front < fragments.size() && same(pieces[front], fragments[front]))
        ++front;
    while (back < pieces.size() - front && back < fragments.size() - front
           && same(pieces[pieces.size() - 1 - back], fragments[fragments.size() - 1 - back]))
        ++back;
    if (front == pieces.size() && front == fragments.size())
        return;   // nothing changed
    const std::size_t oldEnd = fragments.size() - back, newCount = pieces.size() - front - back;
    const bool joinsNext = fragments.back().joinsNext;
    std::vector<Fragment> added;
    added.reserve(newCount);
    for (std::size_t k = front; k < front + newCount; ++k)
        added.push_back({std::string(pieces[k].text), index, pieces[k].breakLength});
    fragments.erase(fragments.begin() + std::ptrdiff_t(front), fragments.begin() + std::ptrdiff_t(oldEnd));
    fragments.insert(fragments.begin() + std::ptrdiff_t(front), std::make_move_iterator(added.begin()),
                     std::make_move_iterator(added.end()));
    fragments.back().joinsNext = joinsNext;
    // Re-lay the source lines from the one before the change (whose end may have moved) to
    // the first one after it.
    Ref r = sourceLineStart({block, front > 0 ? front - 1 : 0});
    const Ref stop{block, std::min(front + newCount, fragments.size() - 1)};
    std::vector<std::size_t> touched;
    bool atEnd = false;
    do   // until the source line just laid held the stop fragment
        r = layOutSourceLine(r, &atEnd, &touched);
    while (!atEnd && (r.block < stop.block || (r.block == stop.block && r.index <= stop.index)));
    for (const std::size_t b : touched) {
        const std::int64_t lines = m_blocks[b].lines, chars = m_blocks[b].chars;
        updateBlockSums(b);
        add(m_lineTree, b, m_blocks[b].lines - lines);
        add(m_charTree, b, m_blocks[b].chars - chars);
    }
}

std::optional<ManuscriptMap::Place> ManuscriptMap::sheetStart(std::int64_t sheet) const
{
    if (sheet < 1 || m_nodeBlock.empty())
        return std::nullopt;
    const std::int64_t target = (sheet - 1) * m_settings.horizontal;
    if (sheet > 1 && target >= total().lines)
        return std::nullopt;
    // The block, then the fragment, whose lines pass the target line.
    std::size_t pos = 0;
    std::int64_t before = 0;
    for (std::size_t step = std::size_t(1) << 62; step > 0; step >>= 1)
        if (pos + step < m_lineTree.size() && before + m_lineTree[pos + step] <= target) {
            pos += step;
            before += m_lineTree[pos];
        }
    Ref f{std::min(pos, m_blocks.size() - 1), 0};
    while (before + at(f).lines <= target && f.index + 1 < m_blocks[f.block].fragments.size())
        before += m_blocks[f.block].fragments[f.index++].lines;
    const std::string line = sourceLineText(f);
    std::size_t offset = 0;
    bool found = false;
    counter::layOutManuscript(line.data(), line.size(), m_kinsoku, m_settings.vertical,
                              [&](const std::vector<counter::LaidCell>& cells) {
                                  if (!found && cells.front().line == target - before) {
                                      offset = cells.front().begin;
                                      found = true;
                                  }
                              });
    // From the source line's offset to a fragment, then to a node's text.
    while (offset >= at(f).text.size() && at(f).joinsNext && offset > 0) {
        offset -= at(f).text.size();
        next(f);
    }
    while (at(f).node < 0) {
        if (!next(f))
            return Place{nodeCount() - 1, 0, 0, 0};
        offset = 0;
    }
    Place place{at(f).node, offset, f.index, offset};
    for (std::size_t k = 0; k < f.index; ++k)
        place.offset += m_blocks[f.block].fragments[k].text.size() + m_blocks[f.block].fragments[k].breakLength;
    return place;
}

std::size_t ManuscriptMap::OffsetOf(std::string_view text, std::size_t paragraph, std::size_t column)
{
    std::size_t start = 0;
    for (const Piece& p : Pieces(text)) {
        if (paragraph-- == 0)
            return start + std::min(column, p.text.size());
        start += p.text.size() + p.breakLength;
    }
    return text.size();
}

}  // namespace penwick
