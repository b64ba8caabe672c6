// UTF-8 to code points. Each maximal subpart of an ill-formed sequence becomes one U+FFFD
// (the Unicode replacement practice): E3 81 41 gives U+FFFD 'A', ED A0 80 gives three.
// Because a well-formed character always ends where the next decode starts, counting a text
// in pieces split after any character decodes exactly as counting it whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace penwick::counter {

class Utf8Decoder {
public:
    Utf8Decoder(const char* data, std::size_t len)
        : m_p(reinterpret_cast<const std::uint8_t*>(data)), m_end(m_p + len) {}

    bool atEnd() const { return m_p == m_end; }

    char32_t next()
    {
        const std::uint8_t b = *m_p++;
        if (b < 0x80)
            return b;
        if (b < 0xC2)
            return kReplacement;             // continuation byte or overlong C0/C1 lead
        if (b < 0xE0) {
            if (!continues(0x80, 0xBF))
                return kReplacement;
            return char32_t(b & 0x1F) << 6 | (*m_p++ & 0x3F);
        }
        if (b < 0xF0) {
            // E0 needs A0..BF (no overlongs), ED needs 80..9F (no surrogates).
            if (!continues(b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF))
                return kReplacement;
            const char32_t c1 = *m_p++ & 0x3F;
            if (!continues(0x80, 0xBF))
                return kReplacement;
            return char32_t(b & 0x0F) << 12 | c1 << 6 | (*m_p++ & 0x3F);
        }
        if (b < 0xF5) {
            // F0 needs 90..BF (no overlongs), F4 needs 80..8F (nothing above U+10FFFF).
            if (!continues(b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF))
                return kReplacement;
            const char32_t c1 = *m_p++ & 0x3F;
            if (!continues(0x80, 0xBF))
                return kReplacement;
            const char32_t c2 = *m_p++ & 0x3F;
            if (!continues(0x80, 0xBF))
                return kReplacement;
            return char32_t(b & 0x07) << 18 | c1 << 12 | c2 << 6 | (*m_p++ & 0x3F);
        }
        return kReplacement;                 // F5..FF never start a character
    }

    static constexpr char32_t kReplacement = 0xFFFD;

private:
    bool continues(std::uint8_t lo, std::uint8_t hi) const
    {
        return m_p != m_end && *m_p >= lo && *m_p <= hi;
    }

    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
};

} // namespace penwick::counter
