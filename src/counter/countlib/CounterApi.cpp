// SPDX-License-Identifier: GPL-3.0-or-later
// The exported C functions. Count keeps its figures per thread until ReturnCount asks for
// them; nothing the caller passed is kept, so the caller may free the text at once.
#include "counter.h"

#include "ManuscriptCounter.h"

#include <cstring>
#include <new>

namespace {

thread_local CountResult lastResult = {0, 0, 0};

// Printed as it stands by every caller, so a failure must not look like an empty text.
constexpr CountResult kFailed = {-1, -1, -1};

CountResult toResult(const penwick::counter::Figures& f)
{
    return CountResult{f.sheets, f.lines, f.chars};
}

} // namespace

extern "C" {

PENWICK_COUNTER_API CountResult CountText(const char* text, size_t textLen, const char* kinsoku,
                                          size_t kinsokuLen, int vertical, int horizontal, int mode)
{
    try {
        return toResult(penwick::counter::countManuscript(text, textLen, kinsoku, kinsokuLen,
                                                          vertical, horizontal, mode));
    } catch (const std::bad_alloc&) {
        return kFailed;
    }
}

PENWICK_COUNTER_API int Count(const char* text, const char* kinsoku, int vertical, int horizontal,
                              int mode)
{
    try {
        lastResult = toResult(penwick::counter::countManuscript(
            text, text ? std::strlen(text) : 0, kinsoku, kinsoku ? std::strlen(kinsoku) : 0,
            vertical, horizontal, mode));
        return 0;
    } catch (const std::bad_alloc&) {
        lastResult = kFailed;
        return -1;
    }
}

PENWICK_COUNTER_API CountResult ReturnCount(void)
{
    return lastResult;
}

} // extern "C"
