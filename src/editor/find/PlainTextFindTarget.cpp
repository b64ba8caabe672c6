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
    m_edit->setFocus(Qt::OtherFocusReason);
}
