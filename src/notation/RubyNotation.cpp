// SPDX-License-Identifier: GPL-3.0-or-later
#include "RubyNotation.h"

#include "Utf8.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

namespace penwick::notation {

namespace {

constexpr std::string_view kOpen = "《", kClose = "》", kBar = "|", kWideBar = "｜";

bool IsKanji(char32_t c)
{
    if (c == U'々' || c == U'〆' || c == U'ヶ' || c == U'〇')
        return true;
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(UChar32(c), &status) == USCRIPT_HAN;
}

// The code point starting at text[at] and its length in bytes (a bad byte counts one).
char32_t At(std::string_view text, std::size_t at, std::size_t* length)
{
    const Utf8Char c = DecodeUtf8(text.data() + at, text.data() + text.size());
    *length = c.len;
    return c.cp;
}

// Where the code point ending at text[end] starts.
std::size_t Previous(std::string_view text, std::size_t end)
{
    std::size_t at = end - 1;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80 && end - at < 4)
        --at;
    return at;
}

// Counts code points in [from, to) up to limit + 1; false when a line end is among them.
bool Characters(std::string_view text, std::size_t from, std::size_t to, std::size_t* count)
{
    *count = 0;
    for (std::size_t at = from; at < to;) {
        std::size_t n = 0;
        const char32_t c = At(text, at, &n);
        if (c == U'\n' || c == U'\r')
            return false;
        ++*count;
        at += n;
    }
    return true;
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view what)
{
    return text.substr(at, what.size()) == what;
}

}  // namespace

std::vector<Mark> Parse(std::string_view text)
{
    std::vector<Mark> marks;
    std::size_t done = 0;                  // nothing before this may be part of a new mark
    std::size_t lastBar = std::string_view::npos;
    for (std::size_t at = 0; at < text.size();) {
        if (StartsWith(text, at, kBar) || StartsWith(text, at, kWideBar)) {
            const std::size_t width = StartsWith(text, at, kBar) ? kBar.size() : kWideBar.size();
            if (StartsWith(text, at + width, kOpen)) {   // |《: a literal 《
                marks.push_back({Kind::Escape, at, at + width + kOpen.size(), at + width, at + width + kOpen.size(), 0, 0});
                at = done = at + width + kOpen.size();
                lastBar = std::string_view::npos;
                continue;
            }
            lastBar = at;
            at += width;
            continue;
        }
        if (text[at] == '\n')
            lastBar = std::string_view::npos;
        if (!StartsWith(text, at, kOpen)) {
            std::size_t n = 0;
            At(text, at, &n);
            at += n;
            continue;
        }
        // Emphasis: 《《…》》.
        if (StartsWith(text, at + kOpen.size(), kOpen)) {
            const std::size_t inner = at + 2 * kOpen.size();
            const std::size_t close = text.find("》》", inner);
            std::size_t count = 0;
            if (close != std::string_view::npos && close > inner && Characters(text, inner, close, &count)) {
                marks.push_back({Kind::Emphasis, at, close + 2 * kClose.size(), inner, close, 0, 0});
                at = done = close + 2 * kClose.size();
                lastBar = std::string_view::npos;
                continue;
            }
        }
        // Ruby: a reading of 1 to 20 characters on this line…
        const std::size_t readingStart = at + kOpen.size();
        const std::size_t close = text.find(kClose, readingStart);
        std::size_t readingLength = 0;
        const bool reading = close != std::string_view::npos && close > readingStart &&
                             Characters(text, readingStart, close, &readingLength) && readingLength <= kMaxReading;
        // …over the text after a bar, or over the kanji just before.
        std::size_t baseStart = at;
        std::size_t markStart = at;
        if (reading && lastBar != std::string_view::npos && lastBar >= done) {
            const std::size_t width = StartsWith(text, lastBar, kBar) ? kBar.size() : kWideBar.size();
            std::size_t baseLength = 0;
            if (lastBar + width < at && Characters(text, lastBar + width, at, &baseLength) && baseLength <= kMaxBarBase) {
                baseStart = lastBar + width;
                markStart = lastBar;
            }
        } else if (reading) {
            while (baseStart > done) {
                const std::size_t p = Previous(text, baseStart);
                std::size_t n = 0;
                if (!IsKanji(At(text, p, &n)))
                    break;
                baseStart = p;
            }
            markStart = baseStart;
        }
        if (reading && baseStart < at) {
            marks.push_back({Kind::Ruby, markStart, close + kClose.size(), baseStart, at, readingStart, close});
            at = done = close + kClose.size();
            lastBar = std::string_view::npos;
            continue;
        }
        at += kOpen.size();
    }
    return marks;
}

std::string PlainText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (const Mark& m : Parse(text)) {
        out.append(text.substr(at, m.start - at));
        out.append(text.substr(m.baseStart, m.baseEnd - m.baseStart));
        at = m.end;
    }
    out.append(text.substr(at));
    return out;
}

}  // namespace penwick::notation
