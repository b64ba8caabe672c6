// SPDX-License-Identifier: GPL-3.0-or-later
// The characters an XML 1.0 document can hold, and keeping every other one out of the
// project: at load time (character references such as &#0; or &#xD800;, raw control
// characters) and when text enters the document (typed, pasted, set by a command).
// Whatever XML 1.0 cannot hold becomes U+FFFD, so no text after it is lost and every
// file Penwick writes is one that any XML parser reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace penwick {

// TAB, LF, CR, U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF.
constexpr bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

// XML's white space (production S): space, TAB, CR, LF.
constexpr bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Just past the end of the tag that s[from] lies in: past the first '>' at or after from
// that stands outside a quoted attribute value, or s.size().
std::size_t XmlTagEnd(std::string_view s, std::size_t from);

// Just past the end of the comment, CDATA section or processing instruction that opens at
// s[i] (its end searched after its opener: "<!-->" does not close the comment), s.size()
// when it is not closed; 0 when none opens there. Their content is never markup.
std::size_t XmlMarkupEnd(std::string_view s, std::size_t i);

// Whether the UTF-8 text is an XML Name (XML 1.0 fifth edition) with at most one colon,
// between two parts, as parsers that know namespaces require: the parser we use takes any
// non-ASCII character and any colons in names, which other parsers refuse.
bool IsXmlName(std::string_view utf8);

// The text with each character XML 1.0 cannot hold, and each ill-formed UTF-8 sequence,
// replaced by U+FFFD; *replaced counts them. Text that needs nothing comes back as it was.
std::string ToXmlText(std::string_view utf8, std::size_t* replaced = nullptr);

// Before a decoded document is parsed: character references to characters XML cannot hold
// (in character data and attribute values) and raw control characters become U+FFFD.
// Comments, CDATA sections and processing instructions keep their references as text.
struct XmlCharRepair {
    std::size_t count = 0;                            // characters replaced
    std::size_t firstOffset = std::string_view::npos; // where the first one stood in the input
    std::string firstText;                            // and how it was written ("&#0;", "U+0001")
};
// Returns the repaired text in out only when something was replaced (out untouched otherwise).
XmlCharRepair RepairXmlCharacters(std::string_view utf8, std::string& out);

}  // namespace penwick
