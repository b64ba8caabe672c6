// SPDX-License-Identifier: GPL-3.0-or-later
/* Manuscript-paper (genko yoshi) counting library: lays UTF-8 text out on a grid of
 * `vertical` cells per line and `horizontal` lines per sheet and reports sheets, lines
 * and characters. Plain C so that any caller can bind it; ManuscriptCounter.h describes
 * the layout model (cells, hard breaks, kinsoku hanging and pushing). */
#ifndef PENWICK_COUNTER_H
#define PENWICK_COUNTER_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(PENWICK_COUNTER_BUILDING)
#    define PENWICK_COUNTER_API __declspec(dllexport)
#  else
#    define PENWICK_COUNTER_API __declspec(dllimport)
#  endif
#else
#  define PENWICK_COUNTER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The kinsoku characters a new counter starts with: 、。「」『』 and the ideographic space. */
#define PENWICK_DEFAULT_KINSOKU "\xE3\x80\x81\xE3\x80\x82\xE3\x80\x8C\xE3\x80\x8D\xE3\x80\x8E\xE3\x80\x8F\xE3\x80\x80"

/* "%d枚と%d行 %d文字": whole sheets, further lines, characters without white space. */
typedef struct CountResult {
    int32_t nSheets;
    int32_t nLines;
    int32_t nChars;
} CountResult;

/* Counts the NUL-terminated UTF-8 `text` with the NUL-terminated UTF-8 `kinsoku` set on a
 * grid of `vertical` cells per line and `horizontal` lines per sheet. `mode` 0 lays out
 * without kinsoku; any other value applies it. The figures are computed during the call and
 * kept for ReturnCount; neither string is read after Count returns. A null pointer counts
 * as an empty string. Returns 0, or -1 if memory ran out (the kept result is then
 * {-1, -1, -1}, so that a printed report cannot pass it off as an empty text).
 * Not reentrant across threads sharing one Count/ReturnCount pair: each thread keeps its
 * own last result. */
PENWICK_COUNTER_API int Count(const char* text, const char* kinsoku, int vertical,
                              int horizontal, int mode);

/* The result of this thread's preceding Count ({0, 0, 0} before the first). */
PENWICK_COUNTER_API CountResult ReturnCount(void);

/* Reentrant form: counts `textLen` bytes of `text` (embedded NULs are ignored characters)
 * with `kinsokuLen` bytes of `kinsoku` and returns the figures directly ({-1, -1, -1} if
 * memory ran out). Leaves the result kept for ReturnCount untouched. */
PENWICK_COUNTER_API CountResult CountText(const char* text, size_t textLen,
                                          const char* kinsoku, size_t kinsokuLen,
                                          int vertical, int horizontal, int mode);

#ifdef __cplusplus
}
#endif

#endif /* PENWICK_COUNTER_H */
