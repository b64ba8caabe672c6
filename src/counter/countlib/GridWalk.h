// SPDX-License-Identifier: GPL-3.0-or-later
// The manuscript grid, cell by cell: decodes a UTF-8 text, splits it into source lines at
// hard breaks, groups code points into cells (see ManuscriptCounter.h for what makes a
// cell) and places each cell with the line filler. Counting is a fold over this walk; a
// page renderer or a caret position in sheets can follow the same placements.
//
// The visitor gets, in text order:
//   void cell(const Placement& p, std::size_t offset, bool white)
//       offset: the byte offset of the cell's first code point; white: a space cell.
//       p.pushed > 0: the p.pushed cells before it moved to the start of p.line first.
//   void sourceLineEnd(std::int64_t linesSoFar, std::size_t end)
//       end: the byte offset of the hard break that ends the source line (the text's
//       length for the last one); the line's last cell ends there.
#pragma once

#include "CharKind.h"
#include "KinsokuSet.h"
#include "LineFiller.h"
#include "Utf8.h"

#include <cstddef>
#include <cstdint>

namespace penwick::counter {

template <class Visitor>
class GridWalk {
public:
    GridWalk(const KinsokuSet& kinsoku, std::int64_t cellsPerLine, Visitor& visitor)
        : m_kinsoku(kinsoku), m_filler(cellsPerLine), m_visitor(visitor) {}

    // Walks the whole text; answers the manuscript lines it takes.
    std::int64_t run(const char* text, std::size_t len)
    {
        Utf8Decoder in(text, len);
        bool afterCr = false;
        while (!in.atEnd()) {
            const std::size_t offset = in.offset();
            const char32_t cp = in.next();
            const CharKind kind = charKind(cp);
            if (kind == CharKind::CarriageReturn) {
                endSourceLine(offset);
                afterCr = true;
                continue;
            }
            if (kind == CharKind::Break) {
                if (!(afterCr && cp == U'\n'))
                    endSourceLine(offset);
                afterCr = false;
                continue;
            }
            afterCr = false;
            take(cp, kind, offset);
        }
        // The last source line counts only if it holds a cell: a final break, or a final
        // run of ignored characters after it, opens no line.
        if (m_lineHasCell)
            endSourceLine(len);
        return m_filler.linesDone();
    }

private:
    void take(char32_t cp, CharKind kind, std::size_t offset)
    {
        switch (kind) {
        case CharKind::Symbol:
            if (m_open && m_afterZwj) {
                m_afterZwj = false;
                return;
            }
            startCell(cp, false, offset);
            return;
        case CharKind::Regional:
            if (m_open && (m_afterZwj || m_loneRegional)) {
                m_afterZwj = m_loneRegional = false;
                return;
            }
            startCell(cp, false, offset);
            m_loneRegional = true;
            return;
        case CharKind::Extend:
            if (!m_open)
                startCell(cp, false, offset);   // a mark with no base is a cell of its own
            m_afterZwj = m_loneRegional = false;
            return;
        case CharKind::ExtendFormat:
            if (m_open) {                       // alone it is just an ignored format character
                m_afterZwj = cp == 0x200D;
                m_loneRegional = false;
            }
            return;
        case CharKind::Ignored:
            m_open = m_afterZwj = m_loneRegional = false;
            return;
        case CharKind::Space:
            startCell(cp, true, offset);
            return;
        default:
            startCell(cp, false, offset);
            return;
        }
    }

    void startCell(char32_t cp, bool white, std::size_t offset)
    {
        m_open = true;
        m_afterZwj = m_loneRegional = false;
        m_lineHasCell = true;
        m_visitor.cell(m_filler.place(m_kinsoku.classOf(cp)), offset, white);
    }

    void endSourceLine(std::size_t end)
    {
        m_filler.finishSourceLine();
        m_visitor.sourceLineEnd(m_filler.linesDone(), end);
        m_open = m_afterZwj = m_loneRegional = m_lineHasCell = false;
    }

    const KinsokuSet& m_kinsoku;
    LineFiller m_filler;
    Visitor& m_visitor;
    bool m_open = false;          // the last cell of this line can still take extenders
    bool m_afterZwj = false;      // ... and its last code point was a ZWJ
    bool m_loneRegional = false;  // ... and it is a single regional indicator
    bool m_lineHasCell = false;
};

} // namespace penwick::counter
