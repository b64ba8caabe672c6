// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProofChecker.h"

#include "LanguageRules.h"
#include "ParagraphFacts.h"
#include "VariantTally.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace penwick {

using namespace proof;

namespace {

struct NodeState {
    DomNode node;
    std::string path;
    int chapter = 0;
    std::string text;
    std::vector<ParagraphPtr> paragraphs;
};

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (;;) {
        const std::size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos)
            return lines;
        text.remove_prefix(nl + 1);
    }
}

}  // namespace

constexpr std::uint32_t kNoForm = ~std::uint32_t(0);

struct ProofChecker::Impl {
    ProofOptions options;
    const Morphology* morphology = nullptr;
    Lexicon lexicon;
    SentenceMemo sentences;
    std::vector<NodeState> nodes;
    std::unordered_map<const void*, std::size_t> nodeIndex;
    VariantTally tally;
    std::vector<std::array<int, 2>> chapterEndings;   // polite, plain narration endings

    bool language() const { return morphology && options.rules.anyLanguageRule(); }

    ParagraphPtr makeParagraph(std::string_view text)
    {
        return ReadParagraph(text, options, language() ? morphology : nullptr, sentences, lexicon);
    }

    void count(const Paragraph& p, int chapter, int delta)
    {
        for (const Sentence& s : p.sentences) {
            if (s.narration)
                chapterEndings[std::size_t(chapter)][s.facts->ending == Ending::Polite ? 0 : 1] += delta;
            for (const WordUse& w : s.facts->words)
                tally.add(w.key, w.form, delta);
        }
    }

    // The node's paragraphs for `text`, reusing those whose text is unchanged.
    std::vector<ParagraphPtr> paragraphsFor(std::string_view text, const std::vector<ParagraphPtr>& old)
    {
        std::unordered_map<std::string_view, ParagraphPtr> known;
        for (const ParagraphPtr& p : old)
            known.emplace(p->text, p);
        std::vector<ParagraphPtr> out;
        for (const std::string_view line : SplitLines(text)) {
            const auto it = known.find(line);
            out.push_back(it != known.end() ? it->second : makeParagraph(line));
        }
        return out;
    }

    const std::map<std::uint32_t, VariantTally::Group>& groups() const
    {
        static const std::map<std::uint32_t, VariantTally::Group> none;
        if (!morphology || !options.rules.has(Rule::SpellingVariants))
            return none;
        return tally.groups(lexicon);
    }

    std::string groupMessage(const VariantTally::Group& forms) const
    {
        std::string m = "表記ゆれ：";
        for (std::size_t i = 0; i < forms.size(); ++i)
            m += (i ? "、「" : "「") + lexicon.text(forms[i].first) + "」" + std::to_string(forms[i].second);
        return m;
    }

    // The minority ending of a chapter whose narration mixes both (a tie: です・ます).
    std::optional<Ending> minority(int chapter) const
    {
        if (!morphology || !options.rules.has(Rule::StyleMix))
            return std::nullopt;
        const auto [polite, plain] = chapterEndings[std::size_t(chapter)];
        if (polite == 0 || plain == 0)
            return std::nullopt;
        return polite <= plain ? Ending::Polite : Ending::Plain;
    }

    using Emit = std::function<void(const NodeState&, std::size_t paragraph, std::size_t lineOffset, int offset16,
                                    Rule, std::size_t start, std::size_t end, std::string message,
                                    std::optional<std::string> fix, std::uint32_t form)>;
    enum class Variants { FirstOnly, Every };
    void collect(const std::vector<const NodeState*>& which, Variants variants, const Emit& emit) const;
    std::vector<ProofFinding> gather(const std::vector<const NodeState*>& which, Variants variants) const;
};

