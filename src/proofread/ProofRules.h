// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The proofreading rules of the written form: the typesetting conventions of Japanese
// fiction that editors and contest readers check first, each checked on one paragraph (one
// line of a node's text). Text inside the ruby notation is read as its base text. No Qt:
// the editor's marks, the 校正 panel and `penwick-cli proofread` share them.

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::proof {

enum class Rule {
    ParagraphStart,     // a narrative paragraph starts with 　, dialogue with its bracket
    PunctBeforeClose,   // no 。 or 、 right before 」 or 』
    SpaceAfterMark,     // after ！ ？ (and their runs) comes 　, a closing bracket or the end
    EvenLeaders,        // … ― ‥ in runs of even length
    LeaderSubstitutes,  // ・・・ ... 。。。 for an ellipsis, ーー －－ —— for a dash
    DoubledPunct,       // 、、 or 。。
    Brackets,           // brackets pair up within a paragraph, nested properly (quotes “ ‘ aside)
    HalfwidthKana,      // ｶﾀｶﾅ
    LongNumerals,       // Arabic numerals longer than 縦中横 sets upright, in vertical text
    StyleMix,           // です・ます and だ・である mixed in one chapter's narration
    SpellingVariants,   // one word written in several forms across the project
};
inline constexpr std::size_t kRuleCount = 11;

// "paragraph-start", … as penwick.conf and the command line name them.
std::string_view RuleId(Rule rule);
std::optional<Rule> RuleFromId(std::string_view id);
// A short Japanese name, for the panel's filter.
std::string_view RuleTitle(Rule rule);
// The rules that need the morphological analyser.
inline bool IsLanguageRule(Rule rule) { return rule == Rule::StyleMix || rule == Rule::SpellingVariants; }

class RuleSet {
public:
    RuleSet() { m_on.set(); }
    bool has(Rule rule) const { return m_on.test(std::size_t(rule)); }
    void set(Rule rule, bool on) { m_on.set(std::size_t(rule), on); }
    static RuleSet none() { RuleSet r; r.m_on.reset(); return r; }
    bool anyLanguageRule() const { return has(Rule::StyleMix) || has(Rule::SpellingVariants); }
    bool operator==(const RuleSet&) const = default;

private:
    std::bitset<kRuleCount> m_on;
};

struct Finding {
    Rule rule = Rule::ParagraphStart;
    std::size_t start = 0, end = 0;   // bytes into the paragraph (start == end: a place)
    std::string message;
    std::optional<std::string> fix;   // what replaces [start, end) (mechanical rules only)
    bool operator==(const Finding&) const = default;
};

struct ParagraphOptions {
    bool vertical = true;   // long numerals are a fault of vertical text only
    int tateChuYoko = 2;    // the longest run of digits set upright (0: none)
};

// The paragraph as a reader sees it: ruby readings and the notation's marks left out.
// source[i] is the paragraph's byte for the base text's byte i (source[size] its end).
struct BaseText {
    std::string text;
    std::vector<std::size_t> source;
    std::size_t toSource(std::size_t i) const { return source.empty() ? i : source[i]; }
};
BaseText ReadAsBase(std::string_view paragraph);

// The brackets the rules pair: 「『（【〈《〔［｛〘〖“‘ and their closing forms.
bool IsOpeningBracket(char32_t c);
bool IsClosingBracket(char32_t c);

// The findings of the mechanical rules (1 to 9) in one paragraph, in text order.
std::vector<Finding> CheckParagraph(std::string_view paragraph, const RuleSet& rules, const ParagraphOptions& options);
// The same on a paragraph already read as its base text.
std::vector<Finding> CheckBaseText(const BaseText& base, const RuleSet& rules, const ParagraphOptions& options);

}  // namespace penwick::proof
