// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-level conversions shared by the project file encodings (XmlEncoding) and the plain
// text files of the File menu (TextFileCodec): iconv, the UTF-16/32 forms, UTF-8 checks
// and the Japanese wording of where a conversion failed.
#pragma once

#include "ResultCode.h"

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace penwick {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The result of encoding UTF-8 for a file.
struct EncodeResult {
    HRESULT hr = S_OK;      // S_OK or E_XML_ENCODING
    std::string bytes;
    std::string error;      // when failed: the reason in Japanese
};
EncodeResult EncodeFailure(std::string message);

// One iconv conversion descriptor; ok() is false for an encoding iconv does not know.
class Iconv {
public:
    Iconv(const char* to, const char* from);
    ~Iconv();
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // Appends the conversion of in to out. Returns npos, or the offset in `in` of the
    // first byte sequence that is invalid or cut off; out then holds what came before it.
    std::size_t convert(std::string_view in, std::string& out);

private:
    iconv_t m_cd;
};

// Length of the well-formed UTF-8 sequence at s[i], or 0 (cp is then U+FFFD).
int DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp);
bool IsValidUtf8(std::string_view bytes, std::size_t* badOffset = nullptr);
// UTF-16/32 (unit 2 or 4) to UTF-8. Strict (replaced null): returns the byte offset of the
// first unit that is not a character, else npos. Lossy: such units become U+FFFD and are
// counted in *replaced.
std::size_t WideToUtf8(std::string_view in, int unit, bool bigEndian, std::string& out,
                       std::size_t* replaced = nullptr);
// Valid UTF-8 to UTF-16/32 with a BOM.
std::string Utf8ToWide(std::string_view utf8, int unit, bool bigEndian);
// Lossy UTF-8: each maximal ill-formed subpart becomes U+FFFD, counted in replaced.
std::string RepairUtf8(std::string_view in, std::size_t& replaced);

// "12 行 5 列" for the position just after text (UTF-8): lines by LF, columns in characters.
std::string Position(std::string_view text);
// "U+301C".
std::string CodePointName(char32_t cp);
std::string UnknownEncoding(std::string_view name);

}  // namespace penwick
