// SPDX-License-Identifier: GPL-3.0-or-later
#include "XmlChars.h"

#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace penwick {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// One character of UTF-8 at s[i]: its length, and the code point (U+FFFD for an
// ill-formed subpart, whose length it then is).
std::size_t DecodeAt(std::string_view s, std::size_t i, char32_t& cp)
{
    const Utf8Char c = DecodeUtf8(s.data() + i, s.data() + s.size());
    cp = c.cp;
    return c.len;
}

// Bytes that can only be part of a character XML holds as they stand: printable ASCII
// and the bytes of multi-byte characters below U+FFFE (EF BF BE/BF need a closer look).
inline bool PlainByte(unsigned char c) { return c >= 0x20 && c < 0x80; }

// Parses "&#123;" or "&#x1F;" at s[i]: its length and value (values beyond U+10FFFF
// saturate), or 0 when it is not a complete character reference.
std::size_t ParseReference(std::string_view s, std::size_t i, char32_t& value)
{
    std::size_t k = i + 2;
    const bool hex = k < s.size() && s[k] == 'x';
    k += hex;
    std::uint64_t v = 0;
    const std::size_t digits = k;
    for (; k < s.size(); ++k) {
        const char c = s[k];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        v = std::min<std::uint64_t>(v * (hex ? 16 : 10) + d, 0x110000);
    }
    if (k == digits || k >= s.size() || s[k] != ';')
        return 0;
    value = static_cast<char32_t>(v);
    return k + 1 - i;
}

bool IsNameStartChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
           || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
           || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
           || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c)
{
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
           || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

}  // namespace

std::size_t XmlTagEnd(std::string_view s, std::size_t from)
{
    char quote = 0;
    for (std::size_t i = from; i < s.size(); ++i) {
        const char c = s[i];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return i + 1;
    }
    return s.size();
}

std::size_t XmlMarkupEnd(std::string_view s, std::size_t i)
{
    const auto past = [&](std::size_t from, std::string_view end) {
        const std::size_t at = s.find(end, from);
        return at == std::string_view::npos ? s.size() : at + end.size();
    };
    if (s.compare(i, 4, "<!--") == 0)
        return past(i + 4, "-->");
    if (s.compare(i, 9, "<![CDATA[") == 0)
        return past(i + 9, "]]>");
    if (s.compare(i, 2, "<?") == 0)
        return past(i + 2, "?>");
    return 0;
}

bool IsXmlName(std::string_view s)
{
    if (s.empty())
        return false;
    // As parsers that know namespaces read it: at most one colon, between two parts.
    if (const std::size_t colon = s.find(':'); colon != std::string_view::npos
        && (colon == 0 || colon + 1 == s.size() || s.find(':', colon + 1) != std::string_view::npos))
        return false;
    // The usual names are ASCII: a table answers without decoding.
    static const auto kAscii = [] {
        std::array<std::uint8_t, 128> t{};   // 1: may continue a name, 2: may start one too
        for (char32_t c = 0; c < 128; ++c)
            t[c] = IsNameStartChar(c) ? 3 : IsNameChar(c) ? 1 : 0;
        return t;
    }();
    bool ascii = true;
    for (std::size_t i = 0; i < s.size() && ascii; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80)
            ascii = false;
        else if (!(kAscii[c] & (i == 0 ? 2 : 1)))
            return false;
    }
    if (ascii)
        return true;
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        const std::size_t len = DecodeAt(s, i, cp);
        if (cp == 0xFFFD && s.compare(i, len, kReplacement) != 0)
            return false;
        if (!(i == 0 ? IsNameStartChar(cp) : IsNameChar(cp)))
            return false;
        i += len;
    }
    return true;
}

std::string ToXmlText(std::string_view utf8, std::size_t* replaced)
{
    std::size_t count = 0;
    std::string out;
    std::size_t copied = 0;   // utf8[0, copied) is in out once out is in use
    bool changed = false;
    for (std::size_t i = 0; i < utf8.size();) {
        if (PlainByte(static_cast<unsigned char>(utf8[i]))) {
            ++i;
            continue;
        }
        char32_t cp;
        const std::size_t len = DecodeAt(utf8, i, cp);
        const bool bad = !IsXmlChar(cp) || (cp == 0xFFFD && utf8.compare(i, len, kReplacement) != 0);
        if (bad) {
            if (!changed) {
                out.reserve(utf8.size() + 8);
                changed = true;
            }
            out.append(utf8, copied, i - copied);
            out += kReplacement;
            copied = i + len;
            ++count;
        }
        i += len;
    }
    if (replaced)
        *replaced = count;
    if (!changed)
        return std::string(utf8);
    out.append(utf8, copied, std::string_view::npos);
    return out;
}

namespace {

// A raw character at s[i] that XML cannot hold in well-formed UTF-8 (a C0 control but TAB,
// LF, CR, or U+FFFE/U+FFFF, EF BF BE/BF): its length and code point; 0 for any other byte.
std::size_t UnholdableAt(std::string_view s, std::size_t i, char32_t* cp)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    if (b(i) < 0x20 && b(i) != '\t' && b(i) != '\n' && b(i) != '\r') {
        *cp = b(i);
        return 1;
    }
    if (b(i) == 0xEF && i + 2 < s.size() && b(i + 1) == 0xBF && (b(i + 2) & 0xFE) == 0xBE) {
        *cp = 0xFFFE + (b(i + 2) & 1);
        return 3;
    }
    return 0;
}

