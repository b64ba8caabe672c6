// SPDX-License-Identifier: GPL-3.0-or-later
// What a project document holds, read by position as the file format demands.
//
// A project is a document element whose first attribute is the project title, and below
// it an ordered tree of outline nodes ("chapter" directly below the root, "paragraph"
// deeper). An outline node's attributes are, by position, its title, its include-on-export
// flag and its type; its first child is the element holding its own text. Names are only
// written when nodes are created: readers go by position, so files whose elements carry
// other names still load.
#pragma once

#include "DomDocument.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace penwick {
// A node's text as it is being edited, in place of the stored one (nullopt: the stored one).
using TextOverride = std::function<std::optional<std::string>(DomNode)>;
}

namespace penwick::format {

inline constexpr std::string_view kChapter = "chapter";
inline constexpr std::string_view kParagraph = "paragraph";
inline constexpr std::string_view kText = "text";
inline constexpr std::string_view kTitleAttr = "title";
inline constexpr std::string_view kTextOutAttr = "textout";
inline constexpr std::string_view kTypeAttr = "type";
inline constexpr std::string_view kYes = "yes";
inline constexpr std::string_view kNo = "no";
inline constexpr std::string_view kBasicType = "Basic";

// The document element's first attribute value. E_POINTER without root or attribute.
HRESULT ReadProjectTitle(const DomDocument& doc, std::string* title);
// Rewrites the value of the document element's first attribute, whatever its name.
HRESULT WriteProjectTitle(DomDocument& doc, std::string_view title);

// A node shown in the outline: an element carrying at least one attribute.
bool IsOutlineNode(DomNode node);
// First attribute value (the label); empty when there is none.
std::string NodeTitle(DomNode node);
// Calls visit(node, path, chapter) for every outline node below the document element in
// outline order (depth first, in document order): path is its titles from the top level
// down joined by " › ", chapter the index of its top-level ancestor (itself at the top).
void ForEachOutlineNode(const DomDocument& doc,
                        const std::function<void(DomNode node, const std::string& path, int chapter)>& visit);
// Second attribute value. E_POINTER when the node has fewer than two attributes.
HRESULT ReadExportFlag(DomNode node, std::string* flag);
// Only the exact value "yes" includes a node's own text in an export.
inline bool IsExported(std::string_view flag) { return flag == kYes; }
// The node's own text: the character content of its first child ("" when it has none, or
// when the first child is itself an outline node).
std::string NodeOwnText(DomNode node);

// Stores text as the node's own text, into the element holding it (the first child). A
// node without such an element (its first child is an outline node, character data or
// nothing) gets a new text element first. Only character data is replaced: no element is
// ever replaced or removed, so every outline node, and every handle to one, stays valid.
HRESULT StoreNodeText(DomDocument& doc, DomNode node, std::string_view text);

// Name of a sibling added next to selected: "paragraph" beside a paragraph, else "chapter".
std::string_view SiblingElementName(DomNode selected);

// A new detached outline element: attributes title, textout ("yes"/"no"), type in that
// order and an empty text element as its only child. Insert it with appendChild/insertBefore.
HRESULT CreateOutlineElement(DomDocument& doc, std::string_view name, std::string_view title,
                             bool exported, std::string_view type, DomNode* element);

// Number of Unicode code points in UTF-8 text.
std::size_t CountCodePoints(std::string_view utf8);

}  // namespace penwick::format
