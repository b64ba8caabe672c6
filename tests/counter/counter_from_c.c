// SPDX-License-Identifier: GPL-3.0-or-later
/* Uses the counting library from plain C, as a C caller would see counter.h. */
#include "counter.h"

#include <stdlib.h>
#include <string.h>

/* Returns 0 when every check passes, otherwise the number of the first failing check. */
int counter_checks_from_c(void)
{
    static const char text[] = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x80\x82\n"; /* あいう。 */
    char* copy = (char*)malloc(sizeof text);
    CountResult r;

    if (!copy)
        return 1;
    memcpy(copy, text, sizeof text);
    if (Count(copy, PENWICK_DEFAULT_KINSOKU, 3, 20, 1) != 0) {
        free(copy);
        return 2;
    }
    memset(copy, 'x', sizeof text - 1); /* the library must not look at it again */
    free(copy);
    r = ReturnCount();
    if (r.nSheets != 0 || r.nLines != 1 || r.nChars != 4)
        return 3;

    r = CountText(text, strlen(text), PENWICK_DEFAULT_KINSOKU, strlen(PENWICK_DEFAULT_KINSOKU), 3, 1, 0);
    if (r.nSheets != 2 || r.nLines != 0 || r.nChars != 4)
        return 4;
    if (sizeof(CountResult) != 12)
        return 5;
    return 0;
}
