#include "XmlChars.h"

#include <cstdio>
#include <cstdint>

namespace penwick {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// One character of UTF-8 at s[i]: its length, and the code point (U+FFFD with length of
// the maximal ill-formed subpart when the bytes are not a character).
std::size_t DecodeAt(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(s[i + k]); };
    const std::uint8_t b = at(0);
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    int len = 0;
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, cp = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, cp = b & 0x07;
        lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        cp = 0xFFFD;
        return 1;
    }
    for (int k = 1; k < len; ++k) {
        if (i + k >= s.size() || at(k) < lo || at(k) > hi) {
            cp = 0xFFFD;
            return static_cast<std::size_t>(k);
        }
        cp = (cp << 6) | (at(k) & 0x3F);
        lo = 0x80, hi = 0xBF;
    }
    return static_cast<std::size_t>(len);
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

}  // namespace

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

XmlCharRepair RepairXmlCharacters(std::string_view s, std::string& out)
{
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
    // Markup whose content is not parsed for references: skipped to its end.
    const auto skipTo = [&](std::size_t i, std::string_view end) {
        const std::size_t stop = s.find(end, i);
        return stop == std::string_view::npos ? s.size() : stop + end.size();
    };
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '<') {
            std::size_t end = i + 1;
            if (s.compare(i, 4, "<!--") == 0)
                end = skipTo(i + 4, "-->");
            else if (s.compare(i, 9, "<![CDATA[") == 0)
                end = skipTo(i + 9, "]]>");
            else if (s.compare(i, 2, "<?") == 0)
                end = skipTo(i + 2, "?>");
            else if (s.compare(i, 9, "<!DOCTYPE") == 0)
                end = skipTo(i + 9, ">");   // an internal subset ends at "]>", close enough here
            // Raw characters inside skipped markup are checked all the same.
            for (std::size_t k = i + 1; k < end;) {
                char32_t cp;
                const std::size_t len = DecodeAt(s, k, cp);
                if (!IsXmlChar(cp)) {
                    char name[16];
                    std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
                    replace(k, len, name);
                }
                k += len;
            }
            i = end;
            continue;
        }
        if (c == '&' && i + 1 < s.size() && s[i + 1] == '#') {
            char32_t value = 0;
            if (const std::size_t len = ParseReference(s, i, value)) {
                if (!IsXmlChar(value))
                    replace(i, len, std::string(s.substr(i, len)));
                i += len;
                continue;
            }
        }
        if (PlainByte(c) || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        char32_t cp;
        const std::size_t len = DecodeAt(s, i, cp);
        if (!IsXmlChar(cp)) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
            replace(i, len, name);
        }
        i += len;
    }
    if (r.count > 0) {
        fixed.append(s, copied, std::string_view::npos);
        out = std::move(fixed);
    }
    return r;
}

}  // namespace penwick
