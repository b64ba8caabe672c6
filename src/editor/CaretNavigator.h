// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the caret goes: the keys of both writing directions mapped to moves, each move
// worked out on the layout (which lays out what it needs on the way), and word selection.
// No widget: the editor asks it and places the cursor; tests drive it on a layout alone.

#include <Qt>

#include <utility>

class QTextDocument;

namespace penwick {

class VerticalLayout;

class CaretNavigator {
public:
    enum class Move {
        None,
        Forward,        // the next cursor position (down a column, right along a line)
        Back,
        NextLine,       // the next column (to the left) or line (below), same offset
        PreviousLine,
        PageForward,    // a page of lines on, same offset
        PageBack,
        LineStart,      // Home, End: of the displayed line
        LineEnd,
        TextStart,      // Ctrl+Home, Ctrl+End
        TextEnd,
    };
    // The move key asks for in the writing direction; None for a key that moves nothing.
    static Move moveFor(int key, Qt::KeyboardModifiers modifiers, bool vertical);
    // Line moves keep the offset along the line they started from.
    static bool keepsOffset(Move move);

    CaretNavigator(VerticalLayout& layout, const QTextDocument& document)
        : m_layout(layout), m_document(document) {}

    // A caret: its position, and at a wrap point, whether it shows at the end of the line
    // before (after End, or a click past that line's end) or at the start of the next.
    struct Caret {
        int position = 0;
        bool lineEnd = false;
        bool operator==(const Caret&) const = default;
    };
    // Where move takes the caret. desiredU: the offset line moves keep (negative: none
    // yet; a line move sets it). linesPerPage: what a page move crosses.
    Caret target(Move move, Caret from, qreal* desiredU, int linesPerPage) const;
    // The other end of what Backspace (or Delete) removes at position: a whole cluster.
    int deletionEnd(bool backspace, int position) const;
    // The word at position, [start, end) in the document; Japanese words have no spaces,
    // so ICU's dictionary-based word breaks find them. Empty for an empty paragraph.
    static std::pair<int, int> wordAt(const QTextDocument& document, int position);

private:
    VerticalLayout& m_layout;
    const QTextDocument& m_document;
};

} // namespace penwick
