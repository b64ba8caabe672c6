// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineBreaker.h"

namespace penwick {

std::vector<int> LineBreaker::breakLines(const std::vector<Cell*>& cells, float lineLength,
                                         float hangRoom)
{
    std::vector<int> starts{0};
    const float limit = lineLength + 0.01f; // rounding of advances must not cost a cell
    const size_t n = cells.size();
    size_t lineStart = 0;
    size_t i = 0;
    float u = 0;
    int line = 0;
    auto place = [&](size_t k) {
        cells[k]->u = u;
        cells[k]->line = line;
        u += cells[k]->advance;
    };
    auto newLine = [&](size_t k) {
        lineStart = k;
        u = 0;
        ++line;
        starts.push_back(int(k));
    };
    auto breakable = [&](size_t k) { return (cells[k]->flags & BreakBefore) != 0; };
    while (i < n) {
        const Cell& c = *cells[i];
        if (i == lineStart || u + c.advance <= limit) {
            place(i++);
            if ((c.flags & ForcedBreak) && i < n)
                newLine(i);
            continue;
        }
        // 、。 or a space hangs when what follows may start the next line (spaces after
        // it start that line rather than hang too).
        if ((c.flags & (Hang | Space)) && c.advance <= hangRoom + 0.01f
            && (i + 1 == n || breakable(i + 1) || (cells[i + 1]->flags & Space))) {
            place(i++);
            if (i < n)
                newLine(i);
            continue;
        }
        // Otherwise the line ends at the last break opportunity; a space that cannot
        // hang, or a run with no opportunity in the whole line, is cut where it overflows.
        size_t j = i;
        if (!(c.flags & Space)) {
            while (j > lineStart && !breakable(j))
                --j;
            if (j == lineStart)
                j = i;
        }
        newLine(j);
        i = j;
    }
    return starts;
}

} // namespace penwick
