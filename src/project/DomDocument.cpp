// SPDX-License-Identifier: GPL-3.0-or-later
#include "DomDocument.h"

#include "FileIO.h"
#include "XmlChars.h"
#include "XmlEncoding.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <cstring>
#include <optional>
#include <vector>

namespace penwick {

namespace {

// The parser's blocks come from malloc as they always did; the one holding a copy of a
// whole manuscript is asked for huge pages (see AdviseLargeBuffer).
void* AllocateForParser(size_t size)
{
    void* block = std::malloc(size);
    if (block && size >= (std::size_t(4) << 20))
        AdviseLargeBuffer(block, size);
    return block;
}

const bool kParserAllocatorSet = [] {
    pugi::set_memory_management_functions(AllocateForParser, std::free);
    return true;
}();

// Comments, PIs, the declaration and the doctype are kept so that a save gives back what
// was loaded. Whitespace between elements is dropped, but an element whose only content
// is white space (a node text of blank lines) keeps it.
constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata_single;
// No indentation: the file holds no whitespace-only text of its own making, and the
// declaration is written only when the document has one.
constexpr unsigned kFormatOptions = pugi::format_raw | pugi::format_no_declaration;

pugi::xml_node N(pugi::xml_node_struct* n) { return pugi::xml_node(n); }
pugi::xml_attribute A(pugi::xml_attribute_struct* a) { return pugi::xml_attribute(a); }

bool isText(const pugi::xml_node& n)
{
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// Next node of a pre-order walk of the subtree of root, descending only when descend.
pugi::xml_node nextInWalk(pugi::xml_node cur, const pugi::xml_node& root, bool descend = true)
{
    if (descend)
        if (pugi::xml_node c = cur.first_child())
            return c;
    while (cur != root && !cur.next_sibling())
        cur = cur.parent();
    return cur == root ? pugi::xml_node() : cur.next_sibling();
}

// Visits the nodes below root in pre-order, each with its element level: root counts as 1
// when it is an element (0 otherwise) and each node is one level below its parent. Stops as
// soon as visit answers false.
template <class Visit>
void walkWithLevels(const pugi::xml_node& root, Visit&& visit)
{
    int level = root.type() == pugi::node_element ? 1 : 0;   // of cur's parent
    for (pugi::xml_node cur = root.first_child(); cur;) {
        if (!visit(cur, level + 1))
            return;
        if (pugi::xml_node child = cur.first_child()) {
            ++level;
            cur = child;
            continue;
        }
        while (cur != root && !cur.next_sibling()) {
            cur = cur.parent();
            --level;
        }
        cur = cur == root ? pugi::xml_node() : cur.next_sibling();
    }
}

// Deepest element level below root, counting root itself as 1 when it is an element.
int elementDepth(const pugi::xml_node& root)
{
    if (root.type() != pugi::node_element && root.type() != pugi::node_document)
        return 0;
    int deepest = root.type() == pugi::node_element ? 1 : 0;
    walkWithLevels(root, [&](const pugi::xml_node& n, int level) {
        if (n.type() == pugi::node_element)
            deepest = std::max(deepest, level);
        return true;
    });
    return deepest;
}

// 1-based line and column (in characters) of a byte offset in UTF-8 text.
void lineAndColumn(std::string_view text, std::size_t offset, int* line, int* column)
{
    offset = std::min(offset, text.size());
    int l = 1, c = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\n') {
            ++l;
            c = 1;
        } else if ((b & 0xC0) != 0x80) {
            ++c;
        }
    }
    *line = l;
    *column = c;
}

const char* parseStatusText(pugi::xml_parse_status status)
{
    switch (status) {
    case pugi::status_out_of_memory: return "メモリが不足しています。";
    case pugi::status_unrecognized_tag: return "タグを解釈できません。";
    case pugi::status_bad_pi: return "処理命令または XML 宣言が正しくありません。";
    case pugi::status_bad_comment: return "コメントが正しくありません。";
    case pugi::status_bad_cdata: return "CDATA セクションが正しくありません。";
    case pugi::status_bad_doctype: return "文書型宣言が正しくありません。";
    case pugi::status_bad_pcdata: return "文字データが正しくありません。";
    case pugi::status_bad_start_element: return "開始タグが正しくありません。";
    case pugi::status_bad_attribute: return "属性が正しくありません。";
    case pugi::status_bad_end_element: return "終了タグが正しくありません。";
    case pugi::status_end_element_mismatch: return "開始タグと終了タグが対応していません。";
    case pugi::status_append_invalid_root: return "文書の最上位に置けない要素があります。";
    case pugi::status_no_document_element: return "文書要素（ルート要素）がありません。";
    default: return "XML として読み込めません。";
    }
}



// version "1.<digits>", encoding a name of letters, digits, ".", "_" and "-" starting with
// a letter, standalone "yes" or "no".
bool declarationValueOk(std::size_t which, std::string_view v)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isAlpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    switch (which) {
    case 0:
        return v.size() > 2 && v.substr(0, 2) == "1." && std::all_of(v.begin() + 2, v.end(), isDigit);
    case 1:
        return !v.empty() && isAlpha(v[0]) && std::all_of(v.begin(), v.end(), [&](char c) {
            return isAlpha(c) || isDigit(c) || c == '.' || c == '_' || c == '-';
        });
    default:
        return v == "yes" || v == "no";
    }
}

