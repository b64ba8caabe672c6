// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProofRules.h"

#include "RubyNotation.h"
#include "Utf8.h"

#include <algorithm>
#include <array>

namespace penwick::proof {

namespace {

struct RuleName {
    std::string_view id, title;
};
constexpr std::array<RuleName, kRuleCount> kNames{{
    {"paragraph-start", "段落の書き出し"},
    {"punct-before-close", "閉じ括弧の前の句読点"},
    {"space-after-mark", "！？の後の空き"},
    {"even-leaders", "…と―の数"},
    {"leader-substitutes", "…と―の代用"},
    {"doubled-punct", "重なった句読点"},
    {"brackets", "括弧の対応"},
    {"halfwidth-kana", "半角カタカナ"},
    {"long-numerals", "長い算用数字"},
    {"style-mix", "文体の混在"},
    {"spelling-variants", "表記ゆれ"},
}};

// A character of the base text and where it stands there.
struct Ch {
    char32_t cp;
    std::size_t at, end;
};

std::vector<Ch> Decode(std::string_view text)
{
    std::vector<Ch> out;
    out.reserve(text.size() / 3 + 1);
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const Utf8Char c = DecodeUtf8(p, end);
        const std::size_t at = std::size_t(p - text.data());
        out.push_back({c.cp, at, at + c.len});
        p += c.len;
    }
    return out;
}

constexpr std::u32string_view kOpening = U"「『（【〈《〔［｛〘〖“‘";
constexpr std::u32string_view kClosing = U"」』）】〉》〕］｝〙〗”’";
// Every bracket lies in “ ‘ ’ ”, 〈 to 〙 or the full-width forms: most text (kana, kanji)
// is none, and says so at once.
bool MayBeBracket(char32_t c) { return (c >= 0x2018 && c <= 0x201D) || (c >= 0x3008 && c <= 0x3019) || c >= 0xFF08; }
bool IsOpening(char32_t c) { return MayBeBracket(c) && kOpening.find(c) != std::u32string_view::npos; }
bool IsClosing(char32_t c) { return MayBeBracket(c) && kClosing.find(c) != std::u32string_view::npos; }
// The Western quotes open a line of dialogue but are not paired: ’ is an apostrophe too.
bool IsQuote(char32_t c) { return c >= 0x2018 && c <= 0x201D; }
bool IsMark(char32_t c) { return c == U'！' || c == U'？' || c == U'‼' || c == U'⁉' || c == U'⁈' || c == U'⁇'; }
bool IsAsciiMark(char32_t c) { return c == U'!' || c == U'?'; }
bool IsAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsKatakana(char32_t c) { return c >= 0x30A1 && c <= 0x30FA; }
bool IsHalfwidthKana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }
// Letters and digits of any script a paragraph of prose is written in.
bool IsWordChar(char32_t c)
{
    return IsAsciiLetter(c) || IsDigit(c) || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF10 && c <= 0xFF5A) || IsHalfwidthKana(c) || c >= 0x20000
           || c == U'々' || c == U'〆' || c == U'〇';
}

// The end of the run of c starting at i.
std::size_t RunEnd(const std::vector<Ch>& s, std::size_t i, char32_t c)
{
    while (i < s.size() && s[i].cp == c)
        ++i;
    return i;
}

