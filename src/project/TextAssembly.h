// SPDX-License-Identifier: GPL-3.0-or-later
// The project's text as export and counting see it: the own texts of the nodes flagged
// for export, joined by line feeds in outline order.
//
// A node's part is its own text when its second attribute is exactly "yes", then, for
// each child node in document order (its text element included), "\n" followed by that
// child's part. Chapters follow one another with nothing between them. Failures
// (a comment among the nodes, a node with one attribute, a flagged node without a text
// holder) are reported through the callback and cost only that node's part, as the
// outline pane reports them.
#pragma once

#include "DomDocument.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

// What GetChapterText gives for an index at or past the last chapter.
inline constexpr std::string_view kEndMarker = "\n\rEND\r\n";

// Called once per failure with its code and the operation's name ("GetTreeText" or
// "GetChapterText").
using FailureReport = std::function<void(HRESULT hr, std::string_view operation)>;

// The part of one node (and everything below it). Iterative: any depth is safe.
std::string GetTreeText(DomNode node, const FailureReport& report);

// The part of the index-th child of the document element (0-based, every child node
// counted), kEndMarker when there is no child at that index, "" after a failure
// (no document element, or an index more than one past the last child).
std::string GetChapterText(const DomDocument& doc, int index, const FailureReport& report);

// The parts of all chapters in order, as the export and the counter loop over them.
// Stops at the end marker; returns false, with chapters incomplete, when a chapter could
// not be read at all (the caller then writes or counts nothing).
bool GetAllChapterTexts(const DomDocument& doc, const FailureReport& report,
                        std::vector<std::string>* chapters);

// Where a flagged node's own text lies in an assembled text (bytes).
struct TextSpan {
    DomNode node;
    std::size_t begin = 0;
    std::size_t length = 0;
};

// The chapters' parts joined, exactly as the export and the counter's total see them, and
// the span of every flagged node's own text in it, in text order. False (and nothing) when
// there is no document element.
bool AssembleProjectText(const DomDocument& doc, const FailureReport& report, std::string* text,
                         std::vector<TextSpan>* spans);

}  // namespace penwick