// A document type declaration we can write back as any parser reads it: a name and, at
// most, an external identifier. Internal subsets are refused: the entities they declare
// would not be expanded anyway.
bool doctypeOk(std::string_view v)
{
    std::size_t i = 0;
    const auto skipSpace = [&] {
        const std::size_t from = i;
        while (i < v.size() && IsXmlSpace(v[i]))
            ++i;
        return i > from;
    };
    const auto token = [&] {
        const std::size_t from = i;
        while (i < v.size() && !IsXmlSpace(v[i]))
            ++i;
        return v.substr(from, i - from);
    };
    const auto literal = [&](bool pubid) {
        if (i >= v.size() || (v[i] != '"' && v[i] != '\''))
            return false;
        const char quote = v[i];
        const std::size_t end = v.find(quote, i + 1);
        if (end == std::string_view::npos)
            return false;
        const std::string_view text = v.substr(i + 1, end - i - 1);
        i = end + 1;
        return !pubid || std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                   || std::strchr(" \r\n-'()+,./:=?;!*#@$_%", c) != nullptr;
        });
    };
    if (!IsXmlName(token()))
        return false;
    const bool spaced = skipSpace();
    if (i == v.size())
        return true;
    const std::string_view keyword = token();
    if (!spaced || (keyword != "SYSTEM" && keyword != "PUBLIC") || !skipSpace())
        return false;
    if (keyword == "PUBLIC" && (!literal(true) || !skipSpace()))
        return false;
    if (!literal(false))
        return false;
    skipSpace();
    return i == v.size();
}

