// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Searching every node's own text in outline order, with the Find dialog's two options:
// whole words (both ends of an occurrence at a Unicode word boundary: no dictionary, so
// between kanji or kana every character is a boundary and a katakana or Latin run is one
// word) and match case (otherwise Unicode simple case folding, ａ/Ａ and a/A alike).
// Node texts are searched as the editor shows them, CR LF read as one line end.

#include "DomDocument.h"
#include "ProjectFormat.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

struct SearchOptions {
    bool wholeWord = false;
    bool matchCase = false;
};

struct SearchHit {
    DomNode node;
    std::string path;        // the titles from the top level down, joined by " › "
    int line = 0;            // 1-based, within the node's text
    std::string lineText;    // that line (UTF-8)
    std::size_t lineStart = 0, lineLength = 0;   // the match within lineText, in bytes
    int start = 0, length = 0;                   // the match in the node's text, in UTF-16 units
};

// Every occurrence of pattern in the own texts of the outline's nodes, in outline order
// (and in text order within a node). An empty pattern finds nothing.
std::vector<SearchHit> SearchProject(const DomDocument& doc, std::string_view pattern, SearchOptions options,
                                     const TextOverride& edited = {});

}  // namespace penwick
