// SPDX-License-Identifier: GPL-3.0-or-later
#include "XmlEncoding.h"

#include "Utf8.h"
#include "XmlChars.h"
#include "XmlPostPass.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <unordered_map>

namespace penwick {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// ---------------------------------------------------------------- encoding names

enum class Family { Utf8, Utf16, Utf32, Cp932, EucJpMs, Other };

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y)
            return false;
    }
    return true;
}

bool IsAnyOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (auto n : names)
        if (EqualsNoCase(name, n))
            return true;
    return false;
}

Family Classify(std::string_view name)
{
    if (name.empty() || IsAnyOf(name, {"UTF-8", "UTF8"}))
        return Family::Utf8;
    if (IsAnyOf(name, {"UTF-16", "UTF16", "UTF-16LE", "UTF-16BE", "UCS-2", "UCS-2LE", "UCS-2BE",
                       "ISO-10646-UCS-2", "csUnicode"}))
        return Family::Utf16;
    if (IsAnyOf(name, {"UTF-32", "UTF32", "UTF-32LE", "UTF-32BE", "UCS-4", "UCS-4LE", "UCS-4BE",
                       "ISO-10646-UCS-4", "csUCS4"}))
        return Family::Utf32;
    // Files that say Shift_JIS are written by Windows tools in its superset.
    if (IsAnyOf(name, {"Shift_JIS", "Shift-JIS", "SJIS", "Windows-31J", "CP932", "MS932", "MS_Kanji",
                       "x-sjis", "csShiftJIS", "csWindows31J"}))
        return Family::Cp932;
    if (IsAnyOf(name, {"EUC-JP", "EUCJP", "x-euc-jp", "eucJP-ms", "EUC-JP-MS", "csEUCPkdFmtJapanese"}))
        return Family::EucJpMs;
    return Family::Other;
}

// An XML EncName. Anything else (notably iconv's "//TRANSLIT" and "//IGNORE" suffixes,
// which would turn refusals into silent changes) never reaches iconv.
bool IsEncName(std::string_view name)
{
    const auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (name.empty() || !alpha(name[0]))
        return false;
    for (char c : name)
        if (!alpha(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-')
            return false;
    return true;
}

// A wide form's name ending in BE asks for big-endian; the others are written little-endian
// as Windows programs expect.
bool NamesBigEndian(std::string_view name)
{
    return name.size() >= 2 && EqualsNoCase(name.substr(name.size() - 2), "BE");
}


// The encoding pseudo-attribute of an XML declaration at the start of s (ASCII-compatible
// bytes); empty when there is none or the declaration cannot be read.
std::string_view DeclaredEncoding(std::string_view s)
{
    if (s.size() < 6 || !s.starts_with("<?xml") || !IsXmlSpace(s[5]))
        return {};
    const std::size_t end = s.find("?>");
    if (end == npos)
        return {};
    const std::string_view decl = s.substr(5, end - 5);
    std::size_t i = 0;
    const auto skipSpace = [&] { while (i < decl.size() && IsXmlSpace(decl[i])) ++i; };
    for (;;) {
        skipSpace();
        const std::size_t nameStart = i;
        while (i < decl.size() && !IsXmlSpace(decl[i]) && decl[i] != '=')
            ++i;
        const std::string_view name = decl.substr(nameStart, i - nameStart);
        skipSpace();
        if (name.empty() || i >= decl.size() || decl[i] != '=')
            return {};
        ++i;
        skipSpace();
        if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
            return {};
        const std::size_t close = decl.find(decl[i], i + 1);
        if (close == npos)
            return {};
        if (name == "encoding")
            return decl.substr(i + 1, close - i - 1);
        i = close + 1;
    }
}

// ---------------------------------------------------------------- messages

XmlDecodeResult DecodeFailure(XmlDecodeResult& r, std::string message)
{
    r.hr = E_XML_ENCODING;
    r.utf8.clear();
    r.error = std::move(message);
    return std::move(r);
}

// decodedBefore: the text before the bad bytes, for their line and column.
XmlDecodeResult BadBytes(XmlDecodeResult& r, std::string_view label, std::string_view decodedBefore,
                         std::string_view bytes, std::size_t offset)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[offset]));
    return DecodeFailure(r, "文字コード " + std::string(label) + " として正しくないバイト (" + hex + ") が "
                                + Position(decodedBefore) + "にあるため、ファイルを読み込めません。");
}

