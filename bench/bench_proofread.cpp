// SPDX-License-Identifier: GPL-3.0-or-later
// Proofreading the 1,000,000-character project: a whole run (with and without the rules
// that need MeCab), and a keystroke in a 2,000-character paragraph (its marks re-read).
#include "Morphology.h"
#include "ProjectGenerator.h"
#include "ProofChecker.h"
#include "ProjectFormat.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace penwick;

namespace {

const proof::Morphology* Analyser()
{
    static const std::unique_ptr<proof::Morphology> m = proof::Morphology::Open(nullptr);
    if (!m)
        std::abort();
    return m.get();
}

proof::ProofOptions Options(bool language)
{
    proof::ProofOptions o;
    o.rules.set(proof::Rule::StyleMix, language);
    o.rules.set(proof::Rule::SpellingVariants, language);
    return o;
}

void LoadLargeProject(DomDocument* doc)
{
    static const std::string xml = bench::GenerateLargeProject(PENWICK_CORPUS_DIR, 1);
    if (!doc->loadFromBytes(xml, "bench.xml"))
        std::abort();
}

// The benchmark project repeats the corpus, and a sentence read once is never analysed
// again: a word (two kanji, numbered) after each sentence makes every sentence new, as a
// real manuscript's are.
void MakeSentencesUnique(DomDocument& doc)
{
    std::uint32_t n = 0;
    format::ForEachOutlineNode(doc, [&](DomNode node, const std::string&, int) {
        const std::string text = format::NodeOwnText(node);
        std::string out;
        for (std::size_t at = 0, next; at < text.size(); at = next) {
            next = text.find("。", at);
            next = next == std::string::npos ? text.size() : next + 3;
            while (text.compare(next, 3, "」") == 0 || text.compare(next, 3, "』") == 0)
                next += 3;   // after the dialogue's closing bracket, not inside it
            out.append(text, at, next - at);
            for (const std::uint32_t cp : {0x4E00 + (n / 200) % 200, 0x4E00 + 200 + n % 200}) {
                out += char(0xE0 | (cp >> 12));
                out += char(0x80 | ((cp >> 6) & 0x3F));
                out += char(0x80 | (cp & 0x3F));
            }
            ++n;
        }
        format::StoreNodeText(doc, node, out);
    });
}

// Opening the project with the 校正 panel shown: every node read, every finding listed.
void BM_ProofreadProject(benchmark::State& state)
{
    DomDocument doc;
    LoadLargeProject(&doc);
    MakeSentencesUnique(doc);
    const bool language = state.range(0) != 0;
    std::size_t found = 0;
    for (auto _ : state) {
        ProofChecker checker(Options(language), language ? Analyser() : nullptr);
        checker.build(doc);
        found = checker.findings().size();
    }
    state.counters["findings"] = double(found);
}
BENCHMARK(BM_ProofreadProject)->Arg(0)->Arg(1)->ArgName("language")->Unit(benchmark::kMillisecond);

// The panel's list again after an edit (a pause in the typing): every finding of the read
// project, each variant group once with where its forms stand.
void BM_ProofreadList(benchmark::State& state)
{
    DomDocument doc;
    LoadLargeProject(&doc);
    ProofChecker checker(Options(true), Analyser());
    checker.build(doc);
    std::size_t found = 0;
    for (auto _ : state)
        found = checker.findings().size();
    state.counters["findings"] = double(found);
}
BENCHMARK(BM_ProofreadList)->Unit(benchmark::kMillisecond);

// A character typed in the middle of a 2,000-character paragraph of a chapter in the middle
// of the project: the node's text handed over, then its findings for the editor's marks.
// Each keystroke types a new character, so the sentence is never one read before.
void BM_ProofreadKeystroke(benchmark::State& state)
{
    DomDocument doc;
    LoadLargeProject(&doc);
    const auto corpus = bench::LoadCorpusParagraphs(PENWICK_CORPUS_DIR);
    std::string paragraph = "　";
    for (std::size_t i = 0; bench::CodePoints(paragraph) < 2000; ++i)
        paragraph += corpus[i % corpus.size()];
    while (bench::CodePoints(paragraph) > 2000) {
        do
            paragraph.pop_back();
        while ((static_cast<unsigned char>(paragraph.back()) & 0xC0) == 0x80);
        paragraph.pop_back();
    }
    std::vector<DomNode> nodes;
    format::ForEachOutlineNode(doc, [&](DomNode n, const std::string&, int) { nodes.push_back(n); });
    const DomNode node = nodes[nodes.size() / 2];
    const std::string around = format::NodeOwnText(node);
    const std::string before = around.substr(0, around.find('\n') + 1) + paragraph.substr(0, paragraph.size() / 2 / 3 * 3);
    std::string typed, after = paragraph.substr(before.size() - around.find('\n') - 1) + "\n" + around;
    format::StoreNodeText(doc, node, before + after);
    ProofChecker checker(Options(true), Analyser());
    checker.build(doc);
    static const char* const kana[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "さ", "し"};
    std::size_t marks = 0, n = 0;
    for (auto _ : state) {
        typed += kana[n++ % 12];
        checker.setNodeText(node, before + typed + after);
        marks = checker.nodeFindings(node).size();
    }
    state.counters["marks"] = double(marks);
    state.counters["paragraph_chars"] = 2000;
}
BENCHMARK(BM_ProofreadKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
