// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineBreaker.h"

namespace penwick {

namespace {

bool canBreakBefore(const std::vector<Cell*>& cells, size_t j)
{
    return (cells[j]->flags & BreakBefore) && !(cells[j]->flags & NoStart)
           && !(cells[j - 1]->flags & NoEnd);
}

} // namespace

std::vector<int> LineBreaker::breakLines(const std::vector<Cell*>& cells, float lineLength)
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
    while (i < n) {
        if (i == lineStart || u + cells[i]->advance <= limit) {
            place(i++);
            if ((cells[i - 1]->flags & ForcedBreak) && i < n)
                newLine(i);
            continue;
        }
        if (cells[i]->flags & (NoStart | Space)) {
            // Hanging: the whole run of closing marks (and spaces) stays on this line.
            while (i < n && (cells[i]->flags & (NoStart | Space)))
                place(i++);
            if (i < n)
                newLine(i);
            continue;
        }
        size_t j = i;
        while (j > lineStart && !canBreakBefore(cells, j))
            --j;
        if (j == lineStart) // one unbreakable word fills the line: cut it here
            j = i;
        newLine(j);
        i = j;
    }
    return starts;
}

} // namespace penwick
