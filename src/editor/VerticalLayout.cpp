// SPDX-License-Identifier: GPL-3.0-or-later
#include "VerticalLayout.h"

#include "LineBreaker.h"
#include "RubyNotation.h"

#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace penwick {

namespace {

// Segment ends: after sentence marks or spaces, where shaping needs no context,
// so that an edit re-shapes only the sentence it touches.
bool endsSegment(QChar c)
{
    switch (c.unicode()) {
    case u'。': case u'、': case u'！': case u'？': case u'　': case u' ': case u'\t':
    case u'」': case u'』': case u'．': case u'，':
        return true;
    default:
        return false;
    }
}

bool startsCluster(QStringView s, int i)
{
    const QChar c = s[i], p = s[i - 1];
    if (c.isLowSurrogate() || p.isHighSurrogate() || p.unicode() == 0x200D)
        return false;
    const auto cat = c.category();
    if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining
        || cat == QChar::Mark_Enclosing || c.unicode() == 0x200D
        || (c.unicode() >= 0xFE00 && c.unicode() <= 0xFE0F) || c.unicode() == 0xFF9E
        || c.unicode() == 0xFF9F)
        return false;
    return true;
}

constexpr int kMinSegment = 48;
constexpr int kMaxSegment = 1024;

} // namespace

int ParaLayout::segmentOf(int cell) const
{
    auto it = std::upper_bound(segFirstCell.begin(), segFirstCell.end() - 1, cell);
    return int(it - segFirstCell.begin()) - 1;
}

const Cell& ParaLayout::cell(int index) const
{
    const int s = segmentOf(index);
    return segs[size_t(s)]->cells[size_t(index - segFirstCell[size_t(s)])];
}

int ParaLayout::cellStart(int index) const
{
    if (index >= cellCount())
        return length;
    const int s = segmentOf(index);
    return segs[size_t(s)]->start + segs[size_t(s)]->cells[size_t(index - segFirstCell[size_t(s)])].pos;
}

int ParaLayout::cellEnd(int index) const
{
    return cellStart(index + 1);
}

int ParaLayout::cellAt(int displayPos) const
{
    if (displayPos >= length || segs.empty())
        return cellCount();
    auto sit = std::upper_bound(segs.begin(), segs.end(), displayPos,
                                [](int p, const std::unique_ptr<Segment>& s) { return p < s->start; });
    const size_t s = size_t(sit - segs.begin()) - 1;
    const auto& cells = segs[s]->cells;
    const int local = displayPos - segs[s]->start;
    auto cit = std::upper_bound(cells.begin(), cells.end(), local,
                                [](int p, const Cell& c) { return p < c.pos; });
    return segFirstCell[s] + int(cit - cells.begin()) - 1;
}

VerticalLayout::VerticalLayout(QTextDocument* doc, const QFont& font) : m_doc(doc)
{
    setFont(font);
}

VerticalLayout::~VerticalLayout() = default;

void VerticalLayout::setFont(const QFont& font)
{
    m_font = font;
    m_shaper = std::make_unique<GlyphShaper>(font);
    m_shaper->setTateChuYoko(m_tateChuYoko);
    m_pitch = std::round(m_shaper->em() * (1 + m_lineGap));
    resetAll();
}

void VerticalLayout::setLineGap(qreal ems)
{
    m_lineGap = std::clamp(ems, 0.0, 4.0);
    m_pitch = std::round(m_shaper->em() * (1 + m_lineGap));
    m_prefixDirty = true;
}

void VerticalLayout::setVertical(bool vertical)
{
    if (vertical == m_vertical)
        return;
    m_vertical = vertical;
    resetAll();
}

void VerticalLayout::setTateChuYoko(int digits)
{
    m_shaper->setTateChuYoko(digits);
    if (m_shaper->tateChuYoko() == m_tateChuYoko)
        return;
    m_tateChuYoko = m_shaper->tateChuYoko();
    resetAll();
}

void VerticalLayout::setLineLength(qreal length)
{
    length = std::max(length, em());
    if (length == m_lineLength)
        return;
    m_lineLength = length;
    for (Slot& s : m_paras) {
        if (s.layout) {
            rebreak(*s.layout);
            s.lines = s.layout->lineCount()
                + (s.layout->complete() ? 0 : estimate(s.layout->length - s.layout->shaped));
        } else {
            s.lines = estimate(s.length);
        }
    }
    m_prefixDirty = true;
}