// What the parser let through but XML does not allow, so that a document we accept is one
// that every parser reads once saved: names that are not XML names, an attribute given
// twice, "--" in a comment, a processing instruction named like the declaration, a
// declaration with other than version, encoding, standalone in that order, a document
// type other than a name and an external identifier. Null when n has none of these.
const char* nodeProblem(const pugi::xml_node& n, std::string_view text)
{
    switch (n.type()) {
    case pugi::node_element:
    {
        if (!IsXmlName(n.name()))
            return "要素名として使えない文字があります。";
        int count = 0;
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute(), ++count)
            if (!IsXmlName(a.name()))
                return "属性名として使えない文字があります。";
        if (count < 2)
            break;
        // The usual few attributes are compared pairwise; many are sorted.
        bool twice = false;
        if (count <= 8) {
            for (pugi::xml_attribute a = n.first_attribute(); a && !twice; a = a.next_attribute())
                for (pugi::xml_attribute b = a.next_attribute(); b && !twice; b = b.next_attribute())
                    twice = std::strcmp(a.name(), b.name()) == 0;
        } else {
            std::vector<std::string_view> names;
            for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
                names.emplace_back(a.name());
            std::sort(names.begin(), names.end());
            twice = std::adjacent_find(names.begin(), names.end()) != names.end();
        }
        if (twice)
            return "同じ名前の属性が二つあります。";
        break;
    }
    case pugi::node_comment: {
        const std::string_view v = n.value();
        if (v.find("--") != std::string_view::npos || (!v.empty() && v.back() == '-'))
            return "コメントの中に「--」があります。";
        break;
    }
    case pugi::node_pi: {
        const std::string_view t = n.name();
        if (!IsXmlName(t) || (t.size() == 3 && (t[0] | 0x20) == 'x' && (t[1] | 0x20) == 'm' && (t[2] | 0x20) == 'l'))
            return "処理命令の名前が正しくありません。";
        if (std::string_view(n.value()).find("?>") != std::string_view::npos)
            return "処理命令が正しくありません。";
        break;
    }
    case pugi::node_doctype: {
        // The parser hands the declaration over from its name on, without the blank that
        // must stand between "<!DOCTYPE" and the name.
        const std::ptrdiff_t at = n.offset_debug() - 1;
        const bool blank = at > 0 && std::size_t(at) < text.size() && text[at] && std::strchr(" \t\r\n", text[at]);
        if (!blank || !doctypeOk(n.value()))
            return "文書型宣言が正しくありません（内部サブセットには対応していません）。";
        break;
    }
    case pugi::node_declaration: {
        static const char* const order[] = {"version", "encoding", "standalone"};
        std::size_t next = 0;
        pugi::xml_attribute a = n.first_attribute();
        if (std::strcmp(n.name(), "xml") != 0)   // the parser takes "xMl" as well
            return "XML 宣言が正しくありません。";
        if (!a || std::strcmp(a.name(), "version") != 0)
            return "XML 宣言に version がありません。";
        for (; a; a = a.next_attribute()) {
            while (next < 3 && std::strcmp(a.name(), order[next]) != 0)
                ++next;
            if (next == 3 || !declarationValueOk(next, a.value()))
                return "XML 宣言が正しくありません。";
            ++next;
        }
        break;
    }
    default:
        break;
    }
    return nullptr;
}

// The first node below root with a problem (nodeProblem), left in *where; the same walk
// measures the deepest element level (as elementDepth), left in *deepest when nothing is wrong.
const char* markupProblem(const pugi::xml_node& root, std::string_view text, pugi::xml_node* where, int* deepest)
{
    const char* problem = nullptr;
    *deepest = root.type() == pugi::node_element ? 1 : 0;
    walkWithLevels(root, [&](const pugi::xml_node& n, int level) {
        if (n.type() == pugi::node_element)
            *deepest = std::max(*deepest, level);
        if ((problem = nodeProblem(n, text)))
            *where = n;
        return !problem;
    });
    return problem;
}

// Where something other than white space, comments and processing instructions (and, before
// the document element, the declaration and a document type) stands outside the document
// element, or npos. The parser skips such text silently, and what it keeps would then be
// saved in places no parser accepts. The text has been parsed already, so a light walk
// over the markup finds the document element's end.
std::size_t outsideJunk(std::string_view s)
{
    const std::size_t n = s.size();
    std::size_t i = 0;
    bool rootDone = false;
    while (i < n) {
        if (IsXmlSpace(s[i])) {
            ++i;
            continue;
        }
        if (s[i] != '<')
            return i;
        if (s.compare(i, 2, "<?") == 0 || s.compare(i, 4, "<!--") == 0) {
            i = XmlMarkupEnd(s, i);
        } else if (!rootDone && s.compare(i, 9, "<!DOCTYPE") == 0) {
            // An internal subset may hold '>' (it is refused later, with its own reason).
            // ('[' inside a quoted identifier opens nothing.)
            const std::size_t open = s.find_first_of("[\"'", i), close = XmlTagEnd(s, i);
            if (open < close && s[open] == '[') {
                const std::size_t subsetEnd = s.find(']', open);
                i = subsetEnd == std::string_view::npos ? n : XmlTagEnd(s, subsetEnd + 1);
            } else {
                i = close;
            }
        } else if (rootDone) {
            return i;
        } else {
            // The document element: follow its tags to the end tag that closes it.
            long depth = 0;
            for (;;) {
                if (const std::size_t markupEnd = XmlMarkupEnd(s, i)) {
                    i = markupEnd;
                } else {
                    const bool closing = s.compare(i, 2, "</") == 0;
                    const std::size_t end = XmlTagEnd(s, i);
                    const bool empty = end >= 2 && s[end - 2] == '/';
                    depth += closing ? -1 : empty ? 0 : 1;
                    i = end;
                }
                if (depth <= 0 || i >= n)
                    break;
                const std::size_t next = s.find('<', i);
                i = next == std::string_view::npos ? n : next;
                if (i >= n)
                    break;
            }
            rootDone = true;
        }
    }
    return std::string_view::npos;
}

