// Byte encodings of project files and text documents.
//
// A project file is decoded to UTF-8 before the XML parser sees it and encoded back to
// the encoding its declaration names when it is saved. Conversions other than the
// Unicode ones go through glibc iconv. Japanese names are mapped to the supersets that
// Windows tools actually write: Shift_JIS / Windows-31J / CP932 -> CP932 (NEC and IBM
// extensions such as ①), EUC-JP -> EUC-JP-MS.
#pragma once

#include "ResultCode.h"

#include <string>
#include <string_view>

namespace penwick {

// Decoding of a whole XML file.
struct XmlDecodeResult {
    HRESULT hr = S_OK;      // S_OK or E_XML_ENCODING
    std::string utf8;       // the document as UTF-8, BOM removed; its declaration left as written
    std::string encoding;   // what the bytes were: "UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE", "CP932", "EUC-JP-MS", or another iconv name
    bool bom = false;       // the file began with a byte-order mark
    std::string declared;   // the declaration's encoding value as written (empty: none)
    std::string error;      // when failed: the reason in Japanese (with line and column for bad bytes)
};

// BOM first (UTF-8/16/32), then the declaration's encoding, else UTF-16/32 by the first
// bytes, else UTF-8. Bytes invalid in the chosen encoding, or an encoding iconv does not
// know, fail with E_XML_ENCODING: nothing is ever decoded to garbage.
XmlDecodeResult DecodeXmlBytes(std::string_view bytes);

// Encoding of a serialised document for saving.
struct EncodeResult {
    HRESULT hr = S_OK;      // S_OK or E_XML_ENCODING
    std::string bytes;
    std::string error;      // when failed: the reason in Japanese
};

// xml is a well-formed document as the serialiser wrote it. declaredEncoding is the
// declaration's encoding value (empty: UTF-8). A character the target cannot hold
// becomes &#xHEX; in text and attribute values; anywhere else (names, comments, PIs,
// CDATA) it fails. UTF-16/32 are always written with a BOM; for UTF-8, bom decides.
// protectText: the reload protection of XmlPostPass (what a saved project needs).
EncodeResult EncodeXmlFromUtf8(std::string_view xml, std::string_view declaredEncoding, bool bom,
                               bool protectText = false);

// The name to hand EncodeXmlFromUtf8 when a loaded document is saved: the declaration's
// encoding, except that a declaration of the Unicode form the file was read in ("UTF-16"
// for a file read as UTF-16BE, or none for a UTF-16 file with a BOM) keeps the byte order
// read, so an unchanged document is written back byte for byte.
std::string SaveEncodingFor(std::string_view declaredEncoding, std::string_view loadedEncoding);

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

// Plain conversions used by export and the command-line tool.
EncodeResult Utf8ToCp932(std::string_view utf8);
bool IsValidUtf8(std::string_view bytes, std::size_t* badOffset = nullptr);

}  // namespace penwick
