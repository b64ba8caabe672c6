#include "XmlEncoding.h"

#include "Utf8.h"
#include "XmlPostPass.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace penwick {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string_view::npos;

// ---------------------------------------------------------------- UTF-8 and the wide forms

// Length of the well-formed UTF-8 sequence at s[i] (overlong forms, surrogates and values
// beyond U+10FFFF are not), or 0.
int DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp)
{
    const Utf8Char c = DecodeUtf8(s.data() + i, s.data() + s.size());
    cp = c.cp;
    return c.valid ? c.len : 0;
}

// UTF-16/32 (unit 2 or 4) to UTF-8. Strict: returns the byte offset of the first unit
// that is not a character (unpaired surrogate, value out of range, cut-off tail), else npos.
// Lossy: such units become U+FFFD and are counted in *replaced.
std::size_t WideToUtf8(std::string_view in, int unit, bool bigEndian, std::string& out,
                       std::size_t* replaced = nullptr)
{
    const auto read = [&](std::size_t at) {
        char32_t v = 0;
        for (int k = 0; k < unit; ++k) {
            const auto b = static_cast<unsigned char>(in[at + (bigEndian ? k : unit - 1 - k)]);
            v = (v << 8) | b;
        }
        return v;
    };
    out.reserve(out.size() + in.size() / unit * 3);
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t len = unit;
        char32_t cp = in.size() - i >= static_cast<std::size_t>(unit) ? read(i) : 0xFFFFFFFF;
        if (unit == 2 && cp >= 0xD800 && cp <= 0xDBFF && in.size() - i >= 4) {
            const char32_t low = read(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                len = 4;
            }
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            if (!replaced)
                return i;
            ++*replaced;
            cp = 0xFFFD;
            len = std::min<std::size_t>(unit, in.size() - i);
        }
        AppendUtf8(out, cp);
        i += len;
    }
    return npos;
}

// Valid UTF-8 to UTF-16/32 with a BOM.
std::string Utf8ToWide(std::string_view utf8, int unit, bool bigEndian)
{
    // Sized for the worst case (every byte a unit) and written through a pointer: saving
    // a long manuscript as UTF-16 should cost no more than copying it.
    std::string out(utf8.size() * unit + unit, '\0');
    char* p = out.data();
    const auto put = [&](char32_t v) {
        for (int k = 0; k < unit; ++k)
            *p++ = static_cast<char>((v >> (8 * (bigEndian ? unit - 1 - k : k))) & 0xFF);
    };
    put(0xFEFF);
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        i += DecodeUtf8At(utf8, i, cp);
        if (unit == 2 && cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    out.resize(p - out.data());
    return out;
}

// Lossy UTF-8: each maximal ill-formed subpart becomes U+FFFD.
std::string RepairUtf8(std::string_view in, std::size_t& replaced)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const Utf8Char c = DecodeUtf8(in.data() + i, in.data() + in.size());
        if (!c.valid) {
            AppendUtf8(out, kReplacementChar);
            ++replaced;
        } else {
            out.append(in.substr(i, c.len));
        }
        i += c.len;
    }
    return out;
}

// ---------------------------------------------------------------- iconv

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Appends the conversion of in to out. Returns npos, or the offset in `in` of the
    // first byte sequence that is invalid or cut off; out then holds what came before it.
    std::size_t convert(std::string_view in, std::string& out)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buf[16384];
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        for (bool flushed = false; !flushed;) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            flushed = srcLeft == 0;
            const std::size_t r = flushed ? iconv(m_cd, nullptr, nullptr, &dst, &dstLeft)
                                          : iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            const int err = errno;
            out.append(buf, dst - buf);
            if (r == static_cast<std::size_t>(-1)) {
                if (err != E2BIG)
                    return src - in.data();
                flushed = false;
            }
        }
        return npos;
    }

private:
    iconv_t m_cd;
};

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

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

// "12 行 5 列" for the position just after text (UTF-8): lines by LF, columns in characters.
std::string Position(std::string_view text)
{
    std::size_t line = 1, column = 1;
    for (char c : text) {
        if (c == '\n')
            ++line, column = 1;
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++column;
    }
    return std::to_string(line) + " 行 " + std::to_string(column) + " 列";
}

std::string CodePointName(char32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

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

EncodeResult EncodeFailure(std::string message)
{
    EncodeResult r;
    r.hr = E_XML_ENCODING;
    r.error = std::move(message);
    return r;
}

std::string UnknownEncoding(std::string_view name)
{
    return "文字コード「" + std::string(name) + "」には対応していません。";
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
    if (const XmlPostPassStop stop = XmlPostPass(xml, protectText, &filter, escaped); stop.stopped)
        return EncodeFailure("文字「" + std::string(xml.substr(stop.offset, DecodeUtf8(xml.data() + stop.offset, xml.data() + xml.size()).len)) + "」("
                             + CodePointName(stop.cp) + ") は文字コード " + std::string(label) + " で表せないため、"
                             + stop.where + " (" + Position(xml.substr(0, stop.offset))
                             + ") に書けません。文書を保存できません。");
    if (!EncodesExactly(to, back, escaped, r.bytes))
        return EncodeFailure("文書を文字コード " + std::string(label) + " で正しく書き表せないため、保存できません。");
    return r;
}

}  // namespace

// ---------------------------------------------------------------- public