// Where a node starts in the parsed text, for messages (0 when unknown).
std::size_t nodeOffset(const pugi::xml_node& n, std::string_view text)
{
    const std::ptrdiff_t offset = n.offset_debug();
    return offset > 0 && static_cast<std::size_t>(offset) <= text.size() ? static_cast<std::size_t>(offset) : 0;
}

std::string cannotLoad(const std::string& name)
{
    return "「" + name + "」を読み込めませんでした。\n";
}

std::string atPosition(std::string_view text, std::size_t offset)
{
    int line = 0, column = 0;
    lineAndColumn(text, offset, &line, &column);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d 行 %d 列: ", line, column);
    return buf;
}

}  // namespace

// ---- DomAttribute ------------------------------------------------------------------

std::string DomAttribute::name() const { return m_attr ? A(m_attr).name() : std::string(); }
std::string DomAttribute::value() const { return m_attr ? A(m_attr).value() : std::string(); }

void DomAttribute::setValue(std::string_view value)
{
    if (m_attr)
        A(m_attr).set_value(ToXmlText(value).c_str());
}

DomAttribute DomAttribute::next() const
{
    return m_attr ? DomAttribute(A(m_attr).next_attribute().internal_object()) : DomAttribute();
}

// ---- DomAttributeMap -----------------------------------------------------------------

DomAttributeMap::DomAttributeMap(pugi::xml_node_struct* owner)
    : m_owner(owner), m_next(N(owner).first_attribute().internal_object()), m_valid(true)
{
}

DomAttribute DomAttributeMap::nextNode()
{
    DomAttribute a(m_next);
    if (m_next)
        m_next = A(m_next).next_attribute().internal_object();
    return a;
}

DomAttribute DomAttributeMap::item(int index) const
{
    if (!m_valid || index < 0)
        return {};
    pugi::xml_attribute a = N(m_owner).first_attribute();
    for (; a && index > 0; --index)
        a = a.next_attribute();
    return DomAttribute(a.internal_object());
}

int DomAttributeMap::length() const
{
    if (!m_valid)
        return 0;
    int n = 0;
    for (pugi::xml_attribute a = N(m_owner).first_attribute(); a; a = a.next_attribute())
        ++n;
    return n;
}

// ---- DomNode ---------------------------------------------------------------------------

DomNodeType DomNode::nodeType() const
{
    switch (N(m_node).type()) {
    case pugi::node_document: return DomNodeType::Document;
    case pugi::node_element: return DomNodeType::Element;
    case pugi::node_pcdata: return DomNodeType::Text;
    case pugi::node_cdata: return DomNodeType::CData;
    case pugi::node_comment: return DomNodeType::Comment;
    case pugi::node_pi:
    case pugi::node_declaration: return DomNodeType::ProcessingInstruction;
    case pugi::node_doctype: return DomNodeType::DocumentType;
    default: return DomNodeType::Null;
    }
}

std::string DomNode::nodeName() const
{
    const pugi::xml_node n = N(m_node);
    switch (n.type()) {
    case pugi::node_element:
    case pugi::node_pi:
    case pugi::node_declaration: return n.name();
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    case pugi::node_document: return "#document";
    case pugi::node_doctype: return "#doctype";
    default: return {};
    }
}

std::string DomNode::nodeValue() const
{
    const pugi::xml_node n = N(m_node);
    switch (n.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
    case pugi::node_doctype: return n.value();
    default: return {};
    }
}

