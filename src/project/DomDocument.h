// SPDX-License-Identifier: GPL-3.0-or-later
// The project's DOM service: one XML document with the node operations the program uses.
//
// Nodes are light handles (DomNode, DomAttribute) into a DomDocument; a handle stays valid
// until its node is removed or the document is reloaded. Operations that can fail return a
// result code (ResultCode.h); handles that may be missing are simply null and the caller
// decides whether that is a failure (usually E_POINTER).
//
// Parsing keeps attribute order, comments, processing instructions and the declaration,
// and drops whitespace-only text between elements. Every walk over the tree is iterative,
// and files nested deeper than kMaxDepth are refused, so no input can exhaust the stack.
#pragma once

#include "FileIO.h"
#include "ResultCode.h"

#include <future>
#include <memory>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
class xml_node_struct;
class xml_attribute_struct;
}  // namespace pugi

namespace penwick {

class DomDocument;

// Node types, numbered as in the DOM standard.
enum class DomNodeType : int {
    Null = 0,
    Element = 1,
    Text = 3,
    CData = 4,
    ProcessingInstruction = 7,  // the XML declaration counts as one
    Comment = 8,
    Document = 9,
    DocumentType = 10,
};

// Elements may nest this deep below the document (the document element is depth 1).
constexpr int kMaxDepth = 1000;

class DomAttribute {
public:
    DomAttribute() = default;
    explicit operator bool() const { return m_attr != nullptr; }
    bool operator==(const DomAttribute&) const = default;

    std::string name() const;
    std::string value() const;          // nodeValue of the attribute
    void setValue(std::string_view value);
    DomAttribute next() const;          // the following attribute in document order, or null

private:
    friend class DomNode;
    friend class DomAttributeMap;
    explicit DomAttribute(pugi::xml_attribute_struct* a) : m_attr(a) {}
    pugi::xml_attribute_struct* m_attr = nullptr;
};

// The attribute map of an element, in document order. Each fresh map's nextNode()
// starts at the first attribute.
class DomAttributeMap {
public:
    explicit operator bool() const { return m_valid; }
    DomAttribute nextNode();
    DomAttribute item(int index) const;
    int length() const;

private:
    friend class DomNode;
    DomAttributeMap() = default;
    DomAttributeMap(pugi::xml_node_struct* owner);
    pugi::xml_node_struct* m_owner = nullptr;
    pugi::xml_attribute_struct* m_next = nullptr;
    bool m_valid = false;
};

class DomNode {
public:
    DomNode() = default;
    explicit operator bool() const { return m_node != nullptr; }
    bool operator==(const DomNode&) const = default;

    DomNodeType nodeType() const;
    // Element name; "#text", "#cdata-section", "#comment", "#document" for the others,
    // the target for a processing instruction ("xml" for the declaration).
    std::string nodeName() const;
    // Content of a text, CDATA, comment or PI node; empty for elements.
    std::string nodeValue() const;
    HRESULT setNodeValue(std::string_view value);
    // Renames an element (E_INVALIDARG for anything else, or a name XML cannot hold).
    HRESULT setNodeName(std::string_view name);

    DomNode firstChild() const;
    DomNode lastChild() const;
    DomNode nextSibling() const;
    DomNode previousSibling() const;
    DomNode parentNode() const;        // the document element's parent is the document node
    bool hasChildNodes() const { return bool(firstChild()); }

    // Null map for anything but an element (a comment has no attribute map).
    DomAttributeMap attributes() const;
    DomAttribute firstAttribute() const;
    DomAttribute attribute(int index) const;   // by position, null when missing

    // Character content of the node and all its descendants (text and CDATA), in order.
    std::string text() const;

    // Depth below the document node: the document element is 1. Null node: 0.
    int depth() const;
    // Levels of elements in this subtree, the node itself counting 1 (0 for non-elements).
    int subtreeDepth() const;

    // For code that needs the raw node (inside the core only).
    pugi::xml_node_struct* internal() const { return m_node; }
    static DomNode fromInternal(pugi::xml_node_struct* n) { return DomNode(n); }

private:
    friend class DomDocument;
    explicit DomNode(pugi::xml_node_struct* n) : m_node(n) {}
    pugi::xml_node_struct* m_node = nullptr;
};

class DomDocument {
public:
    DomDocument();
    ~DomDocument();
    DomDocument(const DomDocument&) = delete;
    DomDocument& operator=(const DomDocument&) = delete;

