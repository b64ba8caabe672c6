// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes proofreading on any text (made well-formed UTF-8, as node texts always are).
// Besides "no crash":
//  - every finding of a paragraph lies inside it, starts and ends on character
//    boundaries, and they come in text order;
//  - a fix, applied, leaves nothing of its own rule at that place;
//  - a checker that saw the first half as the node's text and then the second gives
//    exactly the findings of a checker that read the second half afresh (with MeCab's
//    rules when a dictionary is installed).
#include "Morphology.h"
#include "ProjectFormat.h"
#include "ProofChecker.h"
#include "ProofRules.h"
#include "Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace penwick;
using namespace penwick::proof;

namespace {

std::string WellFormed(std::string_view bytes)
{
    std::string out;
    for (Utf8Decoder d(bytes.data(), bytes.size()); !d.atEnd();) {
        // No NUL and no other control characters but LF: XML holds none of them.
        const char32_t c = d.next();
        AppendUtf8(out, c < 0x20 && c != '\n' ? U'　' : c);
    }
    return out;
}

bool Boundary(std::string_view s, std::size_t i)
{
    return i == s.size() || (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80);
}

std::string Describe(const std::vector<ProofFinding>& findings)
{
    std::string out;
    for (const ProofFinding& f : findings)
        out += f.path + ':' + std::to_string(f.start) + '-' + std::to_string(f.end) + ' ' + std::string(RuleId(f.rule))
               + ' ' + f.message + '\n';
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = WellFormed(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t nl = std::min(text.find('\n', at), text.size());
        const std::string paragraph = text.substr(at, nl - at);
        std::size_t last = 0;
        for (const Finding& f : CheckParagraph(paragraph, RuleSet(), ParagraphOptions{})) {
            if (f.start > f.end || f.end > paragraph.size() || f.start < last || !Boundary(paragraph, f.start)
                || !Boundary(paragraph, f.end) || f.message.empty())
                std::abort();
            last = f.start;
            if (!f.fix)
                continue;
            const std::string fixed = paragraph.substr(0, f.start) + *f.fix + paragraph.substr(f.end);
            RuleSet only = RuleSet::none();
            only.set(f.rule, true);
            for (const Finding& again : CheckParagraph(fixed, only, ParagraphOptions{}))
                if (again.start == f.start)
                    std::abort();
        }
        at = nl + 1;
    }

    static const std::unique_ptr<Morphology> morphology = Morphology::Open(nullptr);
    DomDocument doc;
    if (!doc.loadFromBytes("<p t=\"p\"><c t=\"一\"><x/></c><c t=\"二\"><x>　だ。</x></c></p>", "fuzz.xml"))
        std::abort();
    const DomNode node = doc.documentElement().firstChild();
    std::size_t half = text.size() / 2;
    while (!Boundary(text, half))
        ++half;
    const std::string first = text.substr(0, half), second = text.substr(half);
    format::StoreNodeText(doc, node, first);
    ProofChecker live(ProofOptions{}, morphology.get());
    live.build(doc);
    if (!live.setNodeText(node, second))
        std::abort();
    format::StoreNodeText(doc, node, second);
    ProofChecker fresh(ProofOptions{}, morphology.get());
    fresh.build(doc);
    if (Describe(live.findings()) != Describe(fresh.findings())
        || Describe(live.nodeFindings(node)) != Describe(fresh.nodeFindings(node)))
        std::abort();
    return 0;
}
