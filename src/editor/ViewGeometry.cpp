// SPDX-License-Identifier: GPL-3.0-or-later
#include "ViewGeometry.h"

#include <cmath>

namespace penwick {

int ViewGeometry::lineAt(qreal coordinate) const
{
    if (vertical)
        return int(std::floor((viewport.width() - margin + scroll - coordinate) / pitch));
    return int(std::floor((coordinate - margin + scroll) / pitch));
}

QRectF ViewGeometry::cellRect(int line, qreal u, qreal advance) const
{
    const QRectF l = lineRect(line);
    if (vertical)
        return QRectF(l.x() + (pitch - em) / 2, inlineStart + u, em, advance);
    return QRectF(inlineStart + u, l.y() + (pitch - em) / 2, advance, em);
}

QRectF ViewGeometry::caretRect(int line, qreal u) const
{
    const QRectF l = lineRect(line);
    if (vertical)
        return QRectF(l.x() + (pitch - em) / 2 - 2, inlineStart + u - 1, em + 4, 2);
    return QRectF(inlineStart + u - 1, l.y() + (pitch - em) / 2 - 2, 2, em + 4);
}

QPointF ViewGeometry::glyphOrigin(const QRectF& line, const Cell& cell, const ShapedGlyph& glyph) const
{
    if (vertical)
        return QPointF(line.center().x() + glyph.dv, inlineStart + cell.u + glyph.du);
    const qreal baseline = line.y() + (pitch - em) / 2 + emTop;
    return QPointF(inlineStart + cell.u + glyph.du, baseline + glyph.dv);
}

QTransform ViewGeometry::squeezedFrame(const QRectF& line, quint8 width)
{
    QTransform t;
    t.translate(line.center().x(), 0);
    t.scale(width / 100.0, 1);
    t.translate(-line.center().x(), 0);
    return t;
}

QTransform ViewGeometry::rotatedFrame(const QRectF& line) const
{
    QTransform t;
    t.translate(line.center().x(), inlineStart);
    t.rotate(90);
    return t;
}

} // namespace penwick
