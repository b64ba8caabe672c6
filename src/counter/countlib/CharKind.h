// SPDX-License-Identifier: GPL-3.0-or-later
// What one code point does to the cell structure of a line: starts a cell, attaches to the
// cell before it, takes no cell at all, or ends the source line.
#pragma once

#include <cstdint>

namespace penwick::counter {

enum class CharKind : std::uint8_t {
    Base,        // starts a cell
    Space,       // starts a cell that is white space (TAB, Zs): not a character
    Symbol,      // starts a cell, but joins the cell before it right after a ZWJ (So)
    Regional,    // regional indicator: two in a row make one flag
    Extend,      // combining marks, variation selectors, emoji modifiers, ﾞﾟ
    ExtendFormat,// ZWJ, ZWNJ, tag characters: attach, but alone take no cell
    Ignored,     // other controls and format characters: no cell, breaks a cluster
    Break,       // LF, VT, FF, NEL, LS, PS
    CarriageReturn,
};

// Kinds of the whole BMP come from a table built once; the rest from ICU on demand.
CharKind charKindSlow(char32_t cp);
extern const CharKind* const bmpKinds;

inline CharKind charKind(char32_t cp)
{
    return cp < 0x10000 ? bmpKinds[cp] : charKindSlow(cp);
}

} // namespace penwick::counter
