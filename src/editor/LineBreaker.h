// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills lines (columns in vertical writing) with a paragraph's cells. Lines break only
// where Unicode line breaking allows (the cells' BreakBefore flags); 、。 and a space
// may hang one cell past the line end, into room the view keeps for it, and nothing
// else ever does, so every cell stays inside the view.

#include "GlyphShaper.h"

#include <vector>

namespace penwick {

class LineBreaker {
public:
    // Sets Cell::u and Cell::line for every cell and returns the index of each line's
    // first cell (an empty paragraph has one line starting at 0). hangRoom is the room
    // past lineLength for one hanging cell.
    static std::vector<int> breakLines(const std::vector<Cell*>& cells, float lineLength,
                                       float hangRoom);
};

} // namespace penwick