HRESULT DomNode::setNodeValue(std::string_view value)
{
    if (!m_node)
        return E_POINTER;
    pugi::xml_node n = N(m_node);
    if (n.type() == pugi::node_element || n.type() == pugi::node_document
        || n.type() == pugi::node_declaration)
        return E_INVALIDARG;
    return n.set_value(ToXmlText(value).c_str()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT DomNode::setNodeName(std::string_view name)
{
    if (!m_node || N(m_node).type() != pugi::node_element || !IsXmlName(name))
        return m_node ? E_INVALIDARG : E_POINTER;
    return N(m_node).set_name(std::string(name).c_str()) ? S_OK : E_OUTOFMEMORY;
}

DomNode DomNode::firstChild() const { return DomNode(N(m_node).first_child().internal_object()); }
DomNode DomNode::lastChild() const { return DomNode(N(m_node).last_child().internal_object()); }
DomNode DomNode::nextSibling() const { return DomNode(N(m_node).next_sibling().internal_object()); }
DomNode DomNode::previousSibling() const
{
    return DomNode(N(m_node).previous_sibling().internal_object());
}
DomNode DomNode::parentNode() const { return DomNode(N(m_node).parent().internal_object()); }

DomAttributeMap DomNode::attributes() const
{
    if (N(m_node).type() != pugi::node_element)
        return {};
    return DomAttributeMap(m_node);
}

DomAttribute DomNode::firstAttribute() const
{
    return DomAttribute(N(m_node).first_attribute().internal_object());
}

DomAttribute DomNode::attribute(int index) const { return attributes().item(index); }

std::string DomNode::text() const
{
    const pugi::xml_node root = N(m_node);
    if (isText(root))
        return root.value();
    std::string out;
    for (pugi::xml_node cur = root.first_child(); cur; cur = nextInWalk(cur, root))
        if (isText(cur))
            out += cur.value();
    return out;
}

int DomNode::depth() const
{
    int d = 0;
    for (pugi::xml_node n = N(m_node); n && n.type() != pugi::node_document; n = n.parent())
        ++d;
    return d;
}

int DomNode::subtreeDepth() const
{
    const pugi::xml_node n = N(m_node);
    return n.type() == pugi::node_element ? elementDepth(n) : 0;
}

// ---- DomDocument -----------------------------------------------------------------------

DomDocument::DomDocument()
    : m_doc(std::make_unique<pugi::xml_document>()), m_scratch(std::make_unique<pugi::xml_document>())
{
}

DomDocument::~DomDocument() = default;

Status DomDocument::load(const std::string& path)
{
    std::string bytes;
    FileResult read = ReadWholeFile(path, bytes);
    if (!read)
        return {read.hr, read.message};
    return decodeAndParse(bytes, &bytes, path);
}

Status DomDocument::loadFromBytes(std::string_view bytes, const std::string& displayName)
{
    return decodeAndParse(bytes, nullptr, displayName);
}

Status DomDocument::decodeAndParse(std::string_view bytes, std::string* owned, const std::string& displayName)
{
    if (bytes.empty())
        return {E_XML_EMPTY, cannotLoad(displayName) + "ファイルが空です。"};
    // A long manuscript is checked for UTF-8 beside its parse.
    const bool aside = bytes.size() > (std::size_t(1) << 20);
    XmlDecodeResult decoded = DecodeXmlBytes(bytes, owned, aside);
    if (FAILED(decoded.hr))
        return {decoded.hr, cannotLoad(displayName) + decoded.error};
    if (!decoded.utf8Unchecked)
        return parse(decoded.utf8, displayName, decoded.bom, decoded.encoding);
    // Both only read the text, which the parser copies before it writes.
    std::future<AsideChecks> checks = std::async(std::launch::async, [&decoded] {
        return AsideChecks{CheckDeferredUtf8(decoded), outsideJunk(decoded.utf8)};
    });
    return parse(decoded.utf8, displayName, decoded.bom, decoded.encoding, &checks);
}

Status DomDocument::parse(std::string_view utf8, const std::string& displayName, bool bom,
                          const std::string& encoding, std::future<AsideChecks>* aside)
{
    std::optional<AsideChecks> asideDone;
    const auto asideChecks = [&]() -> const AsideChecks* {
        if (!asideDone && aside && aside->valid())
            asideDone = aside->get();
        return asideDone ? &*asideDone : nullptr;
    };
    // Bytes that are not UTF-8 are what the file is reported for, whatever else is wrong.
    const auto outcome = [&](Status status) -> Status {
        if (const AsideChecks* c = asideChecks(); c && !c->notUtf8.empty())
            return {E_XML_ENCODING, cannotLoad(displayName) + c->notUtf8};
        return status;
    };
    // The parser would take a NUL for the end of the text and load a truncated document.
    if (const auto nul = utf8.find('\0'); nul != std::string_view::npos)
        return outcome({E_XML_PARSE, cannotLoad(displayName) + atPosition(utf8, nul)
                                 + "NUL 文字 (0x00) が含まれています。"});
    // Characters XML cannot hold, written as references (&#0;, &#xD800;) or raw, would cut a
    // text short or make the document one that cannot be saved again: they become U+FFFD.
    std::string repaired;
    const XmlCharRepair repair = RepairXmlCharacters(utf8, repaired);
    std::string notice;
    if (repair.count > 0) {
        int line = 0, column = 0;
        lineAndColumn(utf8, repair.firstOffset, &line, &column);
        char where[64];
        std::snprintf(where, sizeof where, "%d 行 %d 列", line, column);
        notice = "「" + displayName + "」の " + where + "の " + repair.firstText
                 + (repair.count > 1 ? " ほか " + std::to_string(repair.count - 1) + " か所" : std::string())
                 + "に、XML で扱えない文字がありました。置換文字（U+FFFD）に置き換えて読み込みました。"
                   "保存すると、置き換えた内容で書き込まれます。";
        utf8 = repaired;
    }

    auto doc = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result =
        doc->load_buffer(utf8.data(), utf8.size(), kParseOptions, pugi::encoding_utf8);
    if (result.status == pugi::status_out_of_memory)
        return outcome({E_OUTOFMEMORY, cannotLoad(displayName) + parseStatusText(result.status)});
    if (result.status == pugi::status_no_document_element || (result && !doc->document_element()))
        return outcome({E_XML_EMPTY, cannotLoad(displayName) + parseStatusText(pugi::status_no_document_element)});
    if (!result)
        return outcome({E_XML_PARSE, cannotLoad(displayName) + atPosition(utf8, static_cast<std::size_t>(result.offset))
                                 + parseStatusText(result.status)});
    // The parser is lenient about the document level and silently skips text there; a
    // project file must not be.
    // (The text checked beside the parse is the one parsed unless characters were repaired.)
    const AsideChecks* c = asideChecks();
    if (const std::size_t at = c && repair.count == 0 ? c->outsideJunk : outsideJunk(utf8); at != std::string_view::npos)
        return outcome({E_XML_PARSE, cannotLoad(displayName) + atPosition(utf8, at) + "文書要素の外に文字データがあります。"});
    int elements = 0, doctypes = 0;
    for (pugi::xml_node n = doc->first_child(); n; n = n.next_sibling()) {
        const char* problem = nullptr;
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            problem = "文書要素の外に文字データがあります。";
        else if (n.type() == pugi::node_declaration && n != doc->first_child())
            problem = "XML 宣言が文書の先頭にありません。";
        else if (n.type() == pugi::node_element && ++elements > 1)
            problem = "文書要素（ルート要素）が複数あります。";
        else if (n.type() == pugi::node_doctype && (elements > 0 || ++doctypes > 1))
            problem = elements > 0 ? "文書型宣言が文書要素の後ろにあります。" : "文書型宣言が二つあります。";
        if (problem)
            return outcome({E_XML_PARSE, cannotLoad(displayName) + atPosition(utf8, nodeOffset(n, utf8)) + problem});
    }
    pugi::xml_node where;
    int deepest = 0;
    if (const char* problem = markupProblem(*doc, utf8, &where, &deepest))
        return outcome({E_XML_PARSE, cannotLoad(displayName) + atPosition(utf8, nodeOffset(where, utf8)) + problem});
    if (deepest > kMaxDepth) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "要素の入れ子が深すぎます（上限は %d 段です）。", kMaxDepth);
        return outcome({E_XML_TOO_DEEP, cannotLoad(displayName) + buf});
    }
    if (Status checked = outcome({}); !checked)
        return checked;
    m_doc = std::move(doc);
    m_scratch->reset();
    m_bom = bom;
    m_loadedEncoding = encoding;
    m_loadNotice = std::move(notice);
    return {};
}

