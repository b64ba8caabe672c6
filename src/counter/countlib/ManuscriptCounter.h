// SPDX-License-Identifier: GPL-3.0-or-later
// One counting pass over a UTF-8 text: decoding, hard breaks, cells, kinsoku line filling,
// and the sheet/line split.
//
// The model: the text splits into source lines at hard breaks (CR LF, LF, CR, VT, FF, NEL,
// LS, PS; a break at the very end opens no further line). A source line is a row of cells,
// one per user-perceived character: a base with its combining marks, variation selectors,
// ZWJ (and the symbol after it), emoji modifiers, tags and half-width voiced marks; two
// regional indicators make one flag. Other controls and format characters take no cell.
// Each source line starts a new manuscript line and fills `vertical` cells per line (see
// LineFiller); mode 0 or an empty kinsoku set fills without kinsoku. The line total
// splits into whole sheets of `horizontal` lines and the lines left over. Characters are
// the cells that are not white space.
#pragma once

#include <cstddef>
#include <cstdint>

namespace penwick::counter {

struct Figures {
    std::int32_t sheets = 0;
    std::int32_t lines = 0;
    std::int32_t chars = 0;
};

class KinsokuSet;

// The lines a text takes on lines of `cellsPerLine` cells (before the split into sheets)
// and its characters: the count's one fold over the grid walk, for callers that keep a
// kinsoku set of their own (the manuscript map counts paragraph by paragraph).
struct WalkTotals {
    std::int64_t lines = 0;
    std::int64_t chars = 0;
};
WalkTotals walkTotals(const char* text, std::size_t textLen, const KinsokuSet& kinsoku, std::int64_t cellsPerLine);

// Throws std::bad_alloc only if the kinsoku set cannot be stored.
Figures countManuscript(const char* text, std::size_t textLen, const char* kinsoku,
                        std::size_t kinsokuLen, int vertical, int horizontal, int mode);

} // namespace penwick::counter
