// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectFormat.h"

#include <algorithm>

namespace penwick::format {

HRESULT ReadProjectTitle(const DomDocument& doc, std::string* title)
{
    const DomNode root = doc.documentElement();
    if (!root)
        return E_POINTER;
    const DomAttribute first = root.firstAttribute();
    if (!first)
        return E_POINTER;
    *title = first.value();
    return S_OK;
}

HRESULT WriteProjectTitle(DomDocument& doc, std::string_view title)
{
    const DomNode root = doc.documentElement();
    if (!root)
        return E_POINTER;
    DomAttribute first = root.firstAttribute();
    if (!first)
        return E_POINTER;
    first.setValue(title);
    return S_OK;
}

bool IsOutlineNode(DomNode node)
{
    return node && node.nodeType() == DomNodeType::Element && node.firstAttribute();
}

std::string NodeTitle(DomNode node)
{
    return node.firstAttribute().value();
}

void ForEachOutlineNode(const DomDocument& doc,
                        const std::function<void(DomNode node, const std::string& path, int chapter)>& visit)
{
    struct Visit {
        DomNode node;
        std::string parentPath;
        int chapter;
    };
    std::vector<Visit> todo;   // a stack: no recursion however deep the outline
    const auto pushChildren = [&](DomNode parent, const std::string& path, int chapter) {
        const std::size_t at = todo.size();
        for (DomNode c = parent.firstChild(); c; c = c.nextSibling())
            if (IsOutlineNode(c))
                todo.push_back({c, path, chapter});
        std::reverse(todo.begin() + std::ptrdiff_t(at), todo.end());
    };
    const DomNode root = doc.documentElement();
    if (!root)
        return;
    int chapters = 0;
    for (DomNode c = root.firstChild(); c; c = c.nextSibling())
        if (IsOutlineNode(c))
            todo.push_back({c, {}, chapters++});
    std::reverse(todo.begin(), todo.end());
    while (!todo.empty()) {
        const Visit v = std::move(todo.back());
        todo.pop_back();
        const std::string title = NodeTitle(v.node);
        const std::string path = v.parentPath.empty() ? title : v.parentPath + " › " + title;
        visit(v.node, path, v.chapter);
        pushChildren(v.node, path, v.chapter);
    }
}

HRESULT ReadExportFlag(DomNode node, std::string* flag)
{
    const DomAttribute second = node.attribute(1);
    if (!second)
        return E_POINTER;
    *flag = second.value();
    return S_OK;
}

std::string NodeOwnText(DomNode node)
{
    const DomNode holder = node.firstChild();
    if (!holder || IsOutlineNode(holder))
        return {};   // no text of its own: the first child is a sub-node
    return holder.text();
}

HRESULT StoreNodeText(DomDocument& doc, DomNode node, std::string_view text)
{
    if (!node || node.nodeType() != DomNodeType::Element)
        return E_POINTER;
    DomNode holder = node.firstChild();
    const DomNodeType kind = holder ? holder.nodeType() : DomNodeType::Null;
    if (kind == DomNodeType::Text || kind == DomNodeType::CData)
        return holder.setNodeValue(text);   // the node's text stands directly in it
    DomNode textNode = doc.createTextNode(text);
    if (!textNode)
        return E_OUTOFMEMORY;
    if (kind == DomNodeType::Element && !IsOutlineNode(holder)) {
        // Character data goes; elements inside the holder stay where they are.
        for (DomNode child = holder.firstChild(); child;) {
            const DomNode next = child.nextSibling();
            const DomNodeType type = child.nodeType();
            if (type == DomNodeType::Text || type == DomNodeType::CData) {
                if (const HRESULT hr = doc.removeChild(holder, child); FAILED(hr)) {
                    doc.discard(textNode);
                    return hr;
                }
            }
            child = next;
        }
        const HRESULT hr = doc.insertBefore(holder, textNode, holder.firstChild());
        if (FAILED(hr))
            doc.discard(textNode);
        return hr;
    }
    // No holder of its own: one is made, in front of whatever comes first.
    DomNode element = doc.createElement(kText);
    if (!element) {
        doc.discard(textNode);
        return E_OUTOFMEMORY;
    }
    HRESULT hr = doc.appendChild(element, textNode);
    if (FAILED(hr)) {
        doc.discard(textNode);
        doc.discard(element);
        return hr;
    }
    hr = doc.insertBefore(node, element, holder);
    if (FAILED(hr))
        doc.discard(element);
    return hr;
}

std::string_view SiblingElementName(DomNode selected)
{
    return selected.nodeName() == kParagraph ? kParagraph : kChapter;
}

HRESULT CreateOutlineElement(DomDocument& doc, std::string_view name, std::string_view title,
                             bool exported, std::string_view type, DomNode* element)
{
    *element = {};
    DomNode el = doc.createElement(name);
    DomNode text = doc.createElement(kText);
    if (!el || !text)
        return E_OUTOFMEMORY;
    HRESULT hr = doc.setAttribute(el, kTitleAttr, title);
    if (SUCCEEDED(hr))
        hr = doc.setAttribute(el, kTextOutAttr, exported ? kYes : kNo);
    if (SUCCEEDED(hr))
        hr = doc.setAttribute(el, kTypeAttr, type);
    if (SUCCEEDED(hr))
        hr = doc.appendChild(el, text);
    if (FAILED(hr)) {
        doc.discard(el);
        doc.discard(text);
        return hr;
    }
    *element = el;
    return S_OK;
}

std::size_t CountCodePoints(std::string_view utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace penwick::format