int VerticalLayout::estimate(int length) const
{
    const int perLine = std::max(1, int(m_lineLength / em()));
    return std::max(1, (length + perLine - 1) / perLine);
}

void VerticalLayout::resetAll()
{
    m_paras.clear();
    m_paras.resize(size_t(m_doc->blockCount()));
    size_t i = 0;
    for (QTextBlock b = m_doc->begin(); b.isValid() && i < m_paras.size(); b = b.next(), ++i) {
        m_paras[i].length = b.length() - 1;
        m_paras[i].lines = estimate(m_paras[i].length);
    }
    m_unlaid = int(m_paras.size());
    m_idleNext = 0;
    m_prefixDirty = true;
}

void VerticalLayout::documentChanged(int pos, int removed, int added)
{
    // The widget shows the preedit again where the caret now is; the paragraph
    // that showed it must be laid out again without it.
    const int preeditBlock = m_preeditBlock;
    m_preedit.clear();
    m_preeditBlock = -1;
    const int oldCount = int(m_paras.size());
    const int newCount = m_doc->blockCount();
    const int first = blockOf(pos);
    QTextBlock lastBlock = m_doc->findBlock(pos + added);
    const int last = lastBlock.isValid() ? lastBlock.blockNumber() : newCount - 1;
    const int newRange = last - first + 1;
    const int oldRange = newRange - (newCount - oldCount);
    if (first < 0 || oldRange < 1 || first + oldRange > oldCount) {
        resetAll();
        return;
    }
    if (preeditBlock >= 0 && (preeditBlock < first || preeditBlock >= first + oldRange))
        dropLayout(preeditBlock); // still numbered as before the change
    if (oldRange == 1 && newRange == 1 && m_paras[size_t(first)].layout && preeditBlock != first) {
        editInPlace(first, pos - blockPosition(first), removed, added);
        m_prefixDirty = true;
        m_idleNext = std::min(m_idleNext, first);
        return;
    }
    // The old layouts' segments are offered to the new paragraphs: text that did
    // not change keeps its shaping.
    std::vector<std::unique_ptr<Segment>> donors;
    for (int i = first; i < first + oldRange; ++i) {
        Slot& s = m_paras[size_t(i)];
        if (!s.layout || !s.layout->complete())
            --m_unlaid;
        if (s.layout) {
            for (auto& seg : s.layout->segs)
                donors.push_back(std::move(seg));
            for (auto& entry : s.layout->pool)
                donors.push_back(std::move(entry.second));
            for (auto& seg : s.layout->suffix)
                donors.push_back(std::move(seg)); // null where already taken
        }
    }
    m_paras.erase(m_paras.begin() + first, m_paras.begin() + first + oldRange);
    std::vector<Slot> fresh(static_cast<size_t>(newRange));
    m_paras.insert(m_paras.begin() + first, std::make_move_iterator(fresh.begin()),
                   std::make_move_iterator(fresh.end()));
    QTextBlock b = m_doc->findBlockByNumber(first);
    for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) {
        m_paras[size_t(i)].length = b.length() - 1;
        m_paras[size_t(i)].lines = estimate(m_paras[size_t(i)].length);
    }
    m_unlaid += newRange;
    m_prefixDirty = true;
    if (newRange <= 4 && !donors.empty()) {
        // Splitting a paragraph keeps the shaping of both halves.
        std::vector<std::unique_ptr<Segment>> leftovers;
        m_leftovers = &leftovers;
        for (int i = first; i <= last && !donors.empty(); ++i) {
            layoutBlock(i, &donors);
            donors = std::move(leftovers);
            leftovers.clear();
        }
        m_leftovers = nullptr;
    }
    m_idleNext = std::min(m_idleNext, first);
}

void VerticalLayout::dropLayout(int block)
{
    if (block < 0 || block >= blockCount())
        return;
    Slot& s = m_paras[size_t(block)];
    if (!s.layout)
        return;
    if (s.layout->done)
        ++m_unlaid;
    s.layout.reset();
    s.lines = estimate(s.length);
    m_prefixDirty = true;
    m_idleNext = std::min(m_idleNext, block);
}

