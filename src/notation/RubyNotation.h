// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ruby and emphasis notation of the Japanese novel sites, read from plain text:
//   |親文字《るび》 or ｜親文字《るび》  ruby over the text between the bar and 《
//   漢字《かんじ》                     ruby over the run of kanji (with 々 〆 ヶ) before 《
//   《《傍点》》                       emphasis dots on each character inside
//   |《                               a literal 《 (the bar only escapes it)
// Anything malformed stays plain text: an unclosed 《, an empty reading, a reading longer
// than 20 characters, a line end inside, a bar ruby whose base is empty or longer than 50
// characters, a kanji ruby with no kanji before it. No Qt: export, counting and the editor
// share it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::notation {

enum class Kind {
    Ruby,       // base with a reading
    Emphasis,   // base with emphasis dots
    Escape,     // a bar that makes the 《 after it literal
};

// One recognised notation; offsets are bytes into the text.
struct Mark {
    Kind kind = Kind::Ruby;
    std::size_t start = 0, end = 0;          // the whole notation, its marks included
    std::size_t baseStart = 0, baseEnd = 0;  // the characters shown (Escape: the literal 《)
    std::size_t rubyStart = 0, rubyEnd = 0;  // the reading (Ruby only)
};

constexpr std::size_t kMaxReading = 20;   // characters
constexpr std::size_t kMaxBarBase = 50;   // characters

// Every notation in text, in order, none overlapping.
std::vector<Mark> Parse(std::string_view text);

// The text as the novel sites show and count it: bases kept, bars, brackets and readings
// dropped, an escaped 《 kept.
std::string PlainText(std::string_view text);

}  // namespace penwick::notation
