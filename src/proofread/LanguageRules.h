// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of the language, read with the morphological analyser, one sentence at a time
// (a sentence's words do not depend on its neighbours, so a keystroke re-reads only its
// own sentence):
// - how a sentence ends: です・ます (polite) or だ・である (plain), or neither ("歩いた。");
// - the words that may be written in several forms (出来る/できる, 子供/子ども): each with
//   a key shared by every writing of the word (its part of speech, conjugation and the
//   reading of its base form) and its form (the base form as written).

#include "Morphology.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace penwick::proof {

// Strings kept once, by number: keys and forms repeat across the whole project.
class Lexicon {
public:
    std::uint32_t intern(std::string_view s);
    const std::string& text(std::uint32_t id) const { return m_texts[id]; }

private:
    std::unordered_map<std::string, std::uint32_t> m_ids;
    std::vector<std::string> m_texts;
};

enum class Ending : std::uint8_t { None, Polite, Plain };

struct WordUse {
    std::uint32_t start = 0, end = 0;   // bytes into the sentence
    std::uint32_t key = 0, form = 0;    // in the lexicon
};

struct SentenceFacts {
    std::vector<WordUse> words;
    Ending ending = Ending::None;
    std::uint32_t endingStart = 0, endingEnd = 0;   // the words that make the ending
};

// The sentence's facts. The sentence is base text (no ruby notation).
SentenceFacts AnalyseSentence(const Morphology& morphology, std::string_view sentence, Lexicon& lexicon);

// The same in two steps, for analysing on several threads: read with a reader of one's own
// (the words' keys and forms as text), then numbered in the lexicon on one thread.
struct SentenceText {
    struct Word {
        std::uint32_t start = 0, end = 0;
        std::string key, form;
    };
    SentenceFacts facts;   // without its words
    std::vector<Word> words;
};
SentenceText ReadSentence(const Morphology::Reader& reader, std::string_view sentence);
SentenceFacts InternSentence(const SentenceText& text, Lexicon& lexicon);

// Where the sentences of a paragraph's base text end: after each run of 。！？ (and !?‼⁉).
std::vector<std::size_t> SentenceEnds(std::string_view text);

// The shape of a form with its kanji runs as one mark and katakana as hiragana: forms of one
// shape differ only in which kanji they use (会う/合う), which makes them different words.
std::string FormShape(std::string_view form);

// The kanji of a form, in order. Forms are writings of one word when their kanji agree:
// each form's kanji are a part of another's, in order (子供, 子ども, こども; 生れる,
// 生まれる), not different kanji of one reading (立つ, 截つ; 景色, 気色), which make the
// form in kana ambiguous.
std::u32string KanjiOf(std::string_view form);
bool OneWord(const std::vector<std::u32string>& kanji);

}  // namespace penwick::proof
