// SPDX-License-Identifier: GPL-3.0-or-later
// The editor and input methods: the composition, what the input method is told about
// it, and the keys that must reach the menus rather than the composition.
#include "VerticalTextEdit.h"

#include "VerticalLayout.h"
#include "ViewGeometry.h"

#include <QApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

// --- Input methods --------------------------------------------------------------------

void VerticalTextEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (isEchoOfFinishedComposition(*e)) {
        e->accept();
        return;
    }
    const bool edits = !e->commitString().isEmpty() || e->replacementLength() > 0;
    m_ime.read(*e); // first: a commit re-lays out its paragraph with the new preedit
    if (edits || (m_ime.composing() && m_cursor.hasSelection())) {
        m_cursor.beginEditBlock();
        if (e->replacementLength() > 0) {
            const int last = m_doc->characterCount() - 1;
            const int from = std::clamp(m_cursor.position() + e->replacementStart(), 0, last);
            m_cursor.setPosition(from);
            m_cursor.setPosition(std::clamp(from + e->replacementLength(), 0, last), QTextCursor::KeepAnchor);
        }
        if (m_cursor.hasSelection())
            m_cursor.removeSelectedText();
        m_cursor.insertText(e->commitString());
        m_cursor.endEditBlock();
        m_typingRun = false;
    }
    m_layout->setPreedit(m_cursor.position(), m_ime.preedit());
    for (const auto& a : e->attributes()) {
        if (a.type == QInputMethodEvent::Selection && !m_ime.composing()) {
            const int last = m_doc->characterCount() - 1;
            placeCursor(std::clamp(a.start, 0, last), std::clamp(a.start + a.length, 0, last));
        }
    }
    updateScrollBars();
    m_desiredU = -1;
    afterCursorChange();
    viewport()->update();
    e->accept();
}

QVariant VerticalTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const QTextBlock block = m_cursor.block();
    const int blockPos = block.position();
    const QPoint offset = viewport()->geometry().topLeft();
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return (m_ime.composing() && m_vertical ? compositionRect() : caretRect()).translated(offset);
    case Qt::ImAnchorRectangle:
        return (m_ime.composing() && m_vertical ? compositionRect() : anchorRect()).translated(offset);
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return m_cursor.position() - blockPos;
    case Qt::ImAnchorPosition:
        return std::clamp(m_cursor.anchor() - blockPos, 0, block.length() - 1);
    case Qt::ImAbsolutePosition:
        return m_cursor.position();
    case Qt::ImSurroundingText:
        return block.text();
    case Qt::ImCurrentSelection:
        return plain(m_cursor.selectedText());
    case Qt::ImTextBeforeCursor:
        return block.text().left(m_cursor.position() - blockPos);
    case Qt::ImTextAfterCursor:
        return block.text().mid(m_cursor.position() - blockPos);
    case Qt::ImHints:
        return int(inputMethodHints());
    case Qt::ImReadOnly:
        return false;
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// What the input method is told the composition covers, in vertical writing. Input methods
// (fcitx5, IBus) open their candidate list below that rectangle, or above it when the
// screen has no room below, reaching right from its left edge. So, by the room there is:
// - below the composition: its extent in its columns (the list covers only what follows);
// - above the text area: the columns from the area's top down to the composition's end
//   (the list goes above the text, over neither the clause nor what was just written);
// - neither: a line at the composition's top, a list's width to the left of its column
//   (the list stands beside the composition, over the columns still to come).
QRect VerticalTextEdit::compositionRect() const
{
    const int block = m_layout->preeditBlock();
    if (block < 0)
        return caretRect();
    const int first = m_layout->preeditLocal();
    const int last = first + std::max(0, m_layout->preeditLength() - 1);
    const auto start = m_layout->placeOfDisplay(block, first);
    const auto end = m_layout->placeOfDisplay(block, last);
    const penwick::ViewGeometry view = viewGeometry();
    const QRectF a = view.cellRect(start.line, start.u, start.advance);
    const QRectF b = view.cellRect(end.line, end.u, end.advance);
    const qreal foot = start.line == end.line ? b.bottom() : inlineStart() + m_layout->lineLength() + m_layout->em();
    const qreal left = std::min(a.left(), b.left()), right = std::max(a.right(), b.right());
    const qreal top = start.line == end.line ? a.top() : inlineStart();
    const QRect extent = QRectF(QPointF(left, top), QPointF(right, foot)).toAlignedRect();
    const QRect visible = viewport()->rect().adjusted(0, 0, 1, 1);

    const QScreen* screen = this->screen();
    if (!screen)
        return extent.intersected(visible);
    const int need = 20 * QFontMetrics(QApplication::font()).height(); // nine candidates, their page and frame
    const QRect available = screen->availableGeometry();
    if (available.bottom() - viewport()->mapToGlobal(extent.bottomLeft()).y() >= need)
        return extent.intersected(visible);
    if (viewport()->mapToGlobal(QPoint(0, inlineStart())).y() - available.top() >= need)
        return QRect(QPoint(extent.left(), inlineStart()), extent.bottomRight()).intersected(visible);
    return QRect(extent.left() - need, extent.top(), need, 1); // an empty rectangle would be ignored
}

// Ends a composition by committing it where it stands, then lets the input method drop
// its own. Asking the input method to commit instead makes some (IBus with an engine
// that commits on reset) deliver the text twice, the second time after the caret moved.
void VerticalTextEdit::finishComposition()
{
    if (!m_ime.composing())
        return;
    m_finishedComposition.clear();
    QInputMethodEvent commit;
    commit.setCommitString(m_ime.preedit());
    inputMethodEvent(&commit);
    m_finishedComposition = commit.commitString();
    m_finishedAt.start();
    QApplication::inputMethod()->reset();
}

// The input method's own commit of a composition finishComposition already committed:
// it comes at once, or not at all. Events carrying nothing leave the watch on.
bool VerticalTextEdit::isEchoOfFinishedComposition(const QInputMethodEvent& e)
{
    if (m_finishedComposition.isEmpty())
        return false;
    if (e.preeditString().isEmpty() && e.commitString().isEmpty() && e.replacementLength() == 0)
        return false;
    const bool echo = e.preeditString().isEmpty() && e.commitString() == m_finishedComposition
                      && e.replacementLength() == 0 && m_finishedAt.elapsed() < 1000;
    m_finishedComposition.clear();
    return echo;
}

// Opens the window's menu whose mnemonic the key is; false when none is.
bool VerticalTextEdit::openMenuByMnemonic(const QKeyEvent& e)
{
    auto* bar = window()->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar)
        return false;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(e.key())));
    for (QAction* action : bar->actions()) {
        if (action->isVisible() && action->isEnabled() && QKeySequence::mnemonic(action->text()) == pressed) {
            bar->setFocus(Qt::ShortcutFocusReason);
            bar->setActiveAction(action);
            return true;
        }
    }
    return false;
}
