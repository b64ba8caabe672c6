// SPDX-License-Identifier: GPL-3.0-or-later
#include "CharKind.h"

#include <unicode/uchar.h>

#include <array>

namespace penwick::counter {

CharKind charKindSlow(char32_t cp)
{
    switch (cp) {
    case 0x09: return CharKind::Space;
    case 0x0A: case 0x0B: case 0x0C: case 0x85: case 0x2028: case 0x2029:
        return CharKind::Break;
    case 0x0D: return CharKind::CarriageReturn;
    case 0x200C: case 0x200D: return CharKind::ExtendFormat;
    case 0xFF9E: case 0xFF9F: return CharKind::Extend;
    default: break;
    }
    if (cp >= 0x1F1E6 && cp <= 0x1F1FF)
        return CharKind::Regional;
    if (cp >= 0x1F3FB && cp <= 0x1F3FF)
        return CharKind::Extend;
    if (cp >= 0xE0020 && cp <= 0xE007F)
        return CharKind::ExtendFormat;
    switch (u_charType(static_cast<UChar32>(cp))) {
    case U_NON_SPACING_MARK: case U_ENCLOSING_MARK: case U_COMBINING_SPACING_MARK:
        return CharKind::Extend;   // variation selectors are Mn as well
    case U_CONTROL_CHAR: case U_FORMAT_CHAR:
        return CharKind::Ignored;
    case U_SPACE_SEPARATOR:
        return CharKind::Space;
    case U_OTHER_SYMBOL:
        return CharKind::Symbol;
    default:
        return CharKind::Base;
    }
}

namespace {

// Built when the library is loaded: one byte per BMP code point keeps the hot loop free of
// property look-ups for all Japanese text.
const std::array<CharKind, 0x10000>& buildBmpKinds()
{
    static std::array<CharKind, 0x10000> table = [] {
        std::array<CharKind, 0x10000> t{};
        for (char32_t cp = 0; cp < 0x10000; ++cp)
            t[cp] = charKindSlow(cp);
        return t;
    }();
    return table;
}

} // namespace

const CharKind* const bmpKinds = buildBmpKinds().data();

} // namespace penwick::counter
