// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project on manuscript paper (原稿用紙) as a PDF: one sheet of `vertical` × `horizontal`
// cells per page, ruled, with the fold mark in the middle of a 20×20 sheet, the text set
// top to bottom one cell at a time by the counter's own layout (the same hanging and
// pushing; a hanging mark is drawn below the last cell, outside the grid, as on real
// paper), so the pages are the counter's sheets, plus one for the lines left over. The
// text laid out is the text export's. Fonts are embedded as a subset and set in vertical
// writing mode, so the text extracts in reading order.

#include "CounterReport.h"
#include "DomDocument.h"
#include "TextAssembly.h"

#include <ctime>
#include <string>
#include <string_view>

namespace penwick {

enum class Ruling { Red, Grey };

struct ManuscriptOptions : CountSettings {   // the grid and kinsoku, as the counter takes them
    Ruling ruling = Ruling::Red;
    std::string title;                       // the document's title
    std::time_t modified = 0;                // its date; 0: now
    std::string fontFamily = "Noto Serif CJK JP";
};

// Where a sheet's cells lie on its A4 page, in points from the page's bottom left (as in
// the PDF). Columns count from the right (reading order), cells from the top; a column is
// a strip of square cells with a gutter of a quarter cell to the next (where corrections
// go); a 20×20 sheet has the fold column in the middle; below the grid is room for the
// marks that hang (cell == cells).
struct SheetGeometry {
    double pageWidth = 0, pageHeight = 0;
    double cell = 0, gutter = 0, fontSize = 0;
    double right = 0, top = 0;   // the grid's right edge and top
    int columns = 0, cells = 0;
    bool fold = false;

    double columnRight(int column) const
    {
        return right - column * (cell + gutter) - (fold && column >= columns / 2 ? cell + gutter : 0.0);
    }
    double cellTop(double index) const { return top - index * cell; }
    double left() const { return columnRight(columns - 1) - cell; }
    double bottom() const { return cellTop(cells); }
};

// The sheet for `vertical` cells a column and `horizontal` columns: the orientation of A4
// that gives the larger cells.
SheetGeometry SheetFor(int vertical, int horizontal);

// The PDF of `text` (UTF-8) on manuscript paper; fails (bytes untouched) when the grid is
// not 1..500 by 1..500 or no Japanese font can be found or embedded.
Status RenderManuscriptPdf(std::string_view text, const ManuscriptOptions& options, std::string* bytes);

// The project's export text on manuscript paper, titled after the project.
Status AssembleManuscriptPdf(const DomDocument& doc, ManuscriptOptions options, const FailureReport& report,
                             std::string* bytes);

}  // namespace penwick