void VerticalLayout::setPreedit(int docPos, const QString& text)
{
    const int oldBlock = m_preeditBlock;
    m_preedit = text;
    m_preeditBlock = text.isEmpty() ? -1 : blockOf(docPos);
    m_preeditLocal = text.isEmpty() ? 0 : docPos - blockPosition(m_preeditBlock);
    for (int b : {oldBlock, m_preeditBlock}) {
        if (b < 0 || b >= blockCount())
            continue;
        std::vector<std::unique_ptr<Segment>> donors;
        Slot& s = m_paras[size_t(b)];
        if (s.layout) {
            if (s.layout->complete())
                ++m_unlaid;
            for (auto& seg : s.layout->segs)
                donors.push_back(std::move(seg));
            for (auto& entry : s.layout->pool)
                donors.push_back(std::move(entry.second));
            for (auto& seg : s.layout->suffix)
                donors.push_back(std::move(seg)); // null where already taken
            s.layout.reset();
        }
        layoutBlock(b, &donors);
    }
}

// Re-breaks from a line on: earlier lines are final as they are.
void VerticalLayout::rebreak(ParaLayout& p, int fromLine)
{
    fromLine = std::clamp(fromLine, 0, p.lineCount() - 1);
    const int fromCell = p.lineFirstCell[size_t(fromLine)];
    std::vector<Cell*> cells;
    cells.reserve(size_t(p.cellCount() - fromCell));
    for (int s = std::max(0, p.segmentOf(fromCell)); s < int(p.segs.size()); ++s) {
        auto& seg = *p.segs[size_t(s)];
        for (size_t k = size_t(std::max(0, fromCell - p.segFirstCell[size_t(s)])); k < seg.cells.size(); ++k)
            cells.push_back(&seg.cells[k]);
    }
    const auto starts = LineBreaker::breakLines(cells, float(m_lineLength), float(em()));
    p.lineFirstCell.resize(size_t(fromLine));
    for (int start : starts)
        p.lineFirstCell.push_back(fromCell + start);
    for (Cell* c : cells)
        c->line += fromLine;
}

void VerticalLayout::layoutBlock(int block, std::vector<std::unique_ptr<Segment>>* donors)
{
    Slot& slot = m_paras[size_t(block)];
    if (slot.layout)
        return;
    auto p = std::make_unique<ParaLayout>();
    p->text = m_doc->findBlockByNumber(block).text();
    if (block == m_preeditBlock)
        p->text.insert(m_preeditLocal, m_preedit);
    p->length = int(p->text.size());
    if (donors) {
        for (auto& seg : *donors)
            if (seg)
                p->pool.emplace(seg->key, std::move(seg));
    }
    slot.layout = std::move(p);
    continueBlock(block);
}

// Shapes the next chunk of a paragraph (reusing pieces of its old text where they
// match) and breaks its lines from the last, still open one.
void VerticalLayout::continueBlock(int block)
{
    constexpr int kChunk = 8192;
    Slot& slot = m_paras[size_t(block)];
    ParaLayout& p = *slot.layout;
    if (p.done)
        return;
    const QStringView view(p.text);
    auto addSegment = [&](int start, int end) {
        const size_t key = qHash(view.mid(start, end - start)) ^ size_t(end - start);
        std::unique_ptr<Segment> seg = reusable(p, start, end - start, key);
        if (seg) {
            seg->start = start;
        } else {
            seg = std::make_unique<Segment>();
            m_shaper->shape(view, start, end - start, m_vertical, seg.get());
            seg->key = key;
        }
        // A reused piece had other text before it: whether a break precedes it depends
        // on this text.
        if (!seg->cells.empty()) {
            if (m_shaper->breaksBefore(view, start))
                seg->cells.front().flags |= BreakBefore;
            else
                seg->cells.front().flags &= quint8(~BreakBefore);
        }
        p.segFirstCell.push_back(p.segFirstCell.back() + int(seg->cells.size()));
        p.segs.push_back(std::move(seg));
        p.shaped = end;
    };
    const int n = p.length;
    const int goal = std::min(n, p.shaped + kChunk);
    int segStart = p.shaped;
    for (int i = segStart + 1; i < n && segStart < goal; ++i) {
        const int len = i - segStart;
        if (((len >= kMinSegment && endsSegment(view[i - 1])) || len >= kMaxSegment)
            && startsCluster(view, i)) {
            addSegment(segStart, i);
            segStart = i;
        }
    }
    if (segStart < goal || (segStart < n && n - segStart < kMinSegment))
        addSegment(segStart, n);
    rebreak(p, p.lineCount() - 1);
    if (p.complete()) {
        p.done = true;
        p.text = QString();
        p.suffix.clear();
        if (m_leftovers) {
            for (auto& entry : p.pool)
                m_leftovers->push_back(std::move(entry.second));
        }
        p.pool.clear();
        --m_unlaid;
        slot.lines = p.lineCount();
    } else {
        slot.lines = p.lineCount() + estimate(n - p.shaped);
    }
    m_prefixDirty = true;
}

