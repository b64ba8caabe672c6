// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParagraphFacts.h"

#include "Utf8.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace penwick::proof {

namespace {

// Bracket depth along a text, asked at positions that only move forward.
class DepthScanner {
public:
    explicit DepthScanner(std::string_view text) : m_text(text) {}
    int at(std::size_t target)
    {
        const char* const end = m_text.data() + std::min(target, m_text.size());
        const char* p = m_text.data() + m_pos;
        while (p < end) {
            const Utf8Char c = DecodeUtf8(p, m_text.data() + m_text.size());
            if (IsOpeningBracket(c.cp))
                ++m_depth;
            else if (IsClosingBracket(c.cp) && m_depth > 0)
                --m_depth;
            p += c.len;
        }
        m_pos = std::size_t(p - m_text.data());
        return m_depth;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_depth = 0;
};

}  // namespace

int Utf16Length(std::string_view s)
{
    int n = 0;
    for (const char b : s)
        n += (b & 0xC0) != 0x80 ? (std::uint8_t(b) >= 0xF0 ? 2 : 1) : 0;
    return n;
}

std::shared_ptr<const SentenceFacts> SentenceMemo::get(const Morphology& morphology, std::string_view text,
                                                       Lexicon& lexicon)
{
    if (const auto it = m_facts.find(text); it != m_facts.end())
        return it->second;
    auto facts = std::make_shared<const SentenceFacts>(AnalyseSentence(morphology, text, lexicon));
    m_facts.emplace(std::string(text), facts);
    return facts;
}

void SentenceMemo::analyseAll(const Morphology& morphology, std::vector<std::string> sentences, Lexicon& lexicon)
{
    std::sort(sentences.begin(), sentences.end());
    sentences.erase(std::unique(sentences.begin(), sentences.end()), sentences.end());
    std::erase_if(sentences, [&](const std::string& s) { return m_facts.contains(s); });
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    constexpr std::size_t kBatch = 64;   // sentences a thread takes at a time
    std::vector<SentenceText> read(sentences.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        const Morphology::Reader reader = morphology.reader();
        for (std::size_t from; (from = next.fetch_add(kBatch)) < sentences.size();)
            for (std::size_t i = from; i < std::min(from + kBatch, sentences.size()); ++i)
                read[i] = ReadSentence(reader, sentences[i]);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads && t * kBatch < sentences.size(); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers)
        t.join();
    for (std::size_t i = 0; i < sentences.size(); ++i)
        m_facts.emplace(std::move(sentences[i]), std::make_shared<const SentenceFacts>(InternSentence(read[i], lexicon)));
}

void SentencesOf(std::string_view paragraph, std::vector<std::string>& out)
{
    if (paragraph.empty())
        return;
    const BaseText base = ReadAsBase(paragraph);
    std::size_t start = 0;
    for (const std::size_t end : SentenceEnds(base.text)) {
        out.emplace_back(base.text, start, end - start);
        start = end;
    }
}

void SentenceMemo::prune()
{
    std::erase_if(m_facts, [](const auto& entry) { return entry.second.use_count() == 1; });
}

ParagraphPtr ReadParagraph(std::string_view text, const ProofOptions& options, const Morphology* morphology,
                           SentenceMemo& memo, Lexicon& lexicon)
{
    auto p = std::make_shared<Paragraph>();
    p->text = text;
    p->length16 = Utf16Length(text);
    BaseText base = ReadAsBase(text);
    p->mech = CheckBaseText(base, options.rules, options.paragraph);
    if (!morphology || text.empty())
        return p;
    p->source = std::move(base.source);
    DepthScanner depth(base.text);
    std::size_t start = 0;
    for (const std::size_t end : SentenceEnds(base.text)) {
        Sentence s{start, memo.get(*morphology, std::string_view(base.text).substr(start, end - start), lexicon), false};
        s.narration = s.facts->ending != Ending::None && depth.at(start + s.facts->endingStart) == 0;
        p->sentences.push_back(std::move(s));
        start = end;
    }
    return p;
}

}  // namespace penwick::proof
