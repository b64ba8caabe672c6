// SPDX-License-Identifier: GPL-3.0-or-later
// The manuscript laid out line by line, exactly as the counter counts it: the placement
// walk (GridWalk) with its pushes resolved, each cell with the bytes it covers. What draws
// manuscript paper reads this; the count is the same walk folded, so a drawn sheet and a
// counted sheet cannot disagree.
#pragma once

#include "GridWalk.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace penwick::counter {

struct LaidCell {
    std::int64_t line = 0;    // manuscript line, from the start of the text
    std::int64_t cell = 0;    // 0 .. cellsPerLine-1; hanging cells: cellsPerLine, +1, ...
    bool hanging = false;     // set below the line's last cell, outside the grid
    bool white = false;       // a space: takes a cell, is no character
    std::size_t begin = 0;    // the cell's bytes in the text: its code points and
    std::size_t end = 0;      // whatever attaches to them
};

namespace detail {

template <class OnLine>
class LineCollector {
public:
    explicit LineCollector(OnLine& onLine) : m_onLine(onLine) {}

    void cell(const Placement& p, std::size_t offset, bool white)
    {
        if (!m_line.empty()) {
            m_line.back().end = offset;
            if (p.line != m_line.back().line)
                startLine(p);
        }
        LaidCell c{p.line, p.cell, p.hanging, white, offset, offset};
        if (p.hanging && !m_line.empty() && m_line.back().hanging)
            c.cell = m_line.back().cell + 1;   // a run of marks hangs one below the other
        m_line.push_back(c);
    }

    void sourceLineEnd(std::int64_t, std::size_t end)
    {
        if (m_line.empty())
            return;
        m_line.back().end = end;
        m_onLine(static_cast<const std::vector<LaidCell>&>(m_line));
        m_line.clear();
    }

private:
    // The line is done, except the run of cells the filler pushed to the new one.
    void startLine(const Placement& p)
    {
        const std::size_t keep = m_line.size() - static_cast<std::size_t>(p.pushed);
        m_moved.assign(m_line.begin() + static_cast<std::ptrdiff_t>(keep), m_line.end());
        m_line.resize(keep);
        m_onLine(static_cast<const std::vector<LaidCell>&>(m_line));
        m_line.clear();
        for (std::size_t k = 0; k < m_moved.size(); ++k) {
            m_moved[k].line = p.line;
            m_moved[k].cell = static_cast<std::int64_t>(k);
            m_line.push_back(m_moved[k]);
        }
    }

    OnLine& m_onLine;
    std::vector<LaidCell> m_line;
    std::vector<LaidCell> m_moved;
};

} // namespace detail

// Lays `text` out on lines of `cellsPerLine` cells with `kinsoku` (an empty set: none) and
// calls onLine(const std::vector<LaidCell>&) for every manuscript line that holds a cell,
// in order (empty lines are skipped; their numbers are missing). Answers the lines the text
// takes: the counter's line total.
template <class OnLine>
std::int64_t layOutManuscript(const char* text, std::size_t len, const KinsokuSet& kinsoku,
                              std::int64_t cellsPerLine, OnLine&& onLine)
{
    detail::LineCollector<OnLine> collector(onLine);
    return GridWalk<detail::LineCollector<OnLine>>(kinsoku, cellsPerLine, collector).run(text, len);
}

} // namespace penwick::counter