// An old piece for the text at [start, start + length): first the one the edit
// left in place after it, else any with the same text.
std::unique_ptr<Segment> VerticalLayout::reusable(ParaLayout& p, int start, int length, size_t key)
{
    while (p.suffixNext < p.suffix.size() && p.suffix[p.suffixNext]->start + p.suffixShift < start)
        ++p.suffixNext;
    if (p.suffixNext < p.suffix.size()) {
        auto& next = p.suffix[p.suffixNext];
        if (next->start + p.suffixShift == start && next->length == length)
            return std::move(p.suffix[p.suffixNext++]);
    }
    auto it = p.pool.find(key);
    if (it == p.pool.end() || it->second->length != length)
        return nullptr;
    auto seg = std::move(it->second);
    p.pool.erase(it);
    return seg;
}

// An edit inside one paragraph: the pieces before it and the lines they fill stay
// as they are (but the last line or two, which kinsoku may change); the pieces after
// it come back where the text lines up again. Only the edited stretch is shaped.
void VerticalLayout::editInPlace(int block, int local, int removed, int added)
{
    Slot& slot = m_paras[size_t(block)];
    std::unique_ptr<ParaLayout> old = std::move(slot.layout);
    if (old->done)
        ++m_unlaid;
    auto p = std::make_unique<ParaLayout>();
    p->text = m_doc->findBlockByNumber(block).text();
    p->length = int(p->text.size());
    slot.length = p->length;

    size_t keep = 0; // pieces that end before the edit (their end was decided by unchanged text)
    while (keep < old->segs.size() && old->segs[keep]->start + old->segs[keep]->length < local)
        ++keep;
    int keepLines = 0;
    if (keep > 0) {
        const int lastKept = old->segFirstCell[keep] - 1;
        keepLines = std::max(0, old->cell(lastKept).line - 1);
    }
    p->lineFirstCell.assign(old->lineFirstCell.begin(), old->lineFirstCell.begin() + keepLines + 1);
    for (size_t i = 0; i < keep; ++i) {
        p->shaped = old->segs[i]->start + old->segs[i]->length;
        p->segFirstCell.push_back(p->segFirstCell.back() + int(old->segs[i]->cells.size()));
        p->segs.push_back(std::move(old->segs[i]));
    }
    p->suffixShift = added - removed;
    p->pool = std::move(old->pool);
    for (size_t i = keep; i < old->segs.size(); ++i) {
        auto& seg = old->segs[i];
        if (seg->start >= local + removed)
            p->suffix.push_back(std::move(seg));
        else
            p->pool.emplace(seg->key, std::move(seg));
    }
    for (auto& seg : old->suffix)
        if (seg && seg->start + old->suffixShift >= local + removed) {
            seg->start += old->suffixShift; // into this edit's coordinates
            p->suffix.push_back(std::move(seg));
        }
    std::sort(p->suffix.begin(), p->suffix.end(), [](const auto& a, const auto& b) { return a->start < b->start; });
    slot.layout = std::move(p);
    continueBlock(block);
}

