// SPDX-License-Identifier: GPL-3.0-or-later
// A PDF file written front to back: numbered objects, streams (deflated when asked), then
// the cross-reference table and the trailer. Just what a page of drawn lines and embedded
// glyphs needs; it knows nothing of pages or fonts itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::pdf {

class PdfWriter {
public:
    PdfWriter();

    // A new object number, to be written later with add or addStream.
    int reserve();
    // Writes object `id`: `body` is its PDF text ("<< ... >>", "[ ... ]", ...).
    void add(int id, std::string_view body);
    // Writes object `id` as a stream; `dict` is the stream dictionary's entries without
    // /Length (and /Filter, which compress adds).
    void addStream(int id, std::string_view dict, std::string_view data, bool compress = true);
    // The whole file: objects reserved but never written become null.
    std::string finish(int catalog, int info);

private:
    std::string m_out;
    std::vector<std::size_t> m_offsets;   // by object number - 1; 0: not written yet
};

// Four upper-case hex digits of the low 16 bits of value, appended (glyph codes, UTF-16).
void AppendHex4(std::string& out, unsigned value);
// UTF-16BE in hex digits, surrogate pairs above the BMP (ToUnicode maps want this).
std::string Utf16Hex(std::string_view utf8);
// A text string for the document information dictionary: UTF-16BE with a byte order mark,
// in hex.
std::string TextString(std::string_view utf8);
// A number with at most two decimals and no trailing zeros, as content streams want them.
std::string Num(double value);

} // namespace penwick::pdf
