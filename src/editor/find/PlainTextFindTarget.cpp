// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextFindTarget.h"

#include <QPlainTextEdit>
#include <QTextCursor>

QTextDocument* PlainTextFindTarget::document() const
{
    return m_edit->document();
}

void PlainTextFindTarget::selection(int* start, int* end) const
{
    const QTextCursor cursor = m_edit->textCursor();
    *start = cursor.selectionStart();
    *end = cursor.selectionEnd();
}

void PlainTextFindTarget::setSelection(int start, int end)
{
    QTextCursor cursor = m_edit->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_edit->setTextCursor(cursor);
}

void PlainTextFindTarget::ensureCaretVisible()
{
    m_edit->ensureCursorVisible();
}

void PlainTextFindTarget::focusEditor()
{
    // The notice comes from a dialog that is the active window; setFocus alone would only take
    // effect once the user clicked back into the editor.
    m_edit->activateWindow();
    m_edit->setFocus(Qt::OtherFocusReason);
}
