// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The whole project proofread, kept up to date edit by edit. Every outline node's own text
// is read paragraph by paragraph (a line of the text) and sentence by sentence; results
// are kept per paragraph and per sentence, so an edit re-checks only the paragraph it
// changed and re-analyses only the sentences in it that changed. The project-wide facts
// (how each chapter's narration ends, which forms each word is written in) are tallies
// the changed paragraphs are taken out of and put back into: the spelling-variant groups
// follow an edit without reading the project again.

#include "DomDocument.h"
#include "ProjectFormat.h"
#include "ProofSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

namespace proof {
class Morphology;
}

struct ProofFinding {
    DomNode node;
    std::string path;                 // the node's titles from the top level, joined by " › "
    proof::Rule rule = proof::Rule::ParagraphStart;
    int line = 0, column = 0;         // 1-based, within the node's text; column in characters
    std::size_t start = 0, end = 0;   // bytes into the node's text (CR LF read as LF)
    int start16 = 0, length16 = 0;    // the same in UTF-16 units: the editor's positions
    std::string message;
    std::optional<std::string> fix;   // what replaces the span (mechanical findings only)
    std::string form;                 // a spelling variant: its form (the base form as written)
    std::string lineText;             // the paragraph (in findings() only, not for the marks)
    std::size_t lineStart = 0, lineLength = 0;   // the span within it, in bytes
};

struct VariantForm {
    std::string form;
    int count = 0;
};
// One word written in several forms, the most used first.
using VariantGroup = std::vector<VariantForm>;

class ProofChecker {
public:
    // Without a morphology the language rules find nothing.
    ProofChecker(proof::ProofOptions options, const proof::Morphology* morphology);
    ~ProofChecker();
    ProofChecker(const ProofChecker&) = delete;
    ProofChecker& operator=(const ProofChecker&) = delete;

    const proof::ProofOptions& options() const;
    // Forms the writer keeps: they leave their groups.
    void setIntended(std::vector<std::string> forms);

    // Reads every node of doc (the edited text where `edited` gives one), keeping the
    // results of paragraphs and sentences it has seen before.
    void build(const DomDocument& doc, const TextOverride& edited = {});
    // The node's text is now `text`: re-checks the paragraphs that differ. False when the
    // node was not in the last build.
    bool setNodeText(DomNode node, std::string_view text);

    // Every finding in outline order; a spelling-variant group once, at the first place a
    // form other than the most used one stands, with the counts and where they stand.
    std::vector<ProofFinding> findings() const;
    // The findings in one node, for its marks in the editor: every occurrence of a variant
    // group's other forms.
    std::vector<ProofFinding> nodeFindings(DomNode node) const;
    std::vector<VariantGroup> variantGroups() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace penwick
