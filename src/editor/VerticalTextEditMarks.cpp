// SPDX-License-Identifier: GPL-3.0-or-later
// The proofreading marks: wavy lines beside spans of the text, drawn over the glyphs
// after them, and their messages as tooltips.
#include "VerticalTextEdit.h"

#include "VerticalLayout.h"
#include "ViewGeometry.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

void VerticalTextEdit::setWavyMarks(QList<WavyMark> marks)
{
    std::stable_sort(marks.begin(), marks.end(), [](const WavyMark& a, const WavyMark& b) { return a.start < b.start; });
    if (marks.isEmpty() && m_wavy.isEmpty())
        return;
    m_wavy = std::move(marks);
    viewport()->update();
}

QColor VerticalTextEdit::wavyColor()
{
    return QColor(0xD0, 0x30, 0x30);
}

// Marks after an edit keep their text: those behind it move, those it touched go.
void VerticalTextEdit::shiftWavyMarks(int pos, int removed, int added)
{
    if (m_wavy.isEmpty())
        return;
    QList<WavyMark> kept;
    kept.reserve(m_wavy.size());
    for (WavyMark m : std::as_const(m_wavy)) {
        if (m.start + m.length <= pos) {
            kept.append(std::move(m));
        } else if (m.start >= pos + removed) {
            m.start += added - removed;
            kept.append(std::move(m));
        }
    }
    m_wavy = std::move(kept);
}

void VerticalTextEdit::paintWavyMarks(QPainter& painter, const QRect& dirty) const
{
    if (m_wavy.isEmpty() || m_layout->totalLines() == 0)
        return;
    // The positions on screen: from the first visible line's paragraph to the last's.
    const int extent = m_vertical ? viewport()->width() : viewport()->height();
    const int a = lineAtViewport(0), b = lineAtViewport(extent - 1);
    const int last = m_layout->totalLines() - 1;
    const int from = m_layout->blockPosition(m_layout->blockAtLine(std::clamp(std::min(a, b), 0, last)));
    const int lastBlock = m_layout->blockAtLine(std::clamp(std::max(a, b), 0, last));
    const int to = lastBlock + 1 < m_doc->blockCount() ? m_layout->blockPosition(lastBlock + 1) : m_doc->characterCount();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(wavyColor(), 1.2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal amplitude = 1.5, step = 2.0;
    const auto wave = [&](QPointF start, qreal length) {
        // Along y (vertical text) or x (horizontal), swinging across it.
        QPainterPath path(start);
        for (qreal t = step; t <= length + 0.01; t += step) {
            const qreal swing = (int(t / step) % 2 ? amplitude : -amplitude);
            path.lineTo(m_vertical ? QPointF(start.x() + swing, start.y() + t) : QPointF(start.x() + t, start.y() + swing));
        }
        painter.drawPath(path);
    };
    const int end = m_doc->characterCount() - 1;
    // By start, but marks may overlap (one long, one short at one place), so their ends are
    // in no order: each is asked, up to the first that starts past the screen.
    for (auto m = m_wavy.begin(); m != m_wavy.end() && m->start < to; ++m) {
        if (m->start + m->length <= from)
            continue;
        QRect run;
        const auto flush = [&] {
            if (run.isNull() || !run.intersects(dirty.adjusted(-4, -4, 4, 4)))
                return;
            if (m_vertical)
                wave(QPointF(run.right() + 2.5, run.top()), run.height());
            else
                wave(QPointF(run.left(), run.bottom() + 2.5), run.width());
        };
        for (int p = std::max(m->start, from); p < std::min({m->start + m->length, end, to}); ++p) {
            const QRect cell = cellRect(p);
            const bool sameLine = !run.isNull() && (m_vertical ? cell.left() == run.left() : cell.top() == run.top());
            if (!sameLine) {
                flush();
                run = cell;
            } else {
                run = run.united(cell);
            }
        }
        flush();
    }
    painter.restore();
}

bool VerticalTextEdit::showWavyTip(const QPoint& point, const QPoint& globalPoint)
{
    if (m_wavy.isEmpty())
        return false;
    const int at = caretAt(point).position;
    for (const int p : {at, at - 1}) {
        const auto m = std::find_if(m_wavy.begin(), m_wavy.end(),
                                    [p](const WavyMark& w) { return p >= w.start && p < w.start + w.length; });
        if (m != m_wavy.end() && cellRect(p).adjusted(-2, -2, 6, 6).contains(point)) {
            QToolTip::showText(globalPoint, m->message, this);
            return true;
        }
    }
    QToolTip::hideText();
    return false;
}