const std::vector<NotationSpan>& VerticalLayout::notation(int block)
{
    layoutBlock(block, nullptr);
    ParaLayout& p = *m_paras[size_t(block)].layout;
    if (p.notation)
        return *p.notation;
    QString text = m_doc->findBlockByNumber(block).text();
    if (block == m_preeditBlock)
        text.insert(m_preeditLocal, m_preedit);
    const QByteArray utf8 = text.toUtf8();
    // UTF-8 offsets to UTF-16 positions, one entry per byte.
    std::vector<int> position(size_t(utf8.size()) + 1, 0);
    int unit = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        position[size_t(i)] = unit;
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) != 0x80)
            unit += c >= 0xF0 ? 2 : 1;
    }
    position[size_t(utf8.size())] = unit;
    std::vector<NotationSpan> spans;
    for (const notation::Mark& m : notation::Parse(std::string_view(utf8.constData(), size_t(utf8.size())))) {
        NotationSpan n;
        n.kind = int(m.kind);
        n.start = position[m.start];
        n.end = position[m.end];
        n.baseStart = position[m.baseStart];
        n.baseEnd = position[m.baseEnd];
        n.rubyStart = position[m.rubyStart];
        n.rubyEnd = position[m.rubyEnd];
        if (m.kind == notation::Kind::Ruby)
            n.reading = text.mid(n.rubyStart, n.rubyEnd - n.rubyStart);
        spans.push_back(std::move(n));
    }
    p.notation = std::move(spans);
    return *p.notation;
}

const ParaLayout& VerticalLayout::paragraph(int block)
{
    layoutBlock(block, nullptr);
    while (!m_paras[size_t(block)].layout->complete())
        continueBlock(block);
    return *m_paras[size_t(block)].layout;
}

const ParaLayout& VerticalLayout::paragraphThroughLine(int block, int line)
{
    layoutBlock(block, nullptr);
    ParaLayout& p = *m_paras[size_t(block)].layout;
    while (!p.complete() && line >= p.lineCount() - 1)
        continueBlock(block);
    return p;
}

const ParaLayout& VerticalLayout::paragraphThrough(int block, int display)
{
    layoutBlock(block, nullptr);
    ParaLayout& p = *m_paras[size_t(block)].layout;
    while (!p.complete() && (display >= p.shaped || p.cell(p.cellAt(display)).line >= p.lineCount() - 1))
        continueBlock(block);
    return p;
}

bool VerticalLayout::layoutSome(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    const int n = blockCount();
    while (m_unlaid > 0 && clock.elapsed() < budgetMs) {
        if (m_idleNext >= n)
            m_idleNext = 0;
        Slot& slot = m_paras[size_t(m_idleNext)];
        if (!slot.layout)
            layoutBlock(m_idleNext, nullptr);
        else if (!slot.layout->complete())
            continueBlock(m_idleNext);
        if (slot.layout->complete())
            ++m_idleNext;
    }
    return m_unlaid > 0;
}

void VerticalLayout::updatePrefix()
{
    if (!m_prefixDirty)
        return;
    m_lineStart.resize(m_paras.size() + 1);
    int sum = 0;
    for (size_t i = 0; i < m_paras.size(); ++i) {
        m_lineStart[i] = sum;
        sum += m_paras[i].lines;
    }
    m_lineStart.back() = sum;
    m_prefixDirty = false;
}

int VerticalLayout::totalLines()
{
    updatePrefix();
    return m_lineStart.back();
}

int VerticalLayout::firstLineOf(int block)
{
    updatePrefix();
    return m_lineStart[size_t(std::clamp(block, 0, blockCount()))];
}

int VerticalLayout::blockAtLine(int globalLine)
{
    updatePrefix();
    auto it = std::upper_bound(m_lineStart.begin(), m_lineStart.end() - 1, globalLine);
    return std::clamp(int(it - m_lineStart.begin()) - 1, 0, blockCount() - 1);
}

int VerticalLayout::blockOf(int docPos) const
{
    QTextBlock b = m_doc->findBlock(docPos);
    return b.isValid() ? b.blockNumber() : blockCount() - 1;
}

int VerticalLayout::blockPosition(int block) const
{
    return m_doc->findBlockByNumber(block).position();
}

int VerticalLayout::toDisplay(int block, int local) const
{
    if (block == m_preeditBlock && local >= m_preeditLocal)
        return local + preeditLength();
    return local;
}

