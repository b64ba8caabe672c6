// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManuscriptCounter.h"

#include "GridWalk.h"
#include "KinsokuSet.h"

#include <algorithm>
#include <limits>

namespace penwick::counter {

namespace {

std::int32_t saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// The count is a fold over the grid: the lines the walk took and the cells that are not
// white space.
struct CountingVisitor {
    std::int64_t chars = 0;
    void cell(const Placement&, std::size_t, bool white) { chars += !white; }
    void sourceLineEnd(std::int64_t, std::size_t) {}
};

} // namespace

WalkTotals walkTotals(const char* text, std::size_t textLen, const KinsokuSet& kinsoku, std::int64_t cellsPerLine)
{
    CountingVisitor fold;
    const std::int64_t lines = GridWalk<CountingVisitor>(kinsoku, cellsPerLine, fold).run(text, textLen);
    return {lines, fold.chars};
}

Figures countManuscript(const char* text, std::size_t textLen, const char* kinsoku,
                        std::size_t kinsokuLen, int vertical, int horizontal, int mode)
{
    if (vertical < 1 || horizontal < 1)
        return {};
    if (!text)
        textLen = 0;
    // Mode 0 is the pure grid; so is an empty set, which no cell can belong to.
    const KinsokuSet set = (mode != 0 && kinsoku) ? KinsokuSet(kinsoku, kinsokuLen) : KinsokuSet();
    const WalkTotals walked = walkTotals(text, textLen, set, vertical);
    Figures f;
    f.sheets = saturate(walked.lines / horizontal);
    f.lines = saturate(walked.lines % horizontal);
    f.chars = saturate(walked.chars);
    return f;
}

} // namespace penwick::counter
