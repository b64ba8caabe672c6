// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageRules.h"

#include "Utf8.h"

#include <algorithm>

namespace penwick::proof {

std::uint32_t Lexicon::intern(std::string_view s)
{
    const auto [it, added] = m_ids.try_emplace(std::string(s), std::uint32_t(m_texts.size()));
    if (added)
        m_texts.push_back(it->first);
    return it->second;
}

namespace {

bool IsKanji(char32_t c)
{
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || c >= 0x20000 || c == U'々' || c == U'〆';
}

// Hiragana as katakana, the rest as it is.
std::string ToKatakana(std::string_view s)
{
    std::string out;
    for (Utf8Decoder d(s.data(), s.size()); !d.atEnd();) {
        const char32_t c = d.next();
        AppendUtf8(out, c >= 0x3041 && c <= 0x3096 ? c + 0x60 : c);
    }
    return out;
}

std::size_t CharCount(std::string_view s)
{
    return std::size_t(std::count_if(s.begin(), s.end(), [](char b) { return (b & 0xC0) != 0x80; }));
}

bool AllKana(std::string_view s)
{
    for (Utf8Decoder d(s.data(), s.size()); !d.atEnd();) {
        const char32_t c = d.next();
        if (!(c >= 0x3041 && c <= 0x30FF))
            return false;
    }
    return true;
}

// The reading of the base form: the word's reading with its inflected ending replaced by
// the base form's (分かっ ワカッ 分かる → ワカル). Empty when the endings are not kana.
std::string BaseReading(std::string_view surface, std::string_view base, std::string_view reading)
{
    std::size_t common = 0;
    while (common < surface.size() && common < base.size() && surface[common] == base[common])
        ++common;
    while (common > 0 && common < base.size() && (base[common] & 0xC0) == 0x80)
        --common;   // back to a character's start
    const std::string_view surfaceTail = surface.substr(common), baseTail = base.substr(common);
    if (!AllKana(surfaceTail) || !AllKana(baseTail))
        return {};
    const std::string tail = ToKatakana(surfaceTail);
    if (reading.size() < tail.size() || reading.substr(reading.size() - tail.size()) != tail)
        return {};
    return std::string(reading.substr(0, reading.size() - tail.size())) + ToKatakana(baseTail);
}

bool IsContentWord(std::string_view pos, std::string_view detail)
{
    if (pos == "名詞")
        return detail != "数" && detail != "接尾";
    return pos == "動詞" || pos == "形容詞" || pos == "副詞" || pos == "連体詞" || pos == "接続詞" || pos == "感動詞";
}

}  // namespace

std::string FormShape(std::string_view form)
{
    std::string out;
    bool inKanji = false;
    for (Utf8Decoder d(form.data(), form.size()); !d.atEnd();) {
        const char32_t c = d.next();
        if (IsKanji(c)) {
            if (!inKanji)
                out += 'K';
            inKanji = true;
            continue;
        }
        inKanji = false;
        AppendUtf8(out, c >= 0x30A1 && c <= 0x30F6 ? c - 0x60 : c);
    }
    return out;
}

std::u32string KanjiOf(std::string_view form)
{
    std::u32string out;
    for (Utf8Decoder d(form.data(), form.size()); !d.atEnd();)
        if (const char32_t c = d.next(); IsKanji(c))
            out += c;
    return out;
}

bool OneWord(const std::vector<std::u32string>& kanji)
{
    const auto within = [](const std::u32string& a, const std::u32string& b) {   // a a subsequence of b
        std::size_t i = 0;
        for (const char32_t c : b)
            if (i < a.size() && a[i] == c)
                ++i;
        return i == a.size();
    };
    for (std::size_t i = 0; i < kanji.size(); ++i)
        for (std::size_t j = i + 1; j < kanji.size(); ++j)
            if (!within(kanji[i], kanji[j]) && !within(kanji[j], kanji[i]))
                return false;
    return true;
}

std::vector<std::size_t> SentenceEnds(std::string_view text)
{
    std::vector<std::size_t> ends;
    bool inRun = false;
    for (Utf8Decoder d(text.data(), text.size()); !d.atEnd();) {
        const std::size_t at = d.offset();
        const char32_t c = d.next();
        const bool terminal = c == U'。' || c == U'！' || c == U'？' || c == U'!' || c == U'?' || c == U'‼' || c == U'⁉';
        if (inRun && !terminal)
            ends.push_back(at);
        inRun = terminal;
    }
    if (ends.empty() || ends.back() != text.size())
        ends.push_back(text.size());
    return ends;
}

namespace {

// The facts of a sentence read by analyser (a Morphology or one of its readers); each word
// worth grouping goes to onWord(start, end, key, form).
template <class Analyser, class OnWord>
SentenceFacts Read(const Analyser& analyser, std::string_view sentence, OnWord&& onWord)
{
    SentenceFacts facts;
    struct Tail {
        std::uint32_t start, end;
        std::string_view pos, detail, type, base;
    };
    std::vector<Tail> words;
    analyser.analyse(sentence, [&](const Morph& m) {
        const std::string_view pos = FeatureField(m.feature, 0), detail = FeatureField(m.feature, 1);
        const std::string_view type = FeatureField(m.feature, 4), base = FeatureField(m.feature, 6);
        words.push_back({std::uint32_t(m.start), std::uint32_t(m.end), pos, detail, type, base});
        if (!IsContentWord(pos, detail) || base.empty() || base == "*")
            return;
        // A form in kana alone of one character (き, め) and a reading of one sound (木/気)
        // say too little to tell one word from another.
        if (AllKana(base) && CharCount(base) < 2)
            return;
        const std::string reading = BaseReading(m.surface, base, FeatureField(m.feature, 7));
        if (reading.empty() || CharCount(reading) < 2)
            return;
        // Nouns of different kinds are different words (底 and the pronoun そこ).
        onWord(std::uint32_t(m.start), std::uint32_t(m.end),
               std::string(pos) + ',' + std::string(pos == "名詞" ? detail : type) + ',' + reading, base);
    });
    // The ending: the auxiliaries before the closing marks and sentence-final particles.
    std::size_t last = words.size();
    while (last > 0 && (words[last - 1].pos == "記号" || (words[last - 1].pos == "助詞" && words[last - 1].detail == "終助詞")))
        --last;
    std::size_t first = last;
    while (first > 0 && words[first - 1].pos == "助動詞")
        --first;
    bool polite = false, plain = false;
    for (std::size_t i = first; i < last; ++i) {
        polite = polite || words[i].base == "です" || words[i].base == "ます";
        plain = plain || words[i].type == "特殊・ダ";   // だ, だった, である (not the past た's だ)
    }
    if (polite || plain) {
        facts.ending = polite ? Ending::Polite : Ending::Plain;
        facts.endingStart = words[first].start;
        facts.endingEnd = words[last - 1].end;
    }
    return facts;
}

}  // namespace

SentenceFacts AnalyseSentence(const Morphology& morphology, std::string_view sentence, Lexicon& lexicon)
{
    std::vector<WordUse> words;
    SentenceFacts facts = Read(morphology, sentence, [&](std::uint32_t start, std::uint32_t end, const std::string& key,
                                                        std::string_view form) {
        words.push_back({start, end, lexicon.intern(key), lexicon.intern(form)});
    });
    facts.words = std::move(words);
    return facts;
}

SentenceText ReadSentence(const Morphology::Reader& reader, std::string_view sentence)
{
    SentenceText text;
    text.facts = Read(reader, sentence, [&](std::uint32_t start, std::uint32_t end, std::string key, std::string_view form) {
        text.words.push_back({start, end, std::move(key), std::string(form)});
    });
    return text;
}

SentenceFacts InternSentence(const SentenceText& text, Lexicon& lexicon)
{
    SentenceFacts facts = text.facts;
    for (const SentenceText::Word& w : text.words)
        facts.words.push_back({w.start, w.end, lexicon.intern(w.key), lexicon.intern(w.form)});
    return facts;
}

}  // namespace penwick::proof
