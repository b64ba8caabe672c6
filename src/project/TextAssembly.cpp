// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextAssembly.h"

#include "ProjectFormat.h"

namespace penwick {

namespace {

constexpr std::string_view kTreeText = "GetTreeText";
constexpr std::string_view kChapterText = "GetChapterText";

// A node's own contribution. Returns false when its children are not to be visited:
// after a failure, and for text nodes and elements without attributes.
bool AppendOwnPart(DomNode node, std::string& out, const FailureReport& report, std::vector<TextSpan>* spans)
{
    const DomNodeType type = node.nodeType();
    if (type == DomNodeType::Text)
        return false;
    DomAttributeMap attributes = node.attributes();
    if (!attributes) {   // comments, PIs, CDATA: no attribute list
        report(E_POINTER, kTreeText);
        return false;
    }
    if (!attributes.nextNode())
        return false;
    const DomAttribute flag = attributes.nextNode();
    if (!flag) {
        report(E_POINTER, kTreeText);
        return false;
    }
    if (format::IsExported(flag.value())) {
        const DomNode holder = node.firstChild();
        if (!holder) {
            report(E_POINTER, kTreeText);
            return false;
        }
        const std::string text = holder.text();
        if (spans)
            spans->push_back({node, out.size(), text.size()});
        out += text;
    }
    return true;
}

void AppendTreeText(DomNode root, std::string& out, const FailureReport& report, std::vector<TextSpan>* spans)
{
    if (!root || !AppendOwnPart(root, out, report, spans))
        return;
    // Pre-order walk below root; every visited child adds "\n" before its own part.
    DomNode cur = root.firstChild();
    while (cur) {
        out += '\n';
        if (AppendOwnPart(cur, out, report, spans) && cur.firstChild()) {
            cur = cur.firstChild();
            continue;
        }
        while (cur != root && !cur.nextSibling())
            cur = cur.parentNode();
        if (cur == root)
            break;
        cur = cur.nextSibling();
    }
}

}  // namespace

std::string GetTreeText(DomNode root, const FailureReport& report)
{
    std::string out;
    AppendTreeText(root, out, report, nullptr);
    return out;
}

std::string GetChapterText(const DomDocument& doc, int index, const FailureReport& report)
{
    const DomNode root = doc.documentElement();
    if (!root || index < 0) {
        report(E_POINTER, kChapterText);
        return {};
    }
    DomNode node = root.firstChild();
    if (!node)
        return std::string(kEndMarker);
    for (int i = 0; i < index; ++i) {
        if (!node) {   // ran out before the last step: more than one past the end
            report(E_POINTER, kChapterText);
            return {};
        }
        node = node.nextSibling();
    }
    if (!node)
        return std::string(kEndMarker);
    return GetTreeText(node, report);
}

bool GetAllChapterTexts(const DomDocument& doc, const FailureReport& report,
                        std::vector<std::string>* chapters)
{
    chapters->clear();
    const DomNode root = doc.documentElement();
    if (!root) {
        report(E_POINTER, kChapterText);
        return false;
    }
    // The same as asking GetChapterText for 0, 1, 2 ... without walking the siblings
    // again for every index.
    for (DomNode node = root.firstChild(); node; node = node.nextSibling()) {
        std::string text = GetTreeText(node, report);
        if (text == kEndMarker)   // a chapter that reads as the marker ends the project
            break;
        chapters->push_back(std::move(text));
    }
    return true;
}

bool AssembleProjectText(const DomDocument& doc, const FailureReport& report, std::string* text,
                         std::vector<TextSpan>* spans)
{
    text->clear();
    spans->clear();
    const DomNode root = doc.documentElement();
    if (!root) {
        report(E_POINTER, kChapterText);
        return false;
    }
    std::string chapter;
    std::vector<TextSpan> chapterSpans;
    for (DomNode node = root.firstChild(); node; node = node.nextSibling()) {
        chapter.clear();
        chapterSpans.clear();
        AppendTreeText(node, chapter, report, &chapterSpans);
        if (chapter == kEndMarker)
            break;
        for (TextSpan& span : chapterSpans) {
            span.begin += text->size();
            spans->push_back(span);
        }
        *text += chapter;
    }
    return true;
}

}  // namespace penwick
