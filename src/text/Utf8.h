// SPDX-License-Identifier: GPL-3.0-or-later
// The one UTF-8 decoder of the program: the core, the counting library and the text
// documents all read UTF-8 through it, so they agree on every byte.
//
// Each maximal subpart of an ill-formed sequence becomes one U+FFFD (the Unicode
// replacement practice, counting rule R1): E3 81 41 gives U+FFFD 'A', ED A0 80 gives
// three, F5..FF and lone continuation bytes one each. Because a well-formed character
// always ends where the next decode starts, a text decoded in pieces split after any
// character decodes exactly as the whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace penwick {

inline constexpr char32_t kReplacementChar = 0xFFFD;

struct Utf8Char {
    char32_t cp;        // the character, or U+FFFD for an ill-formed subpart
    std::uint8_t len;   // bytes it took (1..4), never 0
    bool valid;         // false: cp is U+FFFD standing for len ill-formed bytes
};

// Decodes the character at p (p < end).
inline Utf8Char DecodeUtf8(const char* text, const char* end)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(text);
    const auto* e = reinterpret_cast<const std::uint8_t*>(end);
    const std::uint8_t b = *p;
    if (b < 0x80)
        return {b, 1, true};
    int len;
    char32_t cp;
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        // E0 needs A0..BF (no overlongs), ED needs 80..9F (no surrogates).
        len = 3, cp = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        // F0 needs 90..BF (no overlongs), F4 needs 80..8F (nothing above U+10FFFF).
        len = 4, cp = b & 0x07;
        lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {kReplacementChar, 1, false};   // C0, C1, F5..FF, or a continuation byte
    }
    for (int k = 1; k < len; ++k) {
        if (p + k >= e || p[k] < lo || p[k] > hi)
            return {kReplacementChar, static_cast<std::uint8_t>(k), false};
        cp = (cp << 6) | (p[k] & 0x3F);
        lo = 0x80, hi = 0xBF;
    }
    return {cp, static_cast<std::uint8_t>(len), true};
}

// Code points one after another.
class Utf8Decoder {
public:
    Utf8Decoder(const char* data, std::size_t len) : m_begin(data), m_p(data), m_end(data + len) {}
    bool atEnd() const { return m_p == m_end; }
    // Bytes decoded so far: the offset of the character next() returns next.
    std::size_t offset() const { return std::size_t(m_p - m_begin); }
    char32_t next()
    {
        const Utf8Char c = DecodeUtf8(m_p, m_end);
        m_p += c.len;
        return c.cp;
    }

private:
    const char* m_begin;
    const char* m_p;
    const char* m_end;
};

// Appends the UTF-8 form of a code point (below U+110000).
inline void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace penwick
