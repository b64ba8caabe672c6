// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextFileCodec.h"

#include "Utf8.h"

namespace penwick {
namespace {
constexpr std::size_t npos = std::string_view::npos;
}  // namespace

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