// ---------------------------------------------------------------- encoding through iconv

// Converts in and checks that the bytes decode back to exactly in: iconv maps some
// characters onto look-alikes (U+301C and U+FF5E both to CP932 0x8160, U+00A5 to 0x5C),
// which a file must not silently turn into.
bool EncodesExactly(Iconv& to, Iconv& back, std::string_view in, std::string& out)
{
    out.clear();
    if (to.convert(in, out) != npos)
        return false;
    std::string check;
    check.reserve(in.size());
    return back.convert(out, check) == npos && check == in;
}

// Markup is ASCII: an encoding that writes ASCII differently (UTF-7, EBCDIC) would make the
// declaration unreadable, and the file with it.
bool AsciiCompatible(const std::string& iconvName)
{
    static constexpr std::string_view kMarkup =
        "<?xml version=\"1.0\" encoding='-_.:'?>\n\t\r &#x;!/=[]"
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    Iconv to(iconvName.c_str(), "UTF-8");
    std::string out;
    return to.ok() && to.convert(kMarkup, out) == npos && out == kMarkup;
}

// The characters iconv writes and reads back exactly, each tried once.
class IconvFilter : public CharacterFilter {
public:
    IconvFilter(Iconv& to, Iconv& back) : m_to(to), m_back(back) {}
    bool canHold(char32_t cp, std::string_view utf8) override
    {
        auto [it, fresh] = m_known.try_emplace(cp, false);
        if (fresh) {
            std::string bytes;
            it->second = EncodesExactly(m_to, m_back, utf8, bytes);
        }
        return it->second;
    }

private:
    Iconv& m_to;
    Iconv& m_back;
    std::unordered_map<char32_t, bool> m_known;
};

// prepared is xml after the reload protection (when asked for); most documents encode as
// it is, and only one holding a character the encoding lacks takes the pass with references.
EncodeResult EncodeWithReferences(std::string_view xml, std::string_view prepared, bool protectText,
                                  const std::string& iconvName, std::string_view label)
{
    Iconv to(iconvName.c_str(), "UTF-8"), back("UTF-8", iconvName.c_str());
    if (!to.ok() || !back.ok() || !AsciiCompatible(iconvName))
        return EncodeFailure(UnknownEncoding(label) + "文書を保存できません。");
    EncodeResult r;
    if (EncodesExactly(to, back, prepared, r.bytes))
        return r;
    IconvFilter filter(to, back);
    std::string escaped;
    const XmlPostPassResult pass = XmlPostPass(xml, protectText, &filter, escaped);
    if (pass.stopped)
        return EncodeFailure("文字「" + std::string(xml.substr(pass.offset, DecodeUtf8(xml.data() + pass.offset, xml.data() + xml.size()).len)) + "」("
                             + CodePointName(pass.cp) + ") は文字コード " + std::string(label) + " で表せないため、"
                             + pass.where + " (" + Position(xml.substr(0, pass.offset))
                             + ") に書けません。文書を保存できません。");
    if (!EncodesExactly(to, back, pass.changed ? std::string_view(escaped) : xml, r.bytes))
        return EncodeFailure("文書を文字コード " + std::string(label) + " で正しく書き表せないため、保存できません。");
    return r;
}

}  // namespace

// ---------------------------------------------------------------- public

XmlDecodeResult DecodeXmlBytes(std::string_view bytes) { return DecodeXmlBytes(bytes, nullptr); }

