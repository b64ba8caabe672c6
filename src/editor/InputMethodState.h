// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The composition an input method is building (preedit): its text, where its own caret
// stands in it, and the clause under conversion. The editor draws it at the caret and
// leaves the document alone until the input method commits.

#include <QList>
#include <QPair>
#include <QString>

class QInputMethodEvent;

namespace penwick {

class InputMethodState {
public:
    // Takes the composition an event carries (an empty one ends composing). Edits the
    // event also asks for (commit, replacement) are the editor's.
    void read(const QInputMethodEvent& event);
    void clear() { *this = InputMethodState(); }

    bool composing() const { return !m_preedit.isEmpty(); }
    const QString& preedit() const { return m_preedit; }
    int cursor() const { return m_cursor; }               // in the preedit
    bool cursorVisible() const { return m_cursorVisible; }
    // The clauses under conversion (start, length in the preedit): input methods mark them
    // with a background.
    const QList<QPair<int, int>>& focus() const { return m_focus; }

private:
    QString m_preedit;
    int m_cursor = 0;
    bool m_cursorVisible = true;
    QList<QPair<int, int>> m_focus;
};

} // namespace penwick