std::string Repeat(std::string_view unit, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

class Checker {
public:
    Checker(const std::vector<Ch>& s, const RuleSet& rules, std::vector<Finding>& out) : s(s), rules(rules), out(out) {}

    void add(Rule rule, std::size_t from, std::size_t to, std::string message, std::optional<std::string> fix = {})
    {
        if (rules.has(rule))
            out.push_back({rule, s[from].at, s[to - 1].end, std::move(message), std::move(fix)});
    }

    void paragraphStart()
    {
        const auto first = std::find_if(s.begin(), s.end(), [](const Ch& c) { return IsWordChar(c.cp) || IsOpening(c.cp); });
        if (first == s.end() || !std::any_of(s.begin(), s.end(), [](const Ch& c) { return IsWordChar(c.cp); }))
            return;   // a blank line, or a scene break (＊, ◇◆◇) with no words
        static constexpr std::u32string_view kHeading = U"〇一二三四五六七八九十百千第章節話部幕0123456789０１２３４５６７８９";
        if (s.size() <= 10 && std::all_of(s.begin(), s.end(), [](const Ch& c) { return kHeading.find(c.cp) != std::u32string_view::npos; }))
            return;   // a section's number or a chapter's heading (三, 第十二章) standing in the text
        const char32_t c0 = s[0].cp;
        if (IsOpening(c0))
            return;
        if (c0 == U'　') {
            const std::size_t n = RunEnd(s, 0, U'　');
            if (n < s.size() && IsOpening(s[n].cp))
                add(Rule::ParagraphStart, 0, n, "会話文は括弧から書き始めます（括弧の前に字下げは要りません）");
            return;
        }
        add(Rule::ParagraphStart, 0, 1, "段落の始めは全角スペースで字下げします");
    }

    void perCharacter()
    {
        std::vector<std::size_t> opens;   // indices of unclosed opening brackets
        for (std::size_t i = 0; i < s.size();) {
            const char32_t c = s[i].cp;
            std::size_t next = i + 1;
            if ((c == U'。' || c == U'、' || c == U'．' || c == U'，') && i + 1 < s.size()
                && (s[i + 1].cp == U'」' || s[i + 1].cp == U'』'))
                add(Rule::PunctBeforeClose, i, i + 1, "閉じ括弧の直前に句読点は付けません");
            if (IsMark(c) || IsAsciiMark(c))
                next = marks(i);
            else if (c == U'…' || c == U'―' || c == U'‥')
                next = leaders(i);
            else if (c == U'・' || c == U'.' || c == U'．')
                next = dots(i);
            else if (c == U'ー' || c == U'－' || c == U'—' || c == U'─')
                next = dashes(i);
            else if (c == U'。' || c == U'、')
                next = punctuation(i);
            else if (IsHalfwidthKana(c)) {
                next = i;
                while (next < s.size() && IsHalfwidthKana(s[next].cp))
                    ++next;
                add(Rule::HalfwidthKana, i, next, "半角カタカナは全角で書きます");
            } else if (IsDigit(c))
                next = digits(i);
            else if (IsOpening(c) && !IsQuote(c))
                opens.push_back(i);
            else if (IsClosing(c) && !IsQuote(c))
                close(opens, i);
            i = next;
        }
        for (const std::size_t o : opens)
            add(Rule::Brackets, o, o + 1, "閉じられていない括弧です");
    }

    ParagraphOptions options;

private:
    std::size_t marks(std::size_t i)
    {
        std::size_t j = i;
        bool wide = false;
        while (j < s.size() && (IsMark(s[j].cp) || IsAsciiMark(s[j].cp))) {
            wide = wide || IsMark(s[j].cp);
            ++j;
        }
        // Half-width !? belong to Japanese text only after a character that is not ASCII.
        if (!wide && (i == 0 || s[i - 1].cp < 0x80))
            return j;
        if (j < s.size() && s[j].cp != U'　' && !IsClosing(s[j].cp))
            add(Rule::SpaceAfterMark, i, j, "！や？の後には全角スペースを空けます");
        return j;
    }

    std::size_t leaders(std::size_t i)
    {
        const char32_t c = s[i].cp;
        const std::size_t j = RunEnd(s, i, c);
        if ((j - i) % 2 == 1) {
            std::string unit;
            AppendUtf8(unit, c);
            add(Rule::EvenLeaders, i, j, "「" + unit + "」は二つずつ続けて使います（" + unit + unit + "）",
                Repeat(unit, j - i + 1));
        }
        return j;
    }

    std::size_t dots(std::size_t i)
    {
        const char32_t c = s[i].cp;
        const std::size_t j = RunEnd(s, i, c);
        if (j - i >= (c == U'・' ? 2u : 3u))
            add(Rule::LeaderSubstitutes, i, j, "三点リーダー（……）で書きます", "……");
        return j;
    }

    std::size_t dashes(std::size_t i)
    {
        const char32_t c = s[i].cp;
        const std::size_t j = RunEnd(s, i, c);
        // ーー after katakana draws the sound out (ウーーン).
        if (j - i >= 2 && !(c == U'ー' && i > 0 && IsKatakana(s[i - 1].cp)))
            add(Rule::LeaderSubstitutes, i, j, "ダッシュ（――）で書きます", Repeat("――", (j - i + 1) / 2));
        return j;
    }

    std::size_t punctuation(std::size_t i)
    {
        std::size_t j = i;
        while (j < s.size() && (s[j].cp == U'。' || s[j].cp == U'、'))
            ++j;
        const bool same = RunEnd(s, i, s[i].cp) == j;
        std::string first;
        AppendUtf8(first, s[i].cp);
        if (j - i >= 3 && same)
            add(Rule::LeaderSubstitutes, i, j, "三点リーダー（……）で書きます", "……");
        else if (j - i >= 2)
            add(Rule::DoubledPunct, i, j, "句読点が重なっています", first);
        return j;
    }

    std::size_t digits(std::size_t i)
    {
        std::size_t j = i;
        while (j < s.size() && IsDigit(s[j].cp))
            ++j;
        const bool inWord = (i > 0 && IsAsciiLetter(s[i - 1].cp)) || (j < s.size() && IsAsciiLetter(s[j].cp));
        if (options.vertical && !inWord && j - i > std::size_t(std::max(options.tateChuYoko, 1)))
            add(Rule::LongNumerals, i, j, "縦書きでは長い算用数字は横に寝ます。漢数字で書くと読みやすくなります（例：二〇二四年）");
        return j;
    }

    void close(std::vector<std::size_t>& opens, std::size_t i)
    {
        const std::size_t kind = kClosing.find(s[i].cp);
        const auto match = std::find_if(opens.rbegin(), opens.rend(),
                                        [&](std::size_t o) { return kOpening.find(s[o].cp) == kind; });
        if (match == opens.rend()) {
            add(Rule::Brackets, i, i + 1, "対応する開き括弧がありません");
            return;
        }
        // Openers inside the pair that were never closed.
        for (auto o = opens.rbegin(); o != match; ++o)
            add(Rule::Brackets, *o, *o + 1, "閉じられていない括弧です");
        opens.erase(std::next(match).base(), opens.end());
    }

    const std::vector<Ch>& s;
    const RuleSet& rules;
    std::vector<Finding>& out;
};

}  // namespace

