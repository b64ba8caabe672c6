// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaretNavigator.h"

#include "VerticalLayout.h"

#include <QTextBlock>
#include <QTextDocument>

#include <unicode/ubrk.h>

#include <algorithm>

namespace penwick {

CaretNavigator::Move CaretNavigator::moveFor(int key, Qt::KeyboardModifiers modifiers, bool vertical)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key == (vertical ? Qt::Key_Down : Qt::Key_Right))
        return Move::Forward;
    if (key == (vertical ? Qt::Key_Up : Qt::Key_Left))
        return Move::Back;
    if (key == (vertical ? Qt::Key_Left : Qt::Key_Down))
        return Move::NextLine;
    if (key == (vertical ? Qt::Key_Right : Qt::Key_Up))
        return Move::PreviousLine;
    switch (key) {
    case Qt::Key_PageDown: return Move::PageForward;
    case Qt::Key_PageUp: return Move::PageBack;
    case Qt::Key_Home: return ctrl ? Move::TextStart : Move::LineStart;
    case Qt::Key_End: return ctrl ? Move::TextEnd : Move::LineEnd;
    default: return Move::None;
    }
}

bool CaretNavigator::keepsOffset(Move move)
{
    return move == Move::NextLine || move == Move::PreviousLine || move == Move::PageForward
           || move == Move::PageBack;
}

CaretNavigator::Caret CaretNavigator::target(Move move, Caret from, qreal* desiredU, int linesPerPage) const
{
    const int last = m_document.characterCount() - 1;
    const auto place = m_layout.placeOf(from.position, from.lineEnd);
    Caret to;
    int lines = 0;
    switch (move) {
    case Move::None: return from;
    case Move::Forward: return {m_layout.nextCursorPos(from.position)};
    case Move::Back: return {m_layout.previousCursorPos(from.position)};
    case Move::LineStart: return {m_layout.lineStartPos(place.line)};
    case Move::LineEnd:
        to.position = m_layout.lineEndPos(place.line, &to.lineEnd);
        return to;
    case Move::TextStart: return {0};
    case Move::TextEnd: return {last};
    case Move::NextLine: lines = 1; break;
    case Move::PreviousLine: lines = -1; break;
    case Move::PageForward: lines = linesPerPage; break;
    case Move::PageBack: lines = -linesPerPage; break;
    }
    if (*desiredU < 0)
        *desiredU = place.u;
    const int line = place.line + lines;
    if (line < 0)
        return {0};
    if (line >= m_layout.totalLines())
        return {last};
    to.position = m_layout.hitTest(line, float(*desiredU), &to.lineEnd);
    return to;
}

int CaretNavigator::deletionEnd(bool backspace, int position) const
{
    return backspace ? m_layout.previousCursorPos(position) : m_layout.nextCursorPos(position);
}

std::pair<int, int> CaretNavigator::wordAt(const QTextDocument& document, int position)
{
    const QTextBlock block = document.findBlock(position);
    const QString text = block.text();
    const int local = position - block.position();
    if (text.isEmpty())
        return {position, position};
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* words = ubrk_open(UBRK_WORD, "ja", reinterpret_cast<const UChar*>(text.utf16()),
                                      int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return {position, position};
    int end = ubrk_following(words, std::min(local, int(text.size()) - 1));
    int start = ubrk_preceding(words, end);
    ubrk_close(words);
    if (end == UBRK_DONE)
        end = int(text.size());
    if (start == UBRK_DONE)
        start = 0;
    return {block.position() + start, block.position() + end};
}

} // namespace penwick
