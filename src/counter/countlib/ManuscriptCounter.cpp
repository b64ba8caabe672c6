#include "ManuscriptCounter.h"

#include "CharKind.h"
#include "KinsokuSet.h"
#include "LineFiller.h"
#include "Utf8.h"

#include <algorithm>
#include <limits>

namespace penwick::counter {

namespace {

std::int32_t saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// Groups code points into cells and feeds the cells to the line filler.
class Pass {
public:
    Pass(const KinsokuSet& kinsoku, std::int64_t cellsPerLine)
        : m_kinsoku(kinsoku), m_filler(cellsPerLine) {}

    void run(const char* text, std::size_t len)
    {
        Utf8Decoder in(text, len);
        bool afterCr = false;
        while (!in.atEnd()) {
            const char32_t cp = in.next();
            const CharKind kind = charKind(cp);
            if (kind == CharKind::CarriageReturn) {
                endSourceLine();
                afterCr = true;
                continue;
            }
            if (kind == CharKind::Break) {
                if (!(afterCr && cp == U'\n'))
                    endSourceLine();
                afterCr = false;
                continue;
            }
            afterCr = false;
            take(cp, kind);
        }
        // The last source line counts only if it holds a cell: a final break, or a final
        // run of ignored characters after it, opens no line.
        if (m_lineHasCell)
            endSourceLine();
    }

    std::int64_t lines() const { return m_lines; }
    std::int64_t chars() const { return m_chars; }

private:
    void take(char32_t cp, CharKind kind)
    {
        switch (kind) {
        case CharKind::Symbol:
            if (m_open && m_afterZwj) {
                m_afterZwj = false;
                return;
            }
            startCell(cp, false);
            return;
        case CharKind::Regional:
            if (m_open && (m_afterZwj || m_loneRegional)) {
                m_afterZwj = m_loneRegional = false;
                return;
            }
            startCell(cp, false);
            m_loneRegional = true;
            return;
        case CharKind::Extend:
            if (!m_open)
                startCell(cp, false);        // a mark with no base is a cell of its own
            m_afterZwj = m_loneRegional = false;
            return;
        case CharKind::ExtendFormat:
            if (m_open) {                    // alone it is just an ignored format character
                m_afterZwj = cp == 0x200D;
                m_loneRegional = false;
            }
            return;
        case CharKind::Ignored:
            m_open = m_afterZwj = m_loneRegional = false;
            return;
        case CharKind::Space:
            startCell(cp, true);
            return;
        default:
            startCell(cp, false);
            return;
        }
    }

    void startCell(char32_t cp, bool white)
    {
        m_open = true;
        m_afterZwj = m_loneRegional = false;
        m_lineHasCell = true;
        if (!white)
            ++m_chars;
        m_filler.place(m_kinsoku.classOf(cp));
    }

    void endSourceLine()
    {
        m_lines += m_filler.finishSourceLine();
        m_open = m_afterZwj = m_loneRegional = m_lineHasCell = false;
    }

    const KinsokuSet& m_kinsoku;
    LineFiller m_filler;
    std::int64_t m_lines = 0;
    std::int64_t m_chars = 0;
    bool m_open = false;          // the last cell of this line can still take extenders
    bool m_afterZwj = false;      // ... and its last code point was a ZWJ
    bool m_loneRegional = false;  // ... and it is a single regional indicator
    bool m_lineHasCell = false;
};

} // namespace

Figures countManuscript(const char* text, std::size_t textLen, const char* kinsoku,
                        std::size_t kinsokuLen, int vertical, int horizontal, int mode)
{
    if (vertical < 1 || horizontal < 1)
        return {};
    if (!text)
        textLen = 0;
    // Mode 0 is the pure grid; so is an empty set, which no cell can belong to.
    const KinsokuSet set = (mode != 0 && kinsoku) ? KinsokuSet(kinsoku, kinsokuLen) : KinsokuSet();
    Pass pass(set, vertical);
    pass.run(text, textLen);
    Figures f;
    f.sheets = saturate(pass.lines() / horizontal);
    f.lines = saturate(pass.lines() % horizontal);
    f.chars = saturate(pass.chars());
    return f;
}

} // namespace penwick::counter
