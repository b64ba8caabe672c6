// SPDX-License-Identifier: GPL-3.0-or-later
// The one pass over the XML the serialiser writes, before it is encoded for a file:
//
// - reload protection (protectText): character data that a parser would not give back as
//   written — a carriage return (every parser turns it into a line feed), or a run of
//   nothing but white space inside an element (dropped as layout) — is written as
//   character references, which parsers keep, so a node's text survives a save and a
//   load exactly; comments, PIs and CDATA sections are copied as they are;
// - references for characters the target encoding cannot hold (canHold): in text and
//   attribute values such a character becomes &#xHEX;; anywhere else (names, comments,
//   processing instructions, CDATA, the document type) it cannot be written, and the pass
//   stops there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace penwick {

// Whether the target encoding holds the character cp, whose UTF-8 form is utf8.
class CharacterFilter {
public:
    virtual ~CharacterFilter() = default;
    virtual bool canHold(char32_t cp, std::string_view utf8) = 0;
};

struct XmlPostPassResult {
    bool changed = false;       // out holds the result; otherwise the input is the result
    bool stopped = false;       // a character could not be written where it stands
    std::size_t offset = 0;     // its offset in the input
    char32_t cp = 0;
    const char* where = "";     // the kind of markup it stands in, in Japanese
};

// xml is well-formed UTF-8 as the serialiser wrote it. When anything had to change, the
// result is in out (replacing what it held); with canHold null every character is kept.
XmlPostPassResult XmlPostPass(std::string_view xml, bool protectText, CharacterFilter* canHold, std::string& out);

}  // namespace penwick
