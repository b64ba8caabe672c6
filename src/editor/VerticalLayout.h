// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lays out a QTextDocument paragraph by paragraph into lines (columns when
// vertical). Paragraphs are laid out on demand, so opening a long text costs only
// what is shown; the rest is done in slices by the caller's idle time. Until a
// paragraph is laid out its line count is estimated from its length.
//
// Geometry is expressed in global line numbers (from the document's start) and an
// offset "u" along the line; the widget turns these into pixels.

#include "GlyphShaper.h"

#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QTextDocument;

namespace penwick {

// A ruby, emphasis or escape of the novel sites' notation in a paragraph, in display
// positions (UTF-16, the preedit included).
struct NotationSpan {
    int kind = 0;                 // notation::Kind
    int start = 0, end = 0;       // the whole notation
    int baseStart = 0, baseEnd = 0;
    int rubyStart = 0, rubyEnd = 0;
    QString reading;
};

// A paragraph's layout. A long one is laid out a chunk at a time: until complete,
// only its text up to `shaped` has cells, and all its lines but the last are final.
struct ParaLayout {
    std::vector<std::unique_ptr<Segment>> segs;
    std::vector<int> segFirstCell{0}; // one more entry than segs
    std::vector<int> lineFirstCell{0};
    int length = 0; // display length: the block's text plus any preedit
    int shaped = 0;
    bool done = false; // complete and counted as such
    QString text;   // kept while incomplete
    std::unordered_multimap<size_t, std::unique_ptr<Segment>> pool; // shaped pieces of the old text
    // After an edit inside the paragraph: the old pieces after it, in order, with
    // their old starts; each reappears shifted by suffixShift.
    std::vector<std::unique_ptr<Segment>> suffix;
    size_t suffixNext = 0;
    int suffixShift = 0;
    std::optional<std::vector<NotationSpan>> notation;   // found on first need

    bool complete() const { return shaped >= length; }

    int cellCount() const { return segFirstCell.back(); }
    int lineCount() const { return int(lineFirstCell.size()); }
    int lineEndCell(int line) const
    {
        return line + 1 < lineCount() ? lineFirstCell[size_t(line + 1)] : cellCount();
    }
    int segmentOf(int cell) const;
    const Cell& cell(int index) const;
    const Segment& segmentOfCell(int index) const { return *segs[size_t(segmentOf(index))]; }
    int cellStart(int index) const; // display position
    int cellEnd(int index) const;
    int cellAt(int displayPos) const; // the cell holding the position; cellCount() at the end
};

class VerticalLayout {
public:
    explicit VerticalLayout(QTextDocument* doc, const QFont& font);
    ~VerticalLayout();

    void setFont(const QFont& font);
    void setVertical(bool vertical);
    bool isVertical() const { return m_vertical; }
    void setLineLength(qreal length);
    void setTateChuYoko(int digits); // see GlyphShaper::setTateChuYoko
    // The gap between lines (columns), in ems; the pitch is one em plus the gap.
    void setLineGap(qreal ems);
    qreal lineLength() const { return m_lineLength; }
    qreal em() const { return m_shaper->em(); }
    qreal pitch() const { return m_pitch; }
    GlyphShaper& shaper() { return *m_shaper; }

    // Preedit text shown (not stored) at a document position; empty clears it.
    void setPreedit(int docPos, const QString& text);
    int preeditBlock() const { return m_preeditBlock; }
    int preeditLocal() const { return m_preeditLocal; }
    int preeditLength() const { return int(m_preedit.size()); }

    // Hook for QTextDocument::contentsChange.
    void documentChanged(int pos, int removed, int added);

    int blockCount() const { return int(m_paras.size()); }
    int totalLines();
    int firstLineOf(int block);
    int blockAtLine(int globalLine);
    // A paragraph laid out completely, or at least through one of its lines or up to
    // a display position (whose cell's line is then final).
    const ParaLayout& paragraph(int block);
    const ParaLayout& paragraphThroughLine(int block, int line);
    const ParaLayout& paragraphThrough(int block, int display);
    // Lays out paragraphs not yet laid out for about budgetMs; false when all are done.
    bool layoutSome(int budgetMs);
    bool isComplete() const { return m_unlaid == 0; }

    struct Place {
        int line = 0;   // global line
        float u = 0;    // offset along the line
        float advance = 0;
    };
    int blockOf(int docPos) const;
    int blockPosition(int block) const;
    int toDisplay(int block, int local) const;
    int toLocal(int block, int display) const;
    // lineEnd: a position where a line wraps is the end of the line before it, not the
    // start of the next (where End and a click past a line's end put the caret).
    Place placeOfDisplay(int block, int display, bool lineEnd = false);
    Place placeOf(int docPos, bool lineEnd = false);
    // The position nearest u on a line; *lineEnd tells whether it is that line's wrapped end.
    int hitTest(int globalLine, float u, bool* lineEnd = nullptr);
    // The notation in a paragraph (laid out or not), found once per layout of it.
    const std::vector<NotationSpan>& notation(int block);
    int lineStartPos(int globalLine);
    int lineEndPos(int globalLine, bool* lineEnd = nullptr);
    int nextCursorPos(int docPos);
    int previousCursorPos(int docPos);

private:
    struct Slot {
        std::unique_ptr<ParaLayout> layout;
        int length = 0; // characters in the block, for the estimate
        int lines = 1;
    };
    int estimate(int length) const;
    void layoutBlock(int block, std::vector<std::unique_ptr<Segment>>* donors);
    void continueBlock(int block);
    void editInPlace(int block, int local, int removed, int added);
    void dropLayout(int block);
    std::unique_ptr<Segment> reusable(ParaLayout& p, int start, int length, size_t key);
    void rebreak(ParaLayout& p, int fromLine = 0);
    void resetAll();
    void updatePrefix();

    QTextDocument* m_doc;
    QFont m_font;
    std::unique_ptr<GlyphShaper> m_shaper;
    bool m_vertical = true;
    qreal m_lineLength = 400;
    qreal m_pitch = 0;
    std::vector<Slot> m_paras;
    std::vector<int> m_lineStart; // prefix sums of Slot::lines
    bool m_prefixDirty = true;
    int m_unlaid = 0;
    // While an edit lays out its paragraphs: pieces one did not use, for the next.
    std::vector<std::unique_ptr<Segment>>* m_leftovers = nullptr;
    int m_idleNext = 0;
    int m_tateChuYoko = 2;
    qreal m_lineGap = 0.75;
    QString m_preedit;
    int m_preeditBlock = -1;
    int m_preeditLocal = 0;
};

} // namespace penwick