Status DomDocument::serialize(std::string& bytes) const
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override
        {
            out.append(static_cast<const char*>(data), size);
        }
    } writer;
    // Sized as the last save was: a long manuscript is not copied again at every doubling.
    writer.out.reserve(m_lastSerializedSize + m_lastSerializedSize / 8);
    AdviseLargeBuffer(writer.out.data(), writer.out.capacity());
    m_doc->save(writer, "", kFormatOptions, pugi::encoding_utf8);
    m_lastSerializedSize = writer.out.size();
    EncodeResult encoded =
        EncodeXmlFromUtf8(writer.out, SaveEncodingFor(declaredEncoding(), m_loadedEncoding), m_bom, true,
                          &writer.out);
    if (FAILED(encoded.hr))
        return {encoded.hr, encoded.error};
    bytes = std::move(encoded.bytes);
    return {};
}

Status DomDocument::save(const std::string& path, FileOps& ops) const
{
    std::string bytes;
    Status s = serialize(bytes);
    if (!s) {
        s.message = "「" + path + "」に保存できませんでした。\n" + s.message;
        return s;
    }
    FileResult written = WriteFileAtomically(path, bytes, ops);
    return {written.hr, written.message};
}

void DomDocument::clear()
{
    m_doc->reset();
    m_scratch->reset();
    m_bom = false;
    m_loadedEncoding.clear();
    m_loadNotice.clear();
}

