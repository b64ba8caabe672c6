// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One paragraph read for the checker: the written form's findings, and the paragraph's
// base text cut into sentences with their analyses and whether each ends in narration
// (outside every bracket). A paragraph's results depend on its text alone, so the checker
// shares them wherever the same text stands; a sentence's analysis is kept by its text, so
// an edit re-analyses only the sentences it changed.

#include "LanguageRules.h"
#include "ProofSettings.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace penwick::proof {

struct Sentence {
    std::size_t start = 0;   // bytes into the paragraph's base text
    std::shared_ptr<const SentenceFacts> facts;
    bool narration = false;  // its ending stands outside every bracket
};

struct Paragraph {
    std::string text;
    int length16 = 0;                  // UTF-16 units
    std::vector<Finding> mech;         // the written form's rules
    std::vector<std::size_t> source;   // base text → paragraph (empty: the same)
    std::vector<Sentence> sentences;   // none without the analyser
    std::size_t toSource(std::size_t i) const { return source.empty() ? i : source[i]; }
};
using ParagraphPtr = std::shared_ptr<const Paragraph>;

// The sentences analysed so far, by text.
class SentenceMemo {
public:
    std::shared_ptr<const SentenceFacts> get(const Morphology& morphology, std::string_view text, Lexicon& lexicon);
    // Analyses those of `sentences` not seen before, on every core (each thread with a
    // reader of its own), and keeps them.
    void analyseAll(const Morphology& morphology, std::vector<std::string> sentences, Lexicon& lexicon);
    // Forgets the sentences no paragraph holds any longer.
    void prune();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::shared_ptr<const SentenceFacts>, Hash, std::equal_to<>> m_facts;
};

// Reads a paragraph (a line, without its line end); without a morphology, no sentences.
ParagraphPtr ReadParagraph(std::string_view text, const ProofOptions& options, const Morphology* morphology,
                           SentenceMemo& memo, Lexicon& lexicon);

// Appends the sentences of a paragraph's base text, as ReadParagraph cuts them.
void SentencesOf(std::string_view paragraph, std::vector<std::string>& out);

int Utf16Length(std::string_view s);

}  // namespace penwick::proof
