// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project on manuscript paper, kept up to date edit by edit: where a place in a node's
// text stands (sheet, line, cell), how long a node and the whole manuscript are, and where
// a sheet begins. The manuscript is the export text (every chapter joined, as the counter's
// total counts it), laid out by the counter's own walk.
//
// The text is kept as fragments: the pieces between hard breaks and node boundaries, in
// blocks, one per node (and one per stretch between nodes). A paragraph (source line)
// always starts a new manuscript line, so an edit re-lays only the paragraphs it touches;
// the blocks' lines and characters sit in Fenwick trees, so the sums before any place
// cost a logarithm and a walk through one block.
// A source line is usually one fragment; where one chapter's text runs straight into the
// next (no break between them), it is several, laid out together.

#include "CounterReport.h"
#include "DomDocument.h"
#include "KinsokuSet.h"
#include "TextAssembly.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

// 1-based, as a writer counts: 12枚目 3行 5字.
struct SheetPosition {
    std::int64_t sheet = 1;
    std::int64_t line = 1;
    std::int64_t cell = 1;
};

// Lines and characters (cells that are not white space).
struct ManuscriptLength {
    std::int64_t lines = 0;
    std::int64_t chars = 0;
};

class ManuscriptMap {
public:
    explicit ManuscriptMap(const CountSettings& settings = {});

    // Lays out the document's export text. False (and empty) without a document element.
    bool build(const DomDocument& doc);
    // Lays out `text` with the nodes' own texts at `spans` (in order, not overlapping).
    void build(std::string_view text, const std::vector<TextSpan>& spans);

    const CountSettings& settings() const { return m_settings; }

    // The whole manuscript: the counter's total.
    ManuscriptLength total() const;
    // Index of the node whose own text is in the manuscript, or -1 (not exported).
    int nodeIndex(DomNode node) const;
    int nodeCount() const { return static_cast<int>(m_nodeBlock.size()); }
    DomNode node(int index) const { return m_nodeHandles[std::size_t(index)]; }
    // The node's own text laid out alone (as if it were the whole text).
    ManuscriptLength nodeLength(int index) const;

    // Where the character at byte `offset` of the node's own text stands; at the end of a
    // paragraph, the cell after its last character (on the same line).
    SheetPosition positionOf(int index, std::size_t offset) const;

    // The node's own text is now `text`: re-lays the paragraphs that differ.
    void setNodeText(int index, std::string_view text);

    // Where sheet `sheet` (1-based) begins: the node and the byte offset in its own text;
    // none past the last sheet. A sheet that begins in text no node holds (the empty line
    // between nodes) begins at the next node's start.
    struct Place {
        int node = -1;
        std::size_t offset = 0;      // bytes into the node's text as the map holds it
        std::size_t paragraph = 0;   // ... which is this paragraph (0-based)
        std::size_t column = 0;      // ... and these bytes into it
    };
    std::optional<Place> sheetStart(std::int64_t sheet) const;

    // The byte offset of `column` bytes into paragraph `paragraph` of `text`, whatever its
    // line ends (the editor's LF for the file's CR LF); the end when there are fewer.
    static std::size_t OffsetOf(std::string_view text, std::size_t paragraph, std::size_t column);

private:
    struct Fragment {
        std::string text;
        int node = -1;
        std::uint8_t breakLength = 0;   // the hard break after it (0: joined to the next, or the end)
        bool joinsNext = false;
        std::int64_t lines = 0;   // the source line's lines, on its first fragment; 0 on the others
        std::int64_t chars = 0;
        std::int64_t aloneLines = 0;   // its own lines laid out alone (0 without a cell)
    };
    // A node's fragments, or those of the text between nodes (node -1), with their sums.
    // Paragraphs added or removed change one block; the trees are over blocks.
    struct Block {
        int node = -1;
        std::vector<Fragment> fragments;
        std::int64_t lines = 0;
        std::int64_t chars = 0;
    };
    struct Ref {
        std::size_t block = 0;
        std::size_t index = 0;
        bool operator==(const Ref&) const = default;
    };

    // A text's paragraphs: each with the length of the hard break after it (the last: 0).
    struct Piece {
        std::string_view text;
        std::uint8_t breakLength = 0;
    };
    static std::vector<Piece> Pieces(std::string_view text);
    static std::vector<Fragment> Split(std::string_view text, int node);
    Fragment& at(Ref r) { return m_blocks[r.block].fragments[r.index]; }
    const Fragment& at(Ref r) const { return m_blocks[r.block].fragments[r.index]; }
    bool next(Ref& r) const;   // false at the last fragment
    Ref sourceLineStart(Ref r) const;
    std::string sourceLineText(Ref first) const;   // through its joined fragments
    // Lays out the source line that starts at `first`; answers the ref after it (or first
    // itself at the end) and adds the blocks it touched to *touched.
    Ref layOutSourceLine(Ref first, bool* atEnd, std::vector<std::size_t>* touched);
    void updateBlockSums(std::size_t block);
    std::int64_t linesBefore(Ref r) const;
    void add(std::vector<std::int64_t>& tree, std::size_t i, std::int64_t delta) const;
    std::int64_t prefix(const std::vector<std::int64_t>& tree, std::size_t end) const;   // sum of [0, end)
    ManuscriptLength laidAlone(std::string_view text) const;   // the walk's own lines: 0 without a cell
    static std::int64_t LinesTaken(std::int64_t walked, bool last);

    CountSettings m_settings;
    counter::KinsokuSet m_kinsoku;
    std::vector<Block> m_blocks;
    std::vector<std::size_t> m_nodeBlock;   // node index -> its block
    std::vector<DomNode> m_nodeHandles;
    std::vector<std::int64_t> m_lineTree, m_charTree;   // Fenwick trees over the blocks
};

}  // namespace penwick
