// SPDX-License-Identifier: GPL-3.0-or-later
#include "Encodings.h"

#include "Utf8.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace penwick {
namespace {
constexpr std::size_t npos = std::string_view::npos;
}  // namespace

// ---------------------------------------------------------------- iconv

Iconv::Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}

Iconv::~Iconv()
{
    if (ok())
        iconv_close(m_cd);
}

std::size_t Iconv::convert(std::string_view in, std::string& out)
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
                       std::size_t* replaced)
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

bool IsValidUtf8(std::string_view bytes, std::size_t* badOffset)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            // Markup and Latin text: eight bytes at a time.
            ++i;
            while (n - i >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            continue;
        }
        // Kana and kanji, one after another: three-byte forms whose lead byte rules out
        // overlong forms and surrogates need only their two continuation bytes checked.
        while (n - i >= 3 && ((p[i] >= 0xE1 && p[i] <= 0xEC) || p[i] == 0xEE || p[i] == 0xEF)
               && ((p[i + 1] & 0xC0) == 0x80) && ((p[i + 2] & 0xC0) == 0x80))
            i += 3;
        if (i >= n || p[i] < 0x80)
            continue;
        char32_t cp;
        const int len = DecodeUtf8At(bytes, i, cp);
        if (len == 0) {
            if (badOffset)
                *badOffset = i;
            return false;
        }
        i += std::size_t(len);
    }
    return true;
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

}  // namespace penwick
