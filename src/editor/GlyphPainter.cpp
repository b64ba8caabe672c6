// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlyphPainter.h"

#include "RubyNotation.h"
#include "VerticalLayout.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>

namespace penwick {

GlyphPainter::Batch& GlyphPainter::batchFor(const ShapedGlyph& glyph, bool selected, int style)
{
    for (Batch& b : m_batches)
        if (b.font == glyph.font && b.rotated == glyph.rotated && b.width == glyph.width && b.selected == selected
            && b.style == style)
            return b;
    m_batches.push_back({glyph.font, glyph.rotated, glyph.width, selected, style, {}, {}});
    return m_batches.back();
}

namespace {

// How a cell at display position pos is drawn: 0 text, 1 a notation mark, 2 a reading.
int NotationStyle(const std::vector<NotationSpan>& spans, int pos)
{
    const auto it = std::upper_bound(spans.begin(), spans.end(), pos,
                                     [](int p, const NotationSpan& s) { return p < s.end; });
    if (it == spans.end() || pos < it->start)
        return 0;
    if (pos >= it->baseStart && pos < it->baseEnd)
        return 0;
    if (pos >= it->rubyStart && pos < it->rubyEnd)
        return 2;
    return 1;
}

}  // namespace

void GlyphPainter::paint(QPainter& painter, VerticalLayout& layout, const ViewGeometry& view,
                         const QRect& dirty, const Marks& marks)
{
    const int first = std::max(0, view.lineAt(view.vertical ? dirty.right() : dirty.top()));
    const int last = std::min(layout.totalLines() - 1, view.lineAt(view.vertical ? dirty.left() : dirty.bottom()));
    for (int b = layout.blockAtLine(first); first <= last && b < layout.blockCount(); ++b) {
        const int firstLine = layout.firstLineOf(b);
        if (firstLine > last)
            break;
        const ParaLayout& p = layout.paragraphThroughLine(b, last - firstLine);
        for (int l = std::max(0, first - firstLine); l < p.lineCount() && firstLine + l <= last; ++l)
            paintLine(painter, layout, view, b, l, marks);
    }
}

void GlyphPainter::paintLine(QPainter& painter, VerticalLayout& layout, const ViewGeometry& view, int block,
                             int l, const Marks& marks)
{
    const ParaLayout& p = layout.paragraphThroughLine(block, l);
    const int lineNumber = layout.firstLineOf(block) + l;
    const QRectF line = view.lineRect(lineNumber);
    const int bpos = layout.blockPosition(block);
    // The selection reaches this block only when it is not empty, starts no later than the
    // block's end (its line break counts) and ends after its start; clamped otherwise, the
    // end of every block before a caret would look selected.
    const int localA = marks.selectionStart - bpos, localB = marks.selectionEnd - bpos;
    const bool reaches = marks.selectionStart < marks.selectionEnd && localA <= layout.toLocal(block, p.length) && localB > 0;
    const int selA = reaches ? layout.toDisplay(block, std::clamp(localA, 0, p.length)) : 0;
    const int selB = reaches ? layout.toDisplay(block, std::clamp(localB, 0, p.length + 1)) : 0;
    const bool hasPreedit = block == layout.preeditBlock();
    const int preA = layout.preeditLocal(), preB = preA + layout.preeditLength();
    const bool vertical = view.vertical;
    static const std::vector<NotationSpan> none;
    const std::vector<NotationSpan>& spans = marks.ruby ? layout.notation(block) : none;

    for (Batch& batch : m_batches) {
        batch.ids.clear();
        batch.positions.clear();
    }
    for (int k = p.lineFirstCell[size_t(l)], end = p.lineEndCell(l); k < end; ++k) {
        const Cell& c = p.cell(k);
        const Segment& seg = p.segmentOfCell(k);
        const int pos = seg.start + c.pos;
        const bool selected = selA < selB && pos >= selA && pos < selB;
        const QRectF cell = view.cellRect(lineNumber, c.u, c.advance);
        if (selected)
            painter.fillRect(vertical ? cell.adjusted(-2, 0, 2, 0) : cell.adjusted(0, -2, 0, 2), marks.highlight);
        if (c.flags & Missing) {
            painter.setPen(marks.text);
            painter.drawRect(cell.adjusted(2, 2, -2, -2));
        }
        if (hasPreedit && pos >= preA && pos < preB) {
            const bool focus = std::any_of(marks.preeditFocus.begin(), marks.preeditFocus.end(), [&](const auto& r) {
                return pos - preA >= r.first && pos - preA < r.first + r.second;
            });
            painter.setPen(QPen(marks.text, focus ? 3 : 1));
            if (vertical) // on the right of the column, where 傍線 go
                painter.drawLine(QPointF(cell.right() + 2, cell.top()), QPointF(cell.right() + 2, cell.bottom()));
            else
                painter.drawLine(QPointF(cell.left(), cell.bottom() + 2), QPointF(cell.right(), cell.bottom() + 2));
        }
        const int style = spans.empty() ? 0 : NotationStyle(spans, pos);
        for (int g = c.firstGlyph; g < c.firstGlyph + c.glyphCount; ++g) {
            const ShapedGlyph& sg = seg.glyphs[size_t(g)];
            const QPointF origin = sg.rotated ? ViewGeometry::rotatedOrigin(c, sg) : view.glyphOrigin(line, c, sg);
            if (style == 1) {   // a bar or bracket of the notation: small, about its cell's centre
                const QPointF centre = cell.center();
                painter.save();
                painter.translate(centre);
                painter.scale(0.6, 0.6);
                painter.translate(-centre);
                if (sg.rotated)
                    painter.setTransform(view.rotatedFrame(line), true);
                QGlyphRun run;
                run.setRawFont(layout.shaper().rawFont(sg.font));
                run.setGlyphIndexes({sg.id});
                run.setPositions({origin});
                painter.setPen(selected ? marks.highlightedText : marks.notation);
                painter.drawGlyphRun(QPointF(0, 0), run);
                painter.restore();
                continue;
            }
            Batch& batch = batchFor(sg, selected, style);
            batch.ids.append(sg.id);
            batch.positions.append(origin);
        }
    }
    // A selected paragraph end shows as a narrow box after the last character.
    if (l == p.lineCount() - 1 && selA < selB && p.length >= selA && p.length < selB) {
        const int end = p.lineEndCell(l);
        const qreal u = end > p.lineFirstCell[size_t(l)] ? p.cell(end - 1).u + p.cell(end - 1).advance : 0;
        const QRectF cell = view.cellRect(lineNumber, u, view.em / 3);
        painter.fillRect(vertical ? cell.adjusted(-2, 0, 2, 0) : cell.adjusted(0, -2, 0, 2), marks.highlight);
    }
    for (const Batch& batch : m_batches) {
        if (batch.ids.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(layout.shaper().rawFont(batch.font));
        run.setGlyphIndexes(batch.ids);
        run.setPositions(batch.positions);
        painter.setPen(batch.selected ? marks.highlightedText : batch.style == 2 ? marks.notation : marks.text);
        if (batch.rotated || batch.width != 100) {
            painter.save();
            painter.setTransform(batch.rotated ? view.rotatedFrame(line) : ViewGeometry::squeezedFrame(line, batch.width),
                                 true);
            painter.drawGlyphRun(QPointF(0, 0), run);
            painter.restore();
        } else {
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
    if (!spans.empty())
        paintRuby(painter, view, p, lineNumber, l, spans, marks);
}

// Each ruby's reading, half size, beside the part of its base on this line (right of a
// column, above a horizontal line), centred on it; a sesame dot beside each emphasised
// character.
void GlyphPainter::paintRuby(QPainter& painter, const ViewGeometry& view, const ParaLayout& p, int lineNumber, int l,
                             const std::vector<NotationSpan>& spans, const Marks& marks)
{
    const int first = p.lineFirstCell[size_t(l)], end = p.lineEndCell(l);
    if (first >= end)
        return;
    const int lineStart = p.cellStart(first), lineEnd = p.cellEnd(end - 1);
    const qreal size = view.em / 2;
    QFont font = painter.font();
    font.setPixelSize(std::max(1, int(size)));
    painter.save();
    painter.setFont(font);
    painter.setPen(marks.text);
    for (const NotationSpan& s : spans) {
        if (s.kind == int(notation::Kind::Escape) || s.baseStart >= lineEnd || s.baseEnd <= lineStart)
            continue;
        const int a = p.cellAt(std::max(s.baseStart, lineStart)), b = p.cellAt(std::min(s.baseEnd, lineEnd) - 1);
        if (s.kind == int(notation::Kind::Emphasis)) {   // a sesame dot beside each character
            for (int k = a; k <= b; ++k) {
                const QRectF cell = view.cellRect(lineNumber, p.cell(k).u, p.cell(k).advance);
                const QRectF box = view.vertical ? QRectF(cell.right(), cell.center().y() - size / 2, size, size)
                                                 : QRectF(cell.center().x() - size / 2, cell.top() - size, size, size);
                painter.drawText(box, Qt::AlignCenter, QStringLiteral("\uFE45"));
            }
            continue;
        }
        const qreal u0 = p.cell(a).u, u1 = p.cell(b).u + p.cell(b).advance;
        const int n = int(s.reading.size());
        qreal u = (u0 + u1) / 2 - n * size / 2;
        const QRectF base = view.cellRect(lineNumber, u0, u1 - u0);
        for (const QChar ch : s.reading) {
            const QRectF box = view.vertical ? QRectF(base.right(), view.inlineStart + u, size, size)
                                             : QRectF(view.inlineStart + u, base.top() - size, size, size);
            painter.drawText(box, Qt::AlignCenter, QString(ch));
            u += size;
        }
    }
    painter.restore();
}

} // namespace penwick
