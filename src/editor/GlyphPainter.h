// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paints laid-out lines: selection, glyphs batched per font and orientation into
// QGlyphRuns, boxes for characters no font has, the preedit underline, and the ruby
// notation's readings beside their bases.

#include "ViewGeometry.h"

#include <QBrush>
#include <QColor>
#include <QList>
#include <QPair>

#include <vector>

class QPainter;

namespace penwick {

class VerticalLayout;
struct NotationSpan;
struct ParaLayout;

class GlyphPainter {
public:
    struct Marks {
        int selectionStart = 0, selectionEnd = 0; // document positions
        QList<QPair<int, int>> preeditFocus;      // within the preedit: start, length
        QColor text, highlightedText;
        QBrush highlight;
        // The novel sites' notation: its bars and brackets small and grey, readings grey
        // in the text and drawn as ruby beside their base.
        bool ruby = true;
        QColor notation;
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
        int style;    // 0 text, 1 a notation mark (drawn small), 2 a reading in the text
        QList<quint32> ids;
        QList<QPointF> positions;
    };
    Batch& batchFor(const ShapedGlyph& glyph, bool selected, int style);
    void paintLine(QPainter& painter, VerticalLayout& layout, const ViewGeometry& view, int block,
                   int line, const Marks& marks);
    void paintRuby(QPainter& painter, const ViewGeometry& view, const ParaLayout& paragraph, int lineNumber,
                   int line, const std::vector<NotationSpan>& spans, const Marks& marks);

    std::vector<Batch> m_batches; // kept between paints for their capacity
};

} // namespace penwick