DomNode DomDocument::documentNode() const { return DomNode(m_doc->internal_object()); }

DomNode DomDocument::documentElement() const
{
    return DomNode(m_doc->document_element().internal_object());
}

std::string DomDocument::declaredEncoding() const
{
    for (pugi::xml_node n = m_doc->first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_declaration)
            return n.attribute("encoding").value();
    return {};
}

HRESULT DomDocument::setDeclaredEncoding(std::string_view encoding)
{
    pugi::xml_node decl = m_doc->first_child();
    if (decl.type() != pugi::node_declaration) {
        decl = m_doc->prepend_child(pugi::node_declaration);
        if (!decl || !decl.append_attribute("version").set_value("1.0"))
            return E_OUTOFMEMORY;
    }
    pugi::xml_attribute a = decl.attribute("encoding");
    if (!a)
        a = decl.append_attribute("encoding");
    if (!a || !a.set_value(std::string(encoding).c_str()))
        return E_OUTOFMEMORY;
    m_loadedEncoding.clear();   // the declaration decides from now on
    m_bom = false;
    return S_OK;
}

DomNode DomDocument::createElement(std::string_view name)
{
    pugi::xml_node n = m_scratch->append_child(pugi::node_element);
    if (n && !n.set_name(std::string(name).c_str())) {
        m_scratch->remove_child(n);
        return {};
    }
    return DomNode(n.internal_object());
}

DomNode DomDocument::createTextNode(std::string_view text)
{
    pugi::xml_node n = m_scratch->append_child(pugi::node_pcdata);
    if (n && !n.set_value(ToXmlText(text).c_str())) {
        m_scratch->remove_child(n);
        return {};
    }
    return DomNode(n.internal_object());
}

