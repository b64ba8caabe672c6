// SPDX-License-Identifier: GPL-3.0-or-later
// A Japanese font set top to bottom in a PDF. It finds the face through fontconfig, shapes
// each cell vertically with HarfBuzz (so 「」、。ー take their vertical forms), remembers
// the glyphs used and the text each stands for, and at the end embeds a subset of the
// font (HarfBuzz's subsetter) as a Type 0 font in vertical writing mode (Identity-V) with
// a ToUnicode map. Vertical mode is what lets text extraction read the columns top to
// bottom and right to left; a horizontal font placed glyph by glyph reads as rows.
//
// Codes in the content are the font's own glyph numbers, which the subset keeps: a CJK
// CFF font is CID-keyed with CID = glyph number (Noto CJK, Source Han); a TrueType font
// maps them through the identity.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::pdf {

class PdfWriter;

// One glyph of a cell: where its vertical origin goes, in ems from the top centre of the
// cell's em square (y grows downwards).
struct PlacedGlyph {
    std::uint16_t code = 0;
    double x = 0;
    double y = 0;
};

class VerticalFont {
public:
    // The best match for `family` (a fontconfig pattern such as "Noto Serif CJK JP") that
    // covers Japanese; null with a message when there is none.
    static std::unique_ptr<VerticalFont> Open(const std::string& family, std::string* error);
    ~VerticalFont();
    VerticalFont(const VerticalFont&) = delete;
    VerticalFont& operator=(const VerticalFont&) = delete;

    // The glyphs of one cell, shaped top to bottom (kept: one cell is shaped once).
    const std::vector<PlacedGlyph>& shape(std::string_view cell);

    // Writes the font's objects, the Type 0 font as object `id` (reserved by the caller):
    // descendant font, descriptor, the subset font program, widths and the ToUnicode map.
    // False with a message when the subset cannot be made.
    bool write(PdfWriter& pdf, int id, std::string* error) const;

private:
    struct Impl;
    explicit VerticalFont(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m;
};

} // namespace penwick::pdf