int VerticalLayout::toLocal(int block, int display) const
{
    if (block != m_preeditBlock || display < m_preeditLocal)
        return display;
    return std::max(m_preeditLocal, display - preeditLength());
}

VerticalLayout::Place VerticalLayout::placeOfDisplay(int block, int display, bool lineEnd)
{
    const ParaLayout& p = paragraphThrough(block, display);
    const int first = firstLineOf(block);
    const int k = p.cellAt(display);
    const bool wrapEnd = lineEnd && k > 0 && k < p.cellCount() && p.cell(k).line != p.cell(k - 1).line;
    if (k >= p.cellCount() || wrapEnd) {
        if (k == 0)
            return {first, 0, float(em())};
        const Cell& c = p.cell(k - 1);
        return {first + c.line, c.u + c.advance, float(em())};
    }
    const Cell& c = p.cell(k);
    return {first + c.line, c.u, c.advance};
}

VerticalLayout::Place VerticalLayout::placeOf(int docPos, bool lineEnd)
{
    const int block = blockOf(docPos);
    return placeOfDisplay(block, toDisplay(block, docPos - blockPosition(block)), lineEnd);
}

int VerticalLayout::hitTest(int globalLine, float u, bool* lineEnd)
{
    const int block = blockAtLine(std::clamp(globalLine, 0, std::max(0, totalLines() - 1)));
    const ParaLayout& p = paragraphThroughLine(block, globalLine - firstLineOf(block));
    const int line = std::clamp(globalLine - firstLineOf(block), 0, p.lineCount() - 1);
    int display = p.length;
    const int end = p.lineEndCell(line);
    for (int k = p.lineFirstCell[size_t(line)]; k < end; ++k) {
        const Cell& c = p.cell(k);
        if (u < c.u + c.advance / 2 || (c.flags & ForcedBreak)) {
            display = p.cellStart(k);
            break;
        }
        display = p.cellEnd(k);
    }
    if (lineEnd)
        *lineEnd = line + 1 < p.lineCount() && display == p.cellStart(end);
    return blockPosition(block) + toLocal(block, display);
}

int VerticalLayout::lineStartPos(int globalLine)
{
    const int block = blockAtLine(globalLine);
    const ParaLayout& p = paragraphThroughLine(block, globalLine - firstLineOf(block));
    const int line = std::clamp(globalLine - firstLineOf(block), 0, p.lineCount() - 1);
    return blockPosition(block) + toLocal(block, p.cellStart(p.lineFirstCell[size_t(line)]));
}

int VerticalLayout::lineEndPos(int globalLine, bool* lineEnd)
{
    const int block = blockAtLine(globalLine);
    const ParaLayout& p = paragraphThroughLine(block, globalLine - firstLineOf(block));
    const int line = std::clamp(globalLine - firstLineOf(block), 0, p.lineCount() - 1);
    int end = p.lineEndCell(line);
    // A line separator ends its line: the end is before it, as at a paragraph's end.
    const bool separated = end > p.lineFirstCell[size_t(line)] && (p.cell(end - 1).flags & ForcedBreak);
    if (separated)
        --end;
    if (lineEnd)
        *lineEnd = line + 1 < p.lineCount() && !separated;
    return blockPosition(block) + toLocal(block, p.cellStart(end));
}

int VerticalLayout::nextCursorPos(int docPos)
{
    const int block = blockOf(docPos);
    const int local = docPos - blockPosition(block);
    const int display = toDisplay(block, local);
    const ParaLayout& p = paragraphThrough(block, display);
    if (display >= p.length)
        return std::min(docPos + 1, m_doc->characterCount() - 1);
    return blockPosition(block) + toLocal(block, p.cellEnd(p.cellAt(display)));
}

int VerticalLayout::previousCursorPos(int docPos)
{
    const int block = blockOf(docPos);
    const int local = docPos - blockPosition(block);
    if (local == 0)
        return std::max(0, docPos - 1);
    const int display = toDisplay(block, local);
    const ParaLayout& p = paragraphThrough(block, display);
    return blockPosition(block) + toLocal(block, p.cellStart(p.cellAt(display - 1)));
}

} // namespace penwick
