// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the ruby and emphasis notation parser on any bytes. Besides "no crash":
//  - marks lie inside the text, in order, without overlapping, each base inside its mark;
//  - a ruby's reading lies inside its mark, after the base, and holds no line end;
//  - the plain text is never longer than the text, and parsing it again finds nothing a
//    ruby could have hidden: it is a fixed point when the text held no notation at all.
#include "RubyNotation.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace penwick::notation;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<Mark> marks = Parse(text);
    std::size_t end = 0;
    for (const Mark& m : marks) {
        if (m.start < end || m.start > m.baseStart || m.baseStart > m.baseEnd || m.baseEnd > m.end || m.end > size)
            std::abort();
        if (m.kind == Kind::Ruby
            && (m.rubyStart < m.baseEnd || m.rubyEnd < m.rubyStart || m.rubyEnd > m.end
                || text.substr(m.rubyStart, m.rubyEnd - m.rubyStart).find('\n') != std::string_view::npos))
            std::abort();
        end = m.end;
    }
    const std::string plain = PlainText(text);
    if (plain.size() > size)
        std::abort();
    if (marks.empty() && plain != text)
        std::abort();
    return 0;
}
