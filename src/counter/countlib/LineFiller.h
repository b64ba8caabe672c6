// Fills the cells of one source line into manuscript lines of `cellsPerLine` cells, with
// hanging and pushing:
//  - a cell that may not start a line, arriving when the line is full, hangs beside the
//    last cell and takes no cell; every such cell after it hangs too;
//  - a cell that may not end a line and lands in the last cell, when another cell of the
//    source line follows, moves to the next line with the run of such cells before it,
//    unless that run fills the whole line.
// A source line's first cell is placed whatever it is. Only the number of cells in the
// current line and the length of the trailing run are kept, so the work per cell is
// constant whatever the grid size.
#pragma once

#include "KinsokuSet.h"

#include <cstdint>

namespace penwick::counter {

class LineFiller {
public:
    explicit LineFiller(std::int64_t cellsPerLine) : m_width(cellsPerLine) {}

    void place(KinsokuClass cls)
    {
        if (m_lines == 0) {
            m_lines = 1;
            m_used = 1;
            m_run = cls == KinsokuClass::NoLineEnd ? 1 : 0;
            return;
        }
        if (m_used == m_width) {
            if (m_run > 0 && m_run < m_width) {
                // The opening bracket in the last cell is not the source line's last cell
                // after all: it and the brackets before it start the next line.
                ++m_lines;
                m_used = m_run;
            } else if (cls == KinsokuClass::NoLineStart) {
                m_run = 0;
                return;                      // hangs
            } else {
                ++m_lines;
                m_used = 1;
                m_run = cls == KinsokuClass::NoLineEnd ? 1 : 0;
                return;
            }
        }
        ++m_used;
        m_run = cls == KinsokuClass::NoLineEnd ? m_run + 1 : 0;
    }

    // Lines the source line took; an empty source line takes one. Resets for the next.
    std::int64_t finishSourceLine()
    {
        const std::int64_t lines = m_lines > 0 ? m_lines : 1;
        m_lines = m_used = m_run = 0;
        return lines;
    }

private:
    std::int64_t m_width;
    std::int64_t m_lines = 0;
    std::int64_t m_used = 0;   // cells taken in the current manuscript line
    std::int64_t m_run = 0;    // trailing run of may-not-end-a-line cells in it
};

} // namespace penwick::counter
