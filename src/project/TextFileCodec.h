// SPDX-License-Identifier: GPL-3.0-or-later
// Plain-text files of the File menu and of export: how their bytes are read (whatever
// the encoding, nothing is lost unseen) and written.
#pragma once

#include "Encodings.h"

#include <string>
#include <string_view>

namespace penwick {

// Plain-text files of the File menu: UTF-8 (with or without BOM), UTF-16 with BOM, else CP932.
enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Cp932 };

struct TextDecodeResult {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t replaced = 0;   // invalid bytes (or units) that became U+FFFD
};
TextDecodeResult DecodeTextFile(std::string_view bytes);

// Fails (E_XML_ENCODING, Japanese reason naming the first character) when the text holds
// a character the encoding cannot represent. CP932 output uses iconv's mapping, which also
// takes the usual look-alikes (U+301C WAVE DASH -> 0x8160, U+00A5 YEN SIGN -> 0x5C): a plain
// text file has no other way to hold them.
EncodeResult EncodeTextFile(std::string_view utf8, TextEncoding encoding);

// Plain conversion used by export and the command-line tool.
EncodeResult Utf8ToCp932(std::string_view utf8);

}  // namespace penwick