HRESULT DomDocument::setAttribute(DomNode element, std::string_view name, std::string_view value)
{
    pugi::xml_node el = N(element.m_node);
    if (!el)
        return E_POINTER;
    if (el.type() != pugi::node_element)
        return E_INVALIDARG;
    const std::string key(name);
    pugi::xml_attribute a = el.attribute(key.c_str());
    if (!a)
        a = el.append_attribute(key.c_str());
    if (!a || !a.set_value(std::string(value).c_str()))
        return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT DomDocument::insert(DomNode parentNode, DomNode childNode, DomNode beforeNode, DomNode* inserted)
{
    if (inserted)
        *inserted = {};
    pugi::xml_node parent = N(parentNode.m_node), child = N(childNode.m_node), before = N(beforeNode.m_node);
    if (!parent || !child)
        return E_POINTER;
    if (child.type() == pugi::node_document)
        return E_INVALIDARG;
    if (before && before.parent() != parent)
        return E_INVALIDARG;
    if (child == before)
        return S_OK;
    for (pugi::xml_node p = parent; p; p = p.parent())   // no node inside itself
        if (p == child)
            return E_INVALIDARG;
    if (parent.type() == pugi::node_element || parent.type() == pugi::node_document) {
        if (DomNode(parent.internal_object()).depth() + elementDepth(child) > kMaxDepth)
            return E_XML_TOO_DEEP;
    }

    const bool sameTree = parent.root() == child.root();
    pugi::xml_node result;
    if (sameTree)
        result = before ? parent.insert_move_before(child, before) : parent.append_move(child);
    else
        result = before ? parent.insert_copy_before(child, before) : parent.append_copy(child);
    if (!result)
        return parent.type() == pugi::node_element || parent.type() == pugi::node_document
                   ? E_OUTOFMEMORY : E_INVALIDARG;
    // A detached node of ours is used up by the insertion; nodes of other documents stay.
    if (!sameTree && child.root() == *m_scratch)
        child.parent().remove_child(child);
    if (inserted)
        *inserted = DomNode(result.internal_object());
    return S_OK;
}

HRESULT DomDocument::appendChild(DomNode parent, DomNode child, DomNode* inserted)
{
    return insert(parent, child, {}, inserted);
}

HRESULT DomDocument::insertBefore(DomNode parent, DomNode child, DomNode reference, DomNode* inserted)
{
    if (!reference)
        return insert(parent, child, {}, inserted);
    return insert(parent, child, reference, inserted);
}

HRESULT DomDocument::replaceChild(DomNode parent, DomNode newChild, DomNode oldChild, DomNode* inserted)
{
    if (!parent || !newChild || !oldChild)
        return E_POINTER;
    if (N(oldChild.m_node).parent() != N(parent.m_node))
        return E_INVALIDARG;
    if (newChild == oldChild) {
        if (inserted)
            *inserted = newChild;
        return S_OK;
    }
    HRESULT hr = insert(parent, newChild, oldChild, inserted);
    if (FAILED(hr))
        return hr;
    N(parent.m_node).remove_child(N(oldChild.m_node));
    return S_OK;
}

HRESULT DomDocument::removeChild(DomNode parent, DomNode child)
{
    if (!parent || !child)
        return E_POINTER;
    pugi::xml_node p = N(parent.m_node), c = N(child.m_node);
    if (c.parent() != p)
        return E_INVALIDARG;
    return p.remove_child(c) ? S_OK : E_FAIL;
}

DomNode DomDocument::importNode(DomNode node, bool deep)
{
    const pugi::xml_node source = N(node.m_node);
    if (!source || source.type() == pugi::node_document)
        return {};
    if (deep || source.type() != pugi::node_element)
        return DomNode(m_scratch->append_copy(source).internal_object());
    pugi::xml_node copy = m_scratch->append_child(pugi::node_element);
    if (!copy || !copy.set_name(source.name())) {
        if (copy)
            m_scratch->remove_child(copy);
        return {};
    }
    for (pugi::xml_attribute a = source.first_attribute(); a; a = a.next_attribute())
        if (!copy.append_copy(a)) {
            m_scratch->remove_child(copy);
            return {};
        }
    return DomNode(copy.internal_object());
}

void DomDocument::discard(DomNode detached)
{
    pugi::xml_node n = N(detached.m_node);
    if (n && n.root() == *m_scratch)
        n.parent().remove_child(n);
}

bool DomDocument::contains(DomNode node) const
{
    return node && N(node.m_node).root() == *m_doc;
}

bool DomDocument::isDetached(DomNode node) const
{
    return node && N(node.m_node).root() == *m_scratch;
}

}  // namespace penwick