XmlDecodeResult DecodeXmlBytes(std::string_view bytes, std::string* owned, bool deferUtf8Check)
{
    XmlDecodeResult r;
    const auto starts = [&](std::string_view p) { return bytes.starts_with(p); };
    const auto at = [&](std::size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0xFFu; };
    const auto asciiStart = [](unsigned char c) { return c == '<' || IsXmlSpace(static_cast<char>(c)); };

    // Byte-order mark, else the first character of "<?xml" or "<" in a wide form.
    int unit = 0;
    bool bigEndian = false;
    std::size_t skip = 0;
    if (starts(std::string_view("\xFF\xFE\0\0", 4)))
        unit = 4, skip = 4;
    else if (starts(std::string_view("\0\0\xFE\xFF", 4)))
        unit = 4, bigEndian = true, skip = 4;
    else if (starts("\xFF\xFE"))
        unit = 2, skip = 2;
    else if (starts("\xFE\xFF"))
        unit = 2, bigEndian = true, skip = 2;
    else if (at(0) == 0 && at(1) == 0 && at(2) == 0 && asciiStart(at(3)))
        unit = 4, bigEndian = true;
    else if (asciiStart(at(0)) && at(1) == 0 && at(2) == 0 && at(3) == 0)
        unit = 4;
    else if (at(0) == 0 && asciiStart(at(1)) && at(2) == 0 && at(3) != 0)
        unit = 2, bigEndian = true;
    else if (asciiStart(at(0)) && at(1) == 0 && at(2) != 0 && at(3) == 0)
        unit = 2;
    r.bom = skip > 0;

    if (unit) {
        r.encoding = std::string(unit == 2 ? "UTF-16" : "UTF-32") + (bigEndian ? "BE" : "LE");
        const std::string_view body = bytes.substr(skip);
        const std::size_t bad = WideToUtf8(body, unit, bigEndian, r.utf8);
        if (bad != npos) {
            const std::string before = r.utf8, label = r.encoding;
            return BadBytes(r, label, before, body, bad);
        }
        r.declared = DeclaredEncoding(r.utf8);
        return r;
    }

    std::string_view body = bytes;
    if (starts(kUtf8Bom)) {
        body.remove_prefix(kUtf8Bom.size());
        r.bom = true;
    }
    r.declared = DeclaredEncoding(body);
    const std::string label = r.declared.empty() ? "UTF-8" : r.declared;
    if (!r.declared.empty() && !IsEncName(r.declared))
        return DecodeFailure(r, UnknownEncoding(label) + "ファイルを読み込めません。");

    // A BOM decides; so does an 8-bit declaration that names a wide form (it cannot be
    // true of these bytes, and they are read as UTF-8 as other XML readers do).
    const Family family = r.bom ? Family::Utf8 : Classify(r.declared);
    if (family == Family::Utf8 || family == Family::Utf16 || family == Family::Utf32) {
        r.encoding = "UTF-8";
        std::size_t bad = 0;
        r.utf8Unchecked = deferUtf8Check;
        if (!deferUtf8Check && !IsValidUtf8(body, &bad))
            return BadBytes(r, r.bom ? "UTF-8" : label, body.substr(0, bad), body, bad);
        if (owned) {   // the bytes are the text: a long manuscript is not copied
            const std::size_t skip = std::size_t(body.data() - owned->data());
            r.utf8 = std::move(*owned);
            r.utf8.erase(0, skip);
        } else {
            r.utf8.assign(body);
        }
        return r;
    }

    r.encoding = family == Family::Cp932 ? "CP932" : family == Family::EucJpMs ? "EUC-JP-MS" : r.declared;
    Iconv cd("UTF-8", r.encoding.c_str());
    if (!cd.ok() || (family == Family::Other && !AsciiCompatible(r.encoding)))
        return DecodeFailure(r, UnknownEncoding(label) + "ファイルを読み込めません。");
    r.utf8.reserve(body.size() * 3 / 2);
    const std::size_t bad = cd.convert(body, r.utf8);
    if (bad != npos) {
        const std::string before = r.utf8;
        return BadBytes(r, label, before, body, bad);
    }
    // The declaration was read as ASCII; an encoding that does not give back its start
    // (EBCDIC, UCS-2 by another name) cannot be what these bytes are in.
    if (!r.utf8.starts_with("<?xml"))
        return DecodeFailure(r, "文字コード「" + label + "」の宣言がファイルの中身と合わないため、ファイルを読み込めません。");
    return r;
}

