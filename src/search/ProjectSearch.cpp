// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectSearch.h"

#include "ProjectFormat.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <string>

namespace penwick {

namespace {

std::u16string ToUtf16(std::string_view utf8)
{
    std::u16string out(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &length, utf8.data(),
                         int32_t(utf8.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? std::size_t(length) : 0);
    return out;
}

std::string ToUtf8(std::u16string_view utf16)
{
    std::string out(utf16.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), int32_t(out.size()), &length, reinterpret_cast<const UChar*>(utf16.data()),
                       int32_t(utf16.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? std::size_t(length) : 0);
    return out;
}

UChar32 CodePointAt(std::u16string_view s, std::size_t i)
{
    UChar32 c = s[i];
    if (U16_IS_LEAD(c) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1]))
        c = U16_GET_SUPPLEMENTARY(c, s[i + 1]);
    return c;
}

// Simple case folding, code point by code point, keeping every position.
void FoldCase(std::u16string& s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const UChar32 c = CodePointAt(s, i);
        const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        if (c > 0xFFFF) {
            if (f > 0xFFFF) {
                s[i] = U16_LEAD(f);
                s[i + 1] = U16_TRAIL(f);
            }
            ++i;
        } else if (f <= 0xFFFF) {
            s[i] = char16_t(f);
        }
    }
}

// The word-break classes that hold a word together (UAX #29, without dictionaries).
enum class WordKind { Other, Letter, Katakana, Joiner, Attached };

WordKind KindOf(UChar32 c)
{
    switch (u_getIntPropertyValue(c, UCHAR_WORD_BREAK)) {
    case U_WB_ALETTER:
    case U_WB_HEBREW_LETTER:
    case U_WB_NUMERIC:
        return WordKind::Letter;
    case U_WB_KATAKANA:
        return WordKind::Katakana;
    case U_WB_EXTENDNUMLET:
        return WordKind::Joiner;
    case U_WB_EXTEND:
    case U_WB_FORMAT:
    case U_WB_ZWJ:
        return WordKind::Attached;
    default:
        return WordKind::Other;
    }
}

// Whether a word boundary falls at position i of s.
bool IsWordBoundary(std::u16string_view s, std::size_t i)
{
    if (i == 0 || i >= s.size())
        return true;
    const WordKind after = KindOf(CodePointAt(s, i));
    if (after == WordKind::Attached)
        return false;   // marks and joiners stay with what they follow
    std::size_t j = i;
    WordKind before = WordKind::Attached;
    while (j > 0 && before == WordKind::Attached) {
        U16_BACK_1(s.data(), 0, j);
        before = KindOf(CodePointAt(s, j));
    }
    if (before == WordKind::Other || after == WordKind::Other)
        return true;    // each ideograph, kana or mark stands alone
    if (before == WordKind::Joiner || after == WordKind::Joiner)
        return false;   // a_b, カタ_カナ
    return before != after;   // inside a Latin or katakana run, none
}

}  // namespace

std::vector<SearchHit> SearchProject(const DomDocument& doc, std::string_view pattern, SearchOptions options,
                                     const TextOverride& edited)
{
    std::vector<SearchHit> hits;
    std::u16string what = ToUtf16(pattern);
    if (what.empty())
        return hits;
    if (!options.matchCase)
        FoldCase(what);

    format::ForEachOutlineNode(doc, [&](DomNode node, const std::string& path, int) {
        std::optional<std::string> own = edited ? edited(node) : std::nullopt;
        std::string utf8 = own ? std::move(*own) : format::NodeOwnText(node);
        std::erase(utf8, '\r');
        const std::u16string text = ToUtf16(utf8);
        std::u16string folded;
        if (!options.matchCase) {
            folded = text;
            FoldCase(folded);
        }
        const std::u16string_view hay = options.matchCase ? std::u16string_view(text) : std::u16string_view(folded);
        std::size_t lineStart = 0;
        int line = 1;
        for (std::size_t pos = hay.find(what); pos != std::u16string_view::npos; pos = hay.find(what, pos + 1)) {
            if (options.wholeWord && !(IsWordBoundary(text, pos) && IsWordBoundary(text, pos + what.size())))
                continue;
            for (std::size_t nl = text.find(u'\n', lineStart); nl != std::u16string::npos && nl < pos;
                 nl = text.find(u'\n', lineStart)) {
                lineStart = nl + 1;
                ++line;
            }
            const std::size_t lineEnd = std::min(text.find(u'\n', pos), text.size());
            SearchHit hit;
            hit.node = node;
            hit.path = path;
            hit.line = line;
            const std::u16string_view lineView = std::u16string_view(text).substr(lineStart, lineEnd - lineStart);
            hit.lineText = ToUtf8(lineView);
            hit.lineStart = ToUtf8(lineView.substr(0, pos - lineStart)).size();
            hit.lineLength = ToUtf8(std::u16string_view(text).substr(pos, what.size())).size();
            hit.start = int(pos);
            hit.length = int(what.size());
            hits.push_back(std::move(hit));
        }
    });
    return hits;
}

}  // namespace penwick