void ProofChecker::Impl::collect(const std::vector<const NodeState*>& which, Variants variants, const Emit& emit) const
{
    const auto& found = groups();
    // The group of a word written in a form other than its group's most used, or null.
    const auto otherForm = [&](const WordUse& w) -> const VariantTally::Group* {
        const auto g = found.find(w.key);
        if (g == found.end() || w.form == g->second.front().first || tally.isIntended(w.form))
            return nullptr;
        return &g->second;
    };
    // For the project's list: where each group's other forms stand, said in its message.
    std::map<std::uint32_t, std::pair<std::vector<std::string>, int>> places;
    if (variants == Variants::FirstOnly && !found.empty())
        for (const NodeState* n : which)
            for (std::size_t i = 0; i < n->paragraphs.size(); ++i)
                for (const Sentence& s : n->paragraphs[i]->sentences)
                    for (const WordUse& w : s.facts->words) {
                        if (!otherForm(w))
                            continue;
                        auto& [list, total] = places[w.key];
                        if (list.size() < 5)
                            list.push_back("「" + lexicon.text(w.form) + "」" + n->path + " " + std::to_string(i + 1) + "行");
                        ++total;
                    }
    std::set<std::uint32_t> reported;
    for (const NodeState* n : which) {
        const std::optional<Ending> odd = minority(n->chapter);
        std::size_t offset = 0;
        int offset16 = 0;
        for (std::size_t i = 0; i < n->paragraphs.size(); ++i) {
            const Paragraph& p = *n->paragraphs[i];
            for (const Finding& f : p.mech)
                emit(*n, i, offset, offset16, f.rule, f.start, f.end, f.message, f.fix, kNoForm);
            for (const Sentence& s : p.sentences) {
                if (odd && s.narration && s.facts->ending == *odd)
                    emit(*n, i, offset, offset16, Rule::StyleMix, p.toSource(s.start + s.facts->endingStart),
                         p.toSource(s.start + s.facts->endingEnd - 1) + 1,
                         *odd == Ending::Polite ? "文末が「です・ます」です（この章の地の文は主に「だ・である」）"
                                                : "文末が「だ・である」です（この章の地の文は主に「です・ます」）",
                         std::nullopt, kNoForm);
                for (const WordUse& w : s.facts->words) {
                    const VariantTally::Group* group = otherForm(w);
                    if (!group)
                        continue;
                    std::string message = groupMessage(*group);
                    if (variants == Variants::FirstOnly) {
                        if (!reported.insert(w.key).second)
                            continue;
                        const auto& [list, total] = places.at(w.key);
                        message += "（";
                        for (std::size_t k = 0; k < list.size(); ++k)
                            message += (k ? "、" : "") + list[k];
                        if (total > int(list.size()))
                            message += " ほか" + std::to_string(total - int(list.size())) + "か所";
                        message += "）";
                    }
                    emit(*n, i, offset, offset16, Rule::SpellingVariants, p.toSource(s.start + w.start),
                         p.toSource(s.start + w.end - 1) + 1, std::move(message), std::nullopt, w.form);
                }
            }
            offset += p.text.size() + 1;
            offset16 += p.length16 + 1;
        }
    }
}

ProofChecker::ProofChecker(ProofOptions options, const Morphology* morphology) : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
    d->morphology = morphology;
    setIntended(d->options.intended);
}

ProofChecker::~ProofChecker() = default;

const ProofOptions& ProofChecker::options() const
{
    return d->options;
}

void ProofChecker::setIntended(std::vector<std::string> forms)
{
    std::unordered_set<std::uint32_t> ids;
    for (const std::string& f : forms)
        ids.insert(d->lexicon.intern(f));
    d->tally.setIntended(std::move(ids));
    d->options.intended = std::move(forms);
}

void ProofChecker::build(const DomDocument& doc, const TextOverride& edited)
{
    std::unordered_map<const void*, NodeState> old;
    for (NodeState& n : d->nodes)
        old.emplace(n.node.internal(), std::move(n));
    d->nodes.clear();
    d->nodeIndex.clear();
    int chapters = 0;
    format::ForEachOutlineNode(doc, [&](DomNode node, const std::string& path, int chapter) {
        std::optional<std::string> own = edited ? edited(node) : std::nullopt;
        std::string text = own ? std::move(*own) : format::NodeOwnText(node);
        std::erase(text, '\r');
        d->nodeIndex.emplace(node.internal(), d->nodes.size());
        d->nodes.push_back({node, path, chapter, std::move(text), {}});
        chapters = std::max(chapters, chapter + 1);
    });
    // Keep what is unchanged (every text has one paragraph at least: empty ones are to read).
    for (NodeState& n : d->nodes)
        if (const auto it = old.find(n.node.internal()); it != old.end() && it->second.text == n.text)
            n.paragraphs = std::move(it->second.paragraphs);
    static const std::vector<ParagraphPtr> none;
    const auto oldParagraphs = [&](const NodeState& n) -> const std::vector<ParagraphPtr>& {
        const auto it = old.find(n.node.internal());
        return it != old.end() ? it->second.paragraphs : none;
    };
    // The sentences of the new paragraphs are analysed first, on every core.
    if (d->language()) {
        std::vector<std::string> sentences;
        for (const NodeState& n : d->nodes) {
            if (!n.paragraphs.empty())
                continue;
            std::unordered_set<std::string_view> known;
            for (const ParagraphPtr& p : oldParagraphs(n))
                known.insert(p->text);
            for (const std::string_view line : SplitLines(n.text))
                if (!known.contains(line))
                    SentencesOf(line, sentences);
        }
        d->sentences.analyseAll(*d->morphology, std::move(sentences), d->lexicon);
    }
    for (NodeState& n : d->nodes)
        if (n.paragraphs.empty())
            n.paragraphs = d->paragraphsFor(n.text, oldParagraphs(n));
    d->tally.clear();
    d->chapterEndings.assign(std::size_t(chapters), {0, 0});
    for (const NodeState& n : d->nodes)
        for (const ParagraphPtr& p : n.paragraphs)
            d->count(*p, n.chapter, 1);
    // Sentences no paragraph holds any longer.
    d->sentences.prune();
}