std::string CheckDeferredUtf8(const XmlDecodeResult& decoded)
{
    std::size_t bad = 0;
    if (!decoded.utf8Unchecked || IsValidUtf8(decoded.utf8, &bad))
        return {};
    XmlDecodeResult r;
    const std::string_view body = decoded.utf8;
    const std::string label = decoded.bom || decoded.declared.empty() ? "UTF-8" : decoded.declared;
    return BadBytes(r, label, body.substr(0, bad), body, bad).error;
}

EncodeResult EncodeXmlFromUtf8(std::string_view xml, std::string_view declaredEncoding, bool bom, bool protectText,
                               std::string* owned)
{
    if (!declaredEncoding.empty() && !IsEncName(declaredEncoding))
        return EncodeFailure(UnknownEncoding(declaredEncoding) + "文書を保存できません。");
    // The check and the protection only read the text: for a long manuscript they run side
    // by side.
    std::size_t bad = 0;
    const bool aside = protectText && xml.size() > (1u << 20);   // alone it has nothing to run beside
    std::future<bool> checking = std::async(aside ? std::launch::async : std::launch::deferred,
                                            [&] { return IsValidUtf8(xml, &bad); });
    // The protected text, when the protection changed anything; else the text as written.
    std::string protectedXml;
    const bool changed = protectText && XmlPostPass(xml, true, nullptr, protectedXml).changed;
    if (!checking.get())
        return EncodeFailure("文書に UTF-8 として正しくないバイトがあります (" + Position(xml.substr(0, bad))
                             + ")。文書を保存できません。");
    const std::string_view prepared = changed ? std::string_view(protectedXml) : xml;
    EncodeResult r;
    switch (Classify(declaredEncoding)) {
    case Family::Utf8:
        // The serialiser's own buffer becomes the file's bytes: a long manuscript is not copied.
        if (bom)
            r.bytes = std::string(kUtf8Bom).append(prepared);
        else if (changed)
            r.bytes = std::move(protectedXml);
        else if (owned)
            r.bytes = std::move(*owned);
        else
            r.bytes.assign(prepared);
        return r;
    case Family::Utf16:
        r.bytes = Utf8ToWide(prepared, 2, NamesBigEndian(declaredEncoding));
        return r;
    case Family::Utf32:
        r.bytes = Utf8ToWide(prepared, 4, NamesBigEndian(declaredEncoding));
        return r;
    case Family::Cp932:
        return EncodeWithReferences(xml, prepared, protectText, "CP932", declaredEncoding);
    case Family::EucJpMs:
        return EncodeWithReferences(xml, prepared, protectText, "EUC-JP-MS", declaredEncoding);
    case Family::Other:
        break;
    }
    return EncodeWithReferences(xml, prepared, protectText, std::string(declaredEncoding), declaredEncoding);
}

std::string SaveEncodingFor(std::string_view declaredEncoding, std::string_view loadedEncoding)
{
    const Family loaded = Classify(loadedEncoding);
    const bool wide = loaded == Family::Utf16 || loaded == Family::Utf32;
    if (wide && (declaredEncoding.empty() || Classify(declaredEncoding) == loaded))
        return std::string(loadedEncoding);
    return std::string(declaredEncoding);
}

}  // namespace penwick
