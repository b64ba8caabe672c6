// SPDX-License-Identifier: GPL-3.0-or-later
// Fills the cells of one source line into manuscript lines of `cellsPerLine` cells, with
// hanging and pushing:
//  - a cell that may not start a line, arriving when the line is full, hangs beside the
//    last cell and takes no cell; every such cell after it hangs too;
//  - a cell that may not end a line and lands in the last cell, when another cell of the
//    source line follows, moves to the next line with the run of such cells before it,
//    unless that run fills the whole line.
// A source line's first cell is placed whatever it is. Only the current line, the cells
// used in it and the length of the trailing run are kept, so the work per cell is
// constant whatever the grid size.
#pragma once

#include "KinsokuSet.h"

#include <cstdint>

namespace penwick::counter {

// Where one cell went. Lines count from the start of the text; a hanging cell sits past
// the last cell of its line (cell == cellsPerLine).
struct Placement {
    std::int64_t line = 0;
    std::int64_t cell = 0;
    bool hanging = false;
    // Before this cell was placed, the last `pushed` cells placed (a run that may not end a
    // line) moved to cells 0.. of this cell's line.
    std::int64_t pushed = 0;
};

class LineFiller {
public:
    explicit LineFiller(std::int64_t cellsPerLine) : m_width(cellsPerLine) {}

    Placement place(KinsokuClass cls)
    {
        Placement p;
        if (m_lines == 0) {
            m_lines = 1;
            m_used = 1;
            m_run = cls == KinsokuClass::NoLineEnd ? 1 : 0;
            p.line = m_first;
            return p;
        }
        if (m_used == m_width) {
            if (m_run > 0 && m_run < m_width) {
                // The opening bracket in the last cell is not the source line's last cell
                // after all: it and the brackets before it start the next line.
                ++m_lines;
                m_used = m_run;
                p.pushed = m_run;
            } else if (cls == KinsokuClass::NoLineStart) {
                m_run = 0;
                p.line = m_first + m_lines - 1;
                p.cell = m_width;
                p.hanging = true;
                return p;
            } else {
                ++m_lines;
                m_used = 1;
                m_run = cls == KinsokuClass::NoLineEnd ? 1 : 0;
                p.line = m_first + m_lines - 1;
                return p;
            }
        }
        p.line = m_first + m_lines - 1;
        p.cell = m_used++;
        m_run = cls == KinsokuClass::NoLineEnd ? m_run + 1 : 0;
        return p;
    }

    // Lines the source line took; an empty source line takes one. The next source line
    // starts on the line after them.
    std::int64_t finishSourceLine()
    {
        const std::int64_t lines = m_lines > 0 ? m_lines : 1;
        m_first += lines;
        m_lines = m_used = m_run = 0;
        return lines;
    }

    // Lines taken by the source lines finished so far.
    std::int64_t linesDone() const { return m_first; }

private:
    std::int64_t m_width;
    std::int64_t m_first = 0;  // the current source line's first line
    std::int64_t m_lines = 0;  // lines it has taken so far
    std::int64_t m_used = 0;   // cells taken in its current line
    std::int64_t m_run = 0;    // trailing run of may-not-end-a-line cells in it
};

} // namespace penwick::counter
