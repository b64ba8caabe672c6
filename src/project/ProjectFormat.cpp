#include "ProjectFormat.h"

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
    return holder ? holder.text() : std::string();
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