bool IsOpeningBracket(char32_t c)
{
    return IsOpening(c);
}

bool IsClosingBracket(char32_t c)
{
    return IsClosing(c);
}

std::string_view RuleId(Rule rule)
{
    return kNames[std::size_t(rule)].id;
}

std::string_view RuleTitle(Rule rule)
{
    return kNames[std::size_t(rule)].title;
}

std::optional<Rule> RuleFromId(std::string_view id)
{
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i].id == id)
            return Rule(i);
    return std::nullopt;
}

BaseText ReadAsBase(std::string_view paragraph)
{
    BaseText base;
    const std::vector<notation::Mark> marks =
        paragraph.find("《") == std::string_view::npos ? std::vector<notation::Mark>{} : notation::Parse(paragraph);
    if (marks.empty()) {
        base.text = paragraph;
        return base;
    }
    base.text.reserve(paragraph.size());
    base.source.reserve(paragraph.size() + 1);
    const auto keep = [&](std::size_t from, std::size_t to) {
        base.text.append(paragraph.substr(from, to - from));
        for (std::size_t i = from; i < to; ++i)
            base.source.push_back(i);
    };
    std::size_t at = 0;
    for (const notation::Mark& m : marks) {
        keep(at, m.start);
        keep(m.baseStart, m.baseEnd);
        at = m.end;
    }
    keep(at, paragraph.size());
    base.source.push_back(paragraph.size());
    return base;
}

std::vector<Finding> CheckParagraph(std::string_view paragraph, const RuleSet& rules, const ParagraphOptions& options)
{
    return CheckBaseText(ReadAsBase(paragraph), rules, options);
}

std::vector<Finding> CheckBaseText(const BaseText& base, const RuleSet& rules, const ParagraphOptions& options)
{
    std::vector<Finding> found;
    const std::vector<Ch> s = Decode(base.text);
    if (s.empty())
        return found;
    Checker checker(s, rules, found);
    checker.options = options;
    checker.paragraphStart();
    checker.perCharacter();
    for (Finding& f : found) {
        // Back to the paragraph as written. A span that takes in notation marks (a ruby's
        // bar or reading) keeps its finding, but no fix: replacing it would lose the ruby.
        const std::size_t start = base.toSource(f.start), end = base.toSource(f.end - 1) + 1;
        if (end - start != f.end - f.start)
            f.fix.reset();
        f.start = start;
        f.end = end;
    }
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.start < b.start; });
    return found;
}

}  // namespace penwick::proof
