// SPDX-License-Identifier: GPL-3.0-or-later
// Byte encodings of project files. (Plain text files: TextFileCodec.h.)
//
// A project file is decoded to UTF-8 before the XML parser sees it and encoded back to
// the encoding its declaration names when it is saved. Conversions other than the
// Unicode ones go through glibc iconv. Japanese names are mapped to the supersets that
// Windows tools actually write: Shift_JIS / Windows-31J / CP932 -> CP932 (NEC and IBM
// extensions such as ①), EUC-JP -> EUC-JP-MS.
#pragma once

#include "Encodings.h"
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
    bool utf8Unchecked = false;   // UTF-8 taken as it is; CheckDeferredUtf8 says whether it is
};

// BOM first (UTF-8/16/32), then the declaration's encoding, else UTF-16/32 by the first
// bytes, else UTF-8. Bytes invalid in the chosen encoding, or an encoding iconv does not
// know, fail with E_XML_ENCODING: nothing is ever decoded to garbage.
XmlDecodeResult DecodeXmlBytes(std::string_view bytes);
// The same; owned, when given, holds bytes and may be taken over (UTF-8 bytes then become
// the text without a copy). deferUtf8Check: UTF-8 bytes
// are taken without the check, which the caller runs with CheckDeferredUtf8 (beside the
// parse of a long manuscript).
XmlDecodeResult DecodeXmlBytes(std::string_view bytes, std::string* owned, bool deferUtf8Check = false);
// The reason a result taken unchecked is not UTF-8 (as DecodeXmlBytes would have given
// it), or empty when it is.
std::string CheckDeferredUtf8(const XmlDecodeResult& decoded);

// xml is a well-formed document as the serialiser wrote it. declaredEncoding is the
// declaration's encoding value (empty: UTF-8). A character the target cannot hold
// becomes &#xHEX; in text and attribute values; anywhere else (names, comments, PIs,
// CDATA) it fails. UTF-16/32 are always written with a BOM; for UTF-8, bom decides.
// protectText: the reload protection of XmlPostPass (what a saved project needs). owned,
// when given, holds xml and may be taken over for the result.
EncodeResult EncodeXmlFromUtf8(std::string_view xml, std::string_view declaredEncoding, bool bom,
                               bool protectText = false, std::string* owned = nullptr);

// The name to hand EncodeXmlFromUtf8 when a loaded document is saved: the declaration's
// encoding, except that a declaration of the Unicode form the file was read in ("UTF-16"
// for a file read as UTF-16BE, or none for a UTF-16 file with a BOM) keeps the byte order
// read, so an unchanged document is written back byte for byte.
std::string SaveEncodingFor(std::string_view declaredEncoding, std::string_view loadedEncoding);

}  // namespace penwick