bool IsValidUtf8(std::string_view bytes, std::size_t* badOffset)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Runs of ASCII, eight bytes at a time: most of a Japanese file is not, but markup is.
        while (bytes.size() - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= bytes.size())
            break;
        // Kana and kanji: three-byte forms whose lead byte rules out overlong forms and surrogates.
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (((lead >= 0xE1 && lead <= 0xEC) || lead >= 0xEE) && lead <= 0xEF && bytes.size() - i >= 3
            && (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80
            && (static_cast<unsigned char>(bytes[i + 2]) & 0xC0) == 0x80) {
            i += 3;
            continue;
        }
        char32_t cp;
        const int len = DecodeUtf8At(bytes, i, cp);
        if (len == 0) {
            if (badOffset)
                *badOffset = i;
            return false;
        }
        i += len;
    }
    return true;
}

XmlDecodeResult DecodeXmlBytes(std::string_view bytes)
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
        if (!IsValidUtf8(body, &bad))
            return BadBytes(r, r.bom ? "UTF-8" : label, body.substr(0, bad), body, bad);
        r.utf8.assign(body);
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

EncodeResult EncodeXmlFromUtf8(std::string_view xml, std::string_view declaredEncoding, bool bom, bool protectText)
{
    std::size_t bad = 0;
    if (!IsValidUtf8(xml, &bad))
        return EncodeFailure("文書に UTF-8 として正しくないバイトがあります (" + Position(xml.substr(0, bad))
                             + ")。文書を保存できません。");
    if (!declaredEncoding.empty() && !IsEncName(declaredEncoding))
        return EncodeFailure(UnknownEncoding(declaredEncoding) + "文書を保存できません。");
    std::string protectedXml;
    std::string_view utf8 = xml;
    if (protectText) {
        XmlPostPass(xml, true, nullptr, protectedXml);
        utf8 = protectedXml;
    }
    EncodeResult r;
    switch (Classify(declaredEncoding)) {
    case Family::Utf8:
        if (bom)
            r.bytes = kUtf8Bom;
        r.bytes += utf8;
        return r;
    case Family::Utf16:
        r.bytes = Utf8ToWide(utf8, 2, NamesBigEndian(declaredEncoding));
        return r;
    case Family::Utf32:
        r.bytes = Utf8ToWide(utf8, 4, NamesBigEndian(declaredEncoding));
        return r;
    case Family::Cp932:
        return EncodeWithReferences(xml, utf8, protectText, "CP932", declaredEncoding);
    case Family::EucJpMs:
        return EncodeWithReferences(xml, utf8, protectText, "EUC-JP-MS", declaredEncoding);
    case Family::Other:
        break;
    }
    return EncodeWithReferences(xml, utf8, protectText, std::string(declaredEncoding), declaredEncoding);
}

std::string SaveEncodingFor(std::string_view declaredEncoding, std::string_view loadedEncoding)
{
    const Family loaded = Classify(loadedEncoding);
    const bool wide = loaded == Family::Utf16 || loaded == Family::Utf32;
    if (wide && (declaredEncoding.empty() || Classify(declaredEncoding) == loaded))
        return std::string(loadedEncoding);
    return std::string(declaredEncoding);
}

TextDecodeResult DecodeTextFile(std::string_view bytes)
{
    TextDecodeResult r;
    if (bytes.starts_with(kUtf8Bom)) {
        r.encoding = TextEncoding::Utf8Bom;
        r.utf8 = RepairUtf8(bytes.substr(kUtf8Bom.size()), r.replaced);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        r.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        WideToUtf8(bytes.substr(2), 2, bigEndian, r.utf8, &r.replaced);
    } else if (IsValidUtf8(bytes)) {
        r.utf8.assign(bytes);
    } else {
        // CP932, with each byte it cannot read shown as U+FFFD so that nothing goes missing unseen.
        r.encoding = TextEncoding::Cp932;
        r.utf8.reserve(bytes.size() * 3 / 2);
        Iconv cd("UTF-8", "CP932");
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t bad = cd.ok() ? cd.convert(bytes.substr(i), r.utf8) : 0;
            if (bad == npos)
                break;
            AppendUtf8(r.utf8, 0xFFFD);
            ++r.replaced;
            i += bad + 1;
        }
    }
    return r;
}

EncodeResult EncodeTextFile(std::string_view utf8, TextEncoding encoding)
{
    std::size_t bad = 0;
    if (!IsValidUtf8(utf8, &bad))
        return EncodeFailure("テキストに UTF-8 として正しくないバイトがあります (" + Position(utf8.substr(0, bad))
                             + ")。保存できません。");
    EncodeResult r;
    switch (encoding) {
    case TextEncoding::Utf8:
        r.bytes = utf8;
        return r;
    case TextEncoding::Utf8Bom:
        r.bytes = std::string(kUtf8Bom) + std::string(utf8);
        return r;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        r.bytes = Utf8ToWide(utf8, 2, encoding == TextEncoding::Utf16BE);
        return r;
    case TextEncoding::Cp932:
        break;
    }
    return Utf8ToCp932(utf8);
}

EncodeResult Utf8ToCp932(std::string_view utf8)
{
    Iconv cd("CP932", "UTF-8");
    if (!cd.ok())
        return EncodeFailure(UnknownEncoding("CP932"));
    EncodeResult r;
    r.bytes.reserve(utf8.size());
    const std::size_t bad = cd.convert(utf8, r.bytes);
    if (bad == npos)
        return r;
    char32_t cp = 0;
    const int len = DecodeUtf8At(utf8, bad, cp);
    if (len == 0)
        return EncodeFailure("テキストに UTF-8 として正しくないバイトがあります (" + Position(utf8.substr(0, bad))
                             + ")。");
    return EncodeFailure("文字「" + std::string(utf8.substr(bad, len)) + "」(" + CodePointName(cp)
                         + ") は Shift_JIS (CP932) で表せないため、保存できません ("
                         + Position(utf8.substr(0, bad)) + ")。");
}

}  // namespace penwick
