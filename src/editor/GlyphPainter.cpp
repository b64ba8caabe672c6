// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlyphPainter.h"

#include "VerticalLayout.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>

namespace penwick {

GlyphPainter::Batch& GlyphPainter::batchFor(const ShapedGlyph& glyph, bool selected)
{
    for (Batch& b : m_batches)
        if (b.font == glyph.font && b.rotated == glyph.rotated && b.width == glyph.width && b.selected == selected)
            return b;
    m_batches.push_back({glyph.font, glyph.rotated, glyph.width, selected, {}, {}});
    return m_batches.back();
}

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
        for (int g = c.firstGlyph; g < c.firstGlyph + c.glyphCount; ++g) {
            const ShapedGlyph& sg = seg.glyphs[size_t(g)];
            Batch& batch = batchFor(sg, selected);
            batch.ids.append(sg.id);
            batch.positions.append(sg.rotated ? ViewGeometry::rotatedOrigin(c, sg) : view.glyphOrigin(line, c, sg));
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
        painter.setPen(batch.selected ? marks.highlightedText : marks.text);
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
}

} // namespace penwick
