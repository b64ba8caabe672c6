// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QTextDocument;

// The editor surface that find and replace work on. Positions are QTextDocument positions
// (UTF-16 code units, one per block separator). Edits go through QTextCursor on document(), so
// the editor's undo stack records them; the editor only has to follow the selection it is given.
class FindTarget {
public:
    virtual ~FindTarget() = default;

    virtual QTextDocument* document() const = 0;
    // The selection as an ordered range; start == end is the caret.
    virtual void selection(int* start, int* end) const = 0;
    // Selects start..end with the caret at end; start == end places the caret.
    virtual void setSelection(int start, int end) = 0;
    virtual void ensureCaretVisible() = 0;
    // Gives the keyboard back to the editor (its window activated first: the request may
    // come from the Find dialog, which is the active window).
    virtual void focusEditor() = 0;
    // A search found nothing: the editor beeps.
    virtual void notFound() {}
};
