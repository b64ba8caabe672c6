// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paints laid-out lines: selection, glyphs batched per font and orientation into
// QGlyphRuns, boxes for characters no font has, and the preedit underline.

#include "ViewGeometry.h"

#include <QBrush>
#include <QColor>
#include <QList>
#include <QPair>

#include <vector>

class QPainter;

namespace penwick {

class VerticalLayout;

class GlyphPainter {
public:
    struct Marks {
        int selectionStart = 0, selectionEnd = 0; // document positions
        QList<QPair<int, int>> preeditFocus;      // within the preedit: start, length
        QColor text, highlightedText;
        QBrush highlight;
    };
    // Paints the lines that meet `dirty`; they must be laid out.
    void paint(QPainter& painter, VerticalLayout& layout, const ViewGeometry& view, const QRect& dirty,
               const Marks& marks);

private:
    struct Batch {
        int font;
        bool rotated;
        quint8 width; // percent: squeezed 縦中横 glyphs
        bool selected;
        QList<quint32> ids;
        QList<QPointF> positions;
    };
    Batch& batchFor(const ShapedGlyph& glyph, bool selected);
    void paintLine(QPainter& painter, VerticalLayout& layout, const ViewGeometry& view, int block,
                   int line, const Marks& marks);

    std::vector<Batch> m_batches; // kept between paints for their capacity
};

} // namespace penwick