// Whether a word of eight bytes holds no control byte, '&' or 0xEF: nothing a character
// check needs to look at.
inline bool QuietWord(const unsigned char* p, bool lessThanToo)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const auto zeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return !(((w - kOnes * 0x20) & ~w & kHighs) | zeroByte(w ^ (kOnes * '&')) | zeroByte(w ^ (kOnes * 0xEF))
             | (lessThanToo ? zeroByte(w ^ (kOnes * '<')) : 0));
}

// The usual case, cheaply: no raw character and no reference anywhere that XML cannot
// hold (markup is not told apart here; the full repair does that when this says no).
bool NothingToRepair(std::string_view s)
{
    const auto* b = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
#if defined(__SSE2__)
        // Sixteen bytes at a time: a project is almost all text with none of these bytes.
        const __m128i below = _mm_set1_epi8(0x1F), amp = _mm_set1_epi8('&'), ef = _mm_set1_epi8(char(0xEF));
        while (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, below), below),
                                             _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, ef)));
            if (_mm_movemask_epi8(hit) != 0)
                break;
            i += 16;
        }
#endif
        while (i + 8 <= n && QuietWord(b + i, false))
            i += 8;
        if (i >= n)
            break;
        char32_t cp;
        if (UnholdableAt(s, i, &cp))
            return false;
        if (b[i] == '&' && i + 1 < n && b[i + 1] == '#') {
            char32_t value = 0;
            if (const std::size_t len = ParseReference(s, i, value)) {
                if (!IsXmlChar(value))
                    return false;
                i += len;
                continue;
            }
        }
        ++i;
    }
    return true;
}

}  // namespace

XmlCharRepair RepairXmlCharacters(std::string_view s, std::string& out)
{
    if (NothingToRepair(s))
        return {};
    // The text is well-formed UTF-8 (the decoder saw to that), so the only raw characters
    // XML cannot hold are the C0 controls but TAB, LF, CR, and U+FFFE/U+FFFF (EF BF BE/BF).
    // A table picks out the few bytes worth a look; everything else is skipped in a tight loop.
    static const auto kInteresting = [] {
        std::array<bool, 256> t{};
        for (int c = 0; c < 0x20; ++c)
            t[c] = c != '\t' && c != '\n' && c != '\r';
        t['<'] = t['&'] = t[0xEF] = true;
        return t;
    }();
    XmlCharRepair r;
    std::string fixed;
    std::size_t copied = 0;
    const auto replace = [&](std::size_t at, std::size_t len, std::string what) {
        if (r.count++ == 0) {
            r.firstOffset = at;
            r.firstText = std::move(what);
            fixed.reserve(s.size());
        }
        fixed.append(s, copied, at - copied);
        fixed += kReplacement;
        copied = at + len;
    };
    const auto codeName = [](char32_t cp) {
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
        return std::string(name);
    };
    // Markup whose content is not parsed for references ends here.
    const auto endOf = [&](std::size_t i) -> std::size_t {
        if (const std::size_t end = XmlMarkupEnd(s, i))
            return end;
        if (s.compare(i, 9, "<!DOCTYPE") == 0) {   // an internal subset is refused after parsing anyway
            const std::size_t stop = s.find('>', i + 9);
            return stop == std::string_view::npos ? s.size() : stop + 1;
        }
        return i + 1;
    };
    std::size_t regionEnd = 0;   // inside skipped markup up to here: references stay text
    std::size_t tagEnd = 0;      // inside a start or end tag up to here
    const std::size_t n = s.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
    for (std::size_t i = 0; i < n;) {
        while (i + 8 <= n && QuietWord(bytes + i, true))   // eight bytes at a time
            i += 8;
        while (i < n && !kInteresting[bytes[i]])
            ++i;
        if (i >= n)
            break;
        const unsigned char c = bytes[i];
        if (c == '<') {
            // A '<' inside a tag stands in an attribute value (the parser lets it through):
            // it starts nothing.
            if (i >= regionEnd && i >= tagEnd) {
                regionEnd = endOf(i);
                if (regionEnd == i + 1)   // a tag
                    tagEnd = XmlTagEnd(s, i + 1);   // past its '>', which starts nothing either
            }
            ++i;
            continue;
        }
        if (c == '&') {
            char32_t value = 0;
            const std::size_t len = i + 1 < n && s[i + 1] == '#' && i >= regionEnd ? ParseReference(s, i, value) : 0;
            if (len && !IsXmlChar(value))
                replace(i, len, std::string(s.substr(i, len)));
            i += len ? len : 1;
            continue;
        }
        char32_t cp = 0;
        if (const std::size_t len = UnholdableAt(s, i, &cp)) {
            replace(i, len, codeName(cp));
            i += len;
        } else {
            ++i;
        }
    }
    if (r.count > 0) {
        fixed.append(s, copied, std::string_view::npos);
        out = std::move(fixed);
    }
    return r;
}

}  // namespace penwick
