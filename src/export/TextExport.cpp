// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextExport.h"

#include "TextFileCodec.h"

#include <vector>

namespace penwick {

Status AssembleTextExport(const DomDocument& doc, ExportEncoding encoding, const FailureReport& report,
                          std::string* bytes)
{
    std::vector<std::string> chapters;
    if (!GetAllChapterTexts(doc, report, &chapters))
        return {E_FAIL, {}};
    std::size_t size = 0;
    for (const std::string& chapter : chapters)
        size += chapter.size();
    std::string text;
    text.reserve(size);
    for (const std::string& chapter : chapters)
        text += chapter;
    if (encoding == ExportEncoding::Cp932) {
        EncodeResult encoded = Utf8ToCp932(text);
        if (FAILED(encoded.hr))
            return {encoded.hr, encoded.error};
        text = std::move(encoded.bytes);
    }
    *bytes = std::move(text);
    return {};
}

}  // namespace penwick