bool ProofChecker::setNodeText(DomNode node, std::string_view text)
{
    const auto it = d->nodeIndex.find(node.internal());
    if (it == d->nodeIndex.end())
        return false;
    NodeState& n = d->nodes[it->second];
    std::string own(text);
    std::erase(own, '\r');
    if (own == n.text)
        return true;
    std::vector<ParagraphPtr> now = d->paragraphsFor(own, n.paragraphs);
    // Only paragraphs that came or went change the tallies.
    std::unordered_map<const Paragraph*, int> delta;
    for (const ParagraphPtr& p : n.paragraphs)
        --delta[p.get()];
    for (const ParagraphPtr& p : now)
        ++delta[p.get()];
    for (const auto& [p, k] : delta)
        if (k != 0)
            d->count(*p, n.chapter, k);
    n.text = std::move(own);
    n.paragraphs = std::move(now);
    return true;
}

std::vector<ProofFinding> ProofChecker::Impl::gather(const std::vector<const NodeState*>& which, Variants variants) const
{
    std::vector<ProofFinding> out;
    std::size_t paragraphFirst = 0;   // where the paragraph being emitted starts in out
    const auto byPlace = [](const ProofFinding& a, const ProofFinding& b) { return a.start < b.start; };
    // Characters and UTF-16 units before each byte of the paragraph being emitted.
    const Paragraph* counted = nullptr;
    std::vector<int> chars, units;
    collect(which, variants,
            [&](const NodeState& n, std::size_t i, std::size_t offset, int offset16, Rule rule, std::size_t start,
                std::size_t end, std::string message, std::optional<std::string> fix, std::uint32_t form) {
                if (!out.empty() && (out.back().node != n.node || out.back().line != int(i) + 1)) {
                    std::stable_sort(out.begin() + std::ptrdiff_t(paragraphFirst), out.end(), byPlace);
                    paragraphFirst = out.size();
                }
                const Paragraph& p = *n.paragraphs[i];
                if (counted != &p) {
                    counted = &p;
                    chars.assign(p.text.size() + 1, 0);
                    units.assign(p.text.size() + 1, 0);
                    for (std::size_t b = 0; b < p.text.size(); ++b) {
                        const bool lead = (p.text[b] & 0xC0) != 0x80;
                        chars[b + 1] = chars[b] + (lead ? 1 : 0);
                        units[b + 1] = units[b] + (lead ? (std::uint8_t(p.text[b]) >= 0xF0 ? 2 : 1) : 0);
                    }
                }
                ProofFinding f;
                f.node = n.node;
                f.path = n.path;
                f.rule = rule;
                f.line = int(i) + 1;
                f.column = chars[start] + 1;
                f.start = offset + start;
                f.end = offset + end;
                f.start16 = offset16 + units[start];
                f.length16 = units[end] - units[start];
                f.message = std::move(message);
                f.fix = std::move(fix);
                if (form != kNoForm)
                    f.form = lexicon.text(form);
                if (variants == Variants::FirstOnly) {   // the list shows the line; the marks need none
                    f.lineText = p.text;
                    f.lineStart = start;
                    f.lineLength = end - start;
                }
                out.push_back(std::move(f));
            });
    // Within a paragraph, in text order (collect gives each rule's findings in turn).
    std::stable_sort(out.begin() + std::ptrdiff_t(paragraphFirst), out.end(), byPlace);
    return out;
}

std::vector<ProofFinding> ProofChecker::findings() const
{
    std::vector<const NodeState*> all;
    for (const NodeState& n : d->nodes)
        all.push_back(&n);
    return d->gather(all, Impl::Variants::FirstOnly);
}

std::vector<ProofFinding> ProofChecker::nodeFindings(DomNode node) const
{
    const auto it = d->nodeIndex.find(node.internal());
    if (it == d->nodeIndex.end())
        return {};
    return d->gather({&d->nodes[it->second]}, Impl::Variants::Every);
}

std::vector<VariantGroup> ProofChecker::variantGroups() const
{
    std::vector<VariantGroup> out;
    for (const auto& [key, forms] : d->groups()) {
        VariantGroup g;
        for (const auto& [form, n] : forms)
            g.push_back({d->lexicon.text(form), n});
        out.push_back(std::move(g));
    }
    std::sort(out.begin(), out.end(), [](const VariantGroup& a, const VariantGroup& b) { return a[0].form < b[0].form; });
    return out;
}

}  // namespace penwick