    // Replaces the content with the file's, or fails and leaves the content untouched.
    // The message names the file and the problem: missing, empty, unreadable, not
    // well-formed (line, column, reason), NUL bytes, undecodable bytes, too deep.
    Status load(const std::string& path);
    // After a successful load: what the user should be told once (characters XML cannot
    // hold that were replaced by U+FFFD, with line and column), else empty.
    const std::string& loadNotice() const { return m_loadNotice; }
    // The same from bytes in memory; displayName stands for the file in messages.
    Status loadFromBytes(std::string_view bytes, const std::string& displayName);
    // Writes the whole document atomically in the encoding its declaration names (a
    // UTF-16/32 file without one stays in its own form).
    // ops is the writer's seam for tests that inject short writes, full disks and the like.
    Status save(const std::string& path, FileOps& ops = FileOps::system()) const;
    // The bytes save() would write.
    Status serialize(std::string& bytes) const;

    // Empties the document (no document element).
    void clear();

    DomNode documentNode() const;
    DomNode documentElement() const;        // null when there is none
    std::string declaredEncoding() const;   // the declaration's encoding, empty when none
    // Names the encoding the next save writes (adds a declaration when there is none).
    HRESULT setDeclaredEncoding(std::string_view encoding);

    // New nodes belong to this document but to no parent until inserted.
    DomNode createElement(std::string_view name);
    DomNode createTextNode(std::string_view text);
    // Adds the attribute after the element's existing ones; an existing attribute of that
    // name gets the new value in place.
    HRESULT setAttribute(DomNode element, std::string_view name, std::string_view value);

    // Inserting a node that already has a parent in this document moves it; inserting a
    // node of another document (or a detached one) inserts a copy. The inserted node is
    // returned through inserted (always use it: a copy is a different node).
    HRESULT appendChild(DomNode parent, DomNode child, DomNode* inserted = nullptr);
    HRESULT insertBefore(DomNode parent, DomNode child, DomNode reference, DomNode* inserted = nullptr);
    HRESULT replaceChild(DomNode parent, DomNode newChild, DomNode oldChild, DomNode* inserted = nullptr);
    // The removed subtree is destroyed.
    HRESULT removeChild(DomNode parent, DomNode child);

    // A detached copy in this document of a node from any document: deep copies the whole
    // subtree, shallow the element with its attributes and no children.
    DomNode importNode(DomNode node, bool deep);
    DomNode cloneNode(DomNode node, bool deep) { return importNode(node, deep); }
    // Throws away a detached node made by create/import.
    void discard(DomNode detached);

    bool contains(DomNode node) const;     // attached in this document
    bool isDetached(DomNode node) const;   // made here by create/import and not inserted

private:
    HRESULT insert(DomNode parent, DomNode child, DomNode before, DomNode* inserted);
    // The body of load and loadFromBytes; owned, when given, holds bytes and may be taken over.
    Status decodeAndParse(std::string_view bytes, std::string* owned, const std::string& displayName);
    // What a long text is checked for beside its parse.
    struct AsideChecks {
        std::string notUtf8;      // why the bytes are not UTF-8; empty when they are
        std::size_t outsideJunk;  // as outsideJunk in the parse
    };
    // aside, when given, holds the checks of utf8 run beside the parse; whether the text is
    // UTF-8 at all decides before anything else.
    Status parse(std::string_view utf8, const std::string& displayName, bool bom,
                 const std::string& encoding, std::future<AsideChecks>* aside = nullptr);

    std::unique_ptr<pugi::xml_document> m_doc;
    std::unique_ptr<pugi::xml_document> m_scratch;   // detached nodes live here
    bool m_bom = false;                              // the loaded file had a byte-order mark
    std::string m_loadedEncoding;                    // what the loaded file's bytes were
    std::string m_loadNotice;
    mutable std::size_t m_lastSerializedSize = 0;    // bytes the last serialize wrote, before encoding
};

}  // namespace penwick
