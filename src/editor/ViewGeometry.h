// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the layout's lines and cells land in the viewport. Lines are counted from
// the text's start; "scroll" is how far the view has moved along them. Vertical:
// line 0 is the rightmost column, cells run down. Horizontal: line 0 is the top
// line, cells run right.

#include "GlyphShaper.h"

#include <QRectF>
#include <QSize>
#include <QTransform>

namespace penwick {

struct ViewGeometry {
    bool vertical = true;
    QSize viewport;
    int scroll = 0;
    qreal em = 0;
    qreal pitch = 0;
    qreal emTop = 0;     // baseline to em-box top, for horizontal lines
    int margin = 0;      // before the first line and after the last
    int inlineStart = 0; // before the first cell of each line

    QRectF lineRect(int line) const
    {
        if (vertical)
            return QRectF(viewport.width() - margin - (line + 1) * pitch + scroll, 0, pitch, viewport.height());
        return QRectF(0, margin + line * pitch - scroll, viewport.width(), pitch);
    }
    // The line under a viewport x (vertical) or y (horizontal); may be out of range.
    int lineAt(qreal coordinate) const;
    QRectF cellRect(int line, qreal u, qreal advance) const;
    QRectF caretRect(int line, qreal u) const;
    // Where an upright glyph's origin goes (all glyphs of horizontal lines are upright).
    QPointF glyphOrigin(const QRectF& line, const Cell& cell, const ShapedGlyph& glyph) const;
    // Turned glyphs are drawn in a frame rotated 90° clockwise about the column's
    // top centre; this is their origin in that frame.
    // Squeezes a 縦中横 run's glyphs (width: percent) across the column about its centre.
    static QTransform squeezedFrame(const QRectF& line, quint8 width);
    QTransform rotatedFrame(const QRectF& line) const;
    static QPointF rotatedOrigin(const Cell& cell, const ShapedGlyph& glyph)
    {
        return QPointF(cell.u + glyph.du, -glyph.dv);
    }
};

} // namespace penwick
