// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills lines (columns in vertical writing) with a paragraph's cells, with the
// kinsoku rules of manuscripts: closing marks hang past the line end instead of
// starting a line, opening brackets move to the next line rather than end one,
// and Latin words break only where Unicode line breaking allows.

#include "GlyphShaper.h"

#include <vector>

namespace penwick {

class LineBreaker {
public:
    // Sets Cell::u and Cell::line for every cell and returns the index of each
    // line's first cell (an empty paragraph has one line starting at 0).
    static std::vector<int> breakLines(const std::vector<Cell*>& cells, float lineLength);
};

} // namespace penwick
