// SPDX-License-Identifier: GPL-3.0-or-later
#include "VerticalTextEdit.h"

#include "GlyphPainter.h"
#include "CaretNavigator.h"
#include "ScrollModel.h"
#include "VerticalLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>
#include <optional>
#include <cmath>
#include <limits>

using penwick::Cell;
using penwick::ParaLayout;
using penwick::ShapedGlyph;

namespace {

// The document must not lay itself out (that would cost as much as our own layout
// again for nothing), but it only reports its changes while it has a layout.
class NullDocumentLayout : public QAbstractTextDocumentLayout {
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;
    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }
    void documentChanged(int, int, int) override {}
};

} // namespace

QString VerticalTextEdit::plain(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

VerticalTextEdit::VerticalTextEdit(QWidget* parent) : VerticalTextEdit(nullptr, parent) {}

VerticalTextEdit::VerticalTextEdit(QTextDocument* document, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_doc(document ? document : new QTextDocument(this)),
      m_painter(std::make_unique<penwick::GlyphPainter>())
{
    m_doc->setDocumentLayout(new NullDocumentLayout(m_doc));
    m_doc->setUndoRedoEnabled(true);
    m_cursor = QTextCursor(m_doc);

    // Manuscripts are written in mincho.
    QFont f = font();
    f.setFamilies({QStringLiteral("Noto Serif CJK JP")});
    f.setStyleHint(QFont::Serif);
    if (f.pointSizeF() > 0 && f.pointSizeF() < 14)
        f.setPointSizeF(14);
    setFont(f);
    m_baseFont = f;
    m_layout = std::make_unique<penwick::VerticalLayout>(m_doc, f);

    connect(m_doc, &QTextDocument::contentsChange, this, &VerticalTextEdit::onContentsChange);
    connect(m_doc, &QTextDocument::contentsChanged, this, &VerticalTextEdit::textChanged);
    connect(m_doc, &QTextDocument::modificationChanged, this, &VerticalTextEdit::modificationChanged);

    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    // Columns run right to left: value 0 (the text's start) sits at the right edge.
    horizontalScrollBar()->setInvertedAppearance(true);
    // A scroll bar that came and went as the text grows would change the column
    // length under the writer's hands: it stays.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &VerticalTextEdit::idleLayout);
    updateGeometryModel();
}

VerticalTextEdit::~VerticalTextEdit() = default;

// --- Text, flags and direction -------------------------------------------------

QString VerticalTextEdit::toPlainText() const
{
    // QTextDocument::toPlainText turns no-break spaces into spaces; a writer's text must
    // come back as typed.
    QString text = m_doc->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void VerticalTextEdit::setPlainText(const QString& text)
{
    if (m_ime.composing()) { // a composition in the old text has nowhere to go
        m_ime.clear();
        QApplication::inputMethod()->reset();
    }
    m_doc->setPlainText(text);
    m_doc->setModified(false);
    m_cursor = QTextCursor(m_doc);
    m_typingRun = false;
    m_savedScroll[0] = m_savedScroll[1] = 0;
    m_desiredU = -1;
    updateScrollBars();
    setScrollValue(0);
    afterCursorChange();
}

bool VerticalTextEdit::isModified() const
{
    return m_doc->isModified();
}

void VerticalTextEdit::setModified(bool modified)
{
    m_doc->setModified(modified);
}

bool VerticalTextEdit::isVertical() const
{
    return m_vertical;
}

void VerticalTextEdit::setVertical(bool vertical)
{
    if (vertical == m_vertical)
        return;
    m_savedScroll[m_vertical] = scrollValue();
    m_vertical = vertical;
    m_layout->setVertical(vertical);
    setHorizontalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    updateGeometryModel();
    setScrollValue(m_savedScroll[vertical]);
    m_desiredU = -1;
    ensureCaretVisible();
    viewport()->update();
    scheduleIdle();
    QApplication::inputMethod()->update(Qt::ImQueryAll);
}

qreal VerticalTextEdit::lineLength() const
{
    return m_layout->lineLength();
}

bool VerticalTextEdit::isLayoutComplete() const
{
    return m_layout->isComplete();
}

// --- Selection and editing commands ------------------------------------------------

void VerticalTextEdit::selection(int* start, int* end) const
{
    if (start)
        *start = m_cursor.selectionStart();
    if (end)
        *end = m_cursor.selectionEnd();
}

void VerticalTextEdit::setSelection(int start, int end)
{
    const int last = m_doc->characterCount() - 1;
    // An end below zero selects to the end of the text, as edit controls do.
    placeCursor(std::clamp(start, 0, last), std::clamp(end < 0 ? last : end, 0, last));
    m_desiredU = -1;
    afterCursorChange();
}

void VerticalTextEdit::replaceSelection(const QString& text)
{
    m_cursor.beginEditBlock();
    if (m_cursor.hasSelection())
        m_cursor.removeSelectedText();
    m_cursor.insertText(text);
    m_cursor.endEditBlock();
    m_typingRun = false;
    m_desiredU = -1;
    afterCursorChange();
}

bool VerticalTextEdit::canUndo() const
{
    return m_doc->isUndoAvailable();
}

bool VerticalTextEdit::canPaste() const
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

void VerticalTextEdit::undo()
{
    m_typingRun = false;
    m_doc->undo(&m_cursor);
    afterCursorChange();
}

void VerticalTextEdit::redo()
{
    m_typingRun = false;
    m_doc->redo(&m_cursor);
    afterCursorChange();
}

void VerticalTextEdit::copy()
{
    if (m_cursor.hasSelection())
        QApplication::clipboard()->setText(plain(m_cursor.selectedText()));
}

void VerticalTextEdit::cut()
{
    if (!m_cursor.hasSelection())
        return;
    copy();
    m_cursor.beginEditBlock();
    m_cursor.removeSelectedText();
    m_cursor.endEditBlock();
    m_typingRun = false;
    afterCursorChange();
}

void VerticalTextEdit::paste()
{
    QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    replaceSelection(text);
}

void VerticalTextEdit::selectAll()
{
    setSelection(0, m_doc->characterCount() - 1);
}

// Consecutive typed characters make one undo step, as in other editors.
void VerticalTextEdit::typeText(const QString& text)
{
    if (m_typingRun)
        m_cursor.joinPreviousEditBlock();
    else
        m_cursor.beginEditBlock();
    m_cursor.insertText(text);
    m_cursor.endEditBlock();
    m_typingRun = true;
    m_desiredU = -1;
    afterCursorChange();
}

// QTextCursor measures the caret on Qt's own line layout after every move and edit,
// itemizing the whole paragraph each time (slow in a long one); inside an edit
// block it does not. An empty edit block also closes the typing run for undo.
void VerticalTextEdit::placeCursor(int anchor, int position)
{
    m_cursor.beginEditBlock();
    m_cursor.setPosition(anchor);
    if (position != anchor)
        m_cursor.setPosition(position, QTextCursor::KeepAnchor);
    m_cursor.endEditBlock();
    m_typingRun = false;
    m_caretAtLineEnd = false;
}

void VerticalTextEdit::setContextMenuHandler(std::function<void(QPoint)> handler)
{
    m_contextMenuHandler = std::move(handler);
}

// --- Layout bookkeeping ---------------------------------------------------------

// Repaints only what moved: the changed paragraph from the line before the change
// (kinsoku may pull a character back), or everything after it when lines were
// added or removed.
void VerticalTextEdit::onContentsChange(int pos, int removed, int added)
{
    const int linesBefore = m_layout->totalLines();
    m_caretAtLineEnd = false;
    shiftWavyMarks(pos, removed, added);
    m_layout->documentChanged(pos, removed, added);
    if (m_ime.composing())
        m_layout->setPreedit(m_cursor.position(), m_ime.preedit());
    updateScrollBars();
    scheduleIdle();
    const int from = std::max(0, m_layout->placeOf(pos).line - 1);
    int to = std::numeric_limits<int>::max();
    if (m_layout->totalLines() == linesBefore) {
        const int block = m_layout->blockOf(std::min(pos + added, m_doc->characterCount() - 1));
        to = m_layout->firstLineOf(block + 1) - 1;
    }
    updateLines(from, to);
}

void VerticalTextEdit::updateLines(int from, int to)
{
    const QRectF first = lineRect(from);
    QRectF area;
    if (m_vertical) {
        const qreal left = to == std::numeric_limits<int>::max() ? 0 : lineRect(to).left();
        area = QRectF(QPointF(left, 0), QPointF(first.right() + 1, viewport()->height()));
    } else {
        const qreal bottom = to == std::numeric_limits<int>::max() ? viewport()->height() : lineRect(to).bottom();
        area = QRectF(QPointF(0, first.top() - 1), QPointF(viewport()->width(), bottom + 1));
    }
    const QRect r = area.toAlignedRect().intersected(viewport()->rect());
    if (!r.isEmpty())
        viewport()->update(r);
}

int VerticalTextEdit::lineAtViewport(qreal coordinate) const
{
    return viewGeometry().lineAt(coordinate);
}

void VerticalTextEdit::scheduleIdle()
{
    if (!m_layout->isComplete() && !m_idle.isActive())
        m_idle.start();
}

// Lays out the paragraphs nobody looks at yet, a slice at a time, keeping the first
// visible paragraph where it is while estimates above it become exact.
void VerticalTextEdit::idleLayout()
{
    const auto [value, more] = scrollModel().layoutSlice(scrollValue());
    updateScrollBars();
    setScrollValue(value);
    if (more)
        m_idle.start();
}

int VerticalTextEdit::margin() const
{
    return scrollModel().margin();
}

int VerticalTextEdit::inlineStart() const
{
    return scrollModel().inlineStart();
}

int VerticalTextEdit::progressionExtent() const
{
    return m_vertical ? viewport()->width() : viewport()->height();
}

void VerticalTextEdit::updateGeometryModel()
{
    const int inlineExtent = m_vertical ? viewport()->height() : viewport()->width();
    m_layout->setLineLength(inlineExtent - inlineStart() - scrollModel().inlineEnd());
    updateScrollBars();
}

void VerticalTextEdit::updateScrollBars()
{
    const int content = scrollModel().contentExtent();
    const int extent = progressionExtent();
    QScrollBar* bar = m_vertical ? horizontalScrollBar() : verticalScrollBar();
    bar->setRange(0, std::max(0, content - extent));
    bar->setPageStep(extent);
    bar->setSingleStep(int(m_layout->pitch()));
}

int VerticalTextEdit::scrollValue() const
{
    return (m_vertical ? horizontalScrollBar() : verticalScrollBar())->value();
}

void VerticalTextEdit::setScrollValue(int value)
{
    (m_vertical ? horizontalScrollBar() : verticalScrollBar())->setValue(value);
}

penwick::ViewGeometry VerticalTextEdit::viewGeometry() const
{
    penwick::ViewGeometry g;
    g.vertical = m_vertical;
    g.viewport = viewport()->size();
    g.scroll = scrollValue();
    g.em = m_layout->em();
    g.pitch = m_layout->pitch();
    g.emTop = m_layout->shaper().emBoxTop();
    g.margin = margin();
    g.inlineStart = inlineStart();
    return g;
}

QRectF VerticalTextEdit::lineRect(int globalLine) const
{
    return viewGeometry().lineRect(globalLine);
}

void VerticalTextEdit::layoutVisible() const
{
    scrollModel().layoutVisible(scrollValue(), progressionExtent());
}

// --- Geometry -----------------------------------------------------------------------

QRect VerticalTextEdit::cellRect(int position) const
{
    const auto place = m_layout->placeOf(std::clamp(position, 0, m_doc->characterCount() - 1));
    return viewGeometry().cellRect(place.line, place.u, place.advance).toRect();
}

penwick::CaretNavigator::Caret VerticalTextEdit::caretAt(const QPoint& point) const
{
    const int line = lineAtViewport(m_vertical ? point.x() : point.y());
    const qreal u = (m_vertical ? point.y() : point.x()) - inlineStart();
    if (line < 0)
        return {0};
    if (line >= m_layout->totalLines())
        return {m_doc->characterCount() - 1};
    penwick::CaretNavigator::Caret caret;
    caret.position = m_layout->hitTest(line, float(u), &caret.lineEnd);
    return caret;
}

QRectF VerticalTextEdit::caretRectAtDisplay(int block, int display, bool lineEnd) const
{
    const auto place = m_layout->placeOfDisplay(block, display, lineEnd);
    return viewGeometry().caretRect(place.line, place.u);
}

QRect VerticalTextEdit::caretRect() const
{
    if (m_ime.composing() && m_layout->preeditBlock() >= 0)
        return caretRectAtDisplay(m_layout->preeditBlock(), m_layout->preeditLocal() + m_ime.cursor())
            .toAlignedRect();
    const int block = m_layout->blockOf(m_cursor.position());
    const int local = m_cursor.position() - m_layout->blockPosition(block);
    return caretRectAtDisplay(block, m_layout->toDisplay(block, local), m_caretAtLineEnd).toAlignedRect();
}

QRect VerticalTextEdit::anchorRect() const
{
    const int block = m_layout->blockOf(m_cursor.anchor());
    const int local = m_cursor.anchor() - m_layout->blockPosition(block);
    return caretRectAtDisplay(block, m_layout->toDisplay(block, local)).toAlignedRect();
}

void VerticalTextEdit::ensureCaretVisible()
{
    const auto place = m_layout->placeOf(m_cursor.position(), m_caretAtLineEnd);
    updateScrollBars();
    setScrollValue(scrollModel().valueShowing(place.line, scrollValue(), progressionExtent()));
}

QList<VerticalTextEdit::GlyphInfo> VerticalTextEdit::glyphsAt(int position) const
{
    QList<GlyphInfo> out;
    const int block = m_layout->blockOf(position);
    const int display = m_layout->toDisplay(block, position - m_layout->blockPosition(block));
    const ParaLayout& p = m_layout->paragraphThrough(block, display);
    const int k = p.cellAt(display);
    if (k >= p.cellCount())
        return out;
    const Cell& c = p.cell(k);
    const auto& seg = p.segmentOfCell(k);
    const penwick::ViewGeometry view = viewGeometry();
    const QRectF line = view.lineRect(m_layout->firstLineOf(block) + c.line);
    for (int g = c.firstGlyph; g < c.firstGlyph + c.glyphCount; ++g) {
        const ShapedGlyph& sg = seg.glyphs[size_t(g)];
        GlyphInfo info;
        info.glyph = sg.id;
        info.rotated = sg.rotated;
        info.font = m_layout->shaper().rawFont(sg.font);
        const QRectF bounds = info.font.boundingRect(sg.id);
        if (sg.rotated)
            info.ink = view.rotatedFrame(line).mapRect(bounds.translated(penwick::ViewGeometry::rotatedOrigin(c, sg)));
        else
            info.ink = penwick::ViewGeometry::squeezedFrame(line, sg.width).mapRect(bounds.translated(view.glyphOrigin(line, c, sg)));
        out.append(info);
    }
    return out;
}

// --- Painting -------------------------------------------------------------------------

void VerticalTextEdit::paintEvent(QPaintEvent* event)
{
    layoutVisible();
    QPainter painter(viewport());
    const QPalette& pal = palette();
    penwick::GlyphPainter::Marks marks;
    marks.selectionStart = m_cursor.selectionStart();
    marks.selectionEnd = m_cursor.selectionEnd();
    marks.preeditFocus = m_ime.focus();
    marks.text = pal.text().color();
    marks.highlightedText = pal.highlightedText().color();
    marks.highlight = pal.highlight();
    marks.ruby = m_rubyShown;
    marks.notation = pal.color(QPalette::PlaceholderText);
    m_painter->paint(painter, *m_layout, viewGeometry(), event->rect(), marks);
    paintWavyMarks(painter, event->rect());
    m_paintedCaret = QRect();
    if (hasFocus() && (!m_ime.composing() || m_ime.cursorVisible())) {
        m_paintedCaret = caretRect();
        if (m_caretOn)
            painter.fillRect(m_paintedCaret, pal.text());
    }
}

// --- Events ---------------------------------------------------------------------------

void VerticalTextEdit::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateGeometryModel();
    viewport()->update();
}

void VerticalTextEdit::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_layout) {
        if (!m_zooming) { // a font set from outside is the new 100 %
            m_baseFont = font();
            m_zoom = 100;
        }
        m_layout->setFont(font());
        updateGeometryModel();
        scheduleIdle();
        viewport()->update();
    }
}

// The editor's own keys must reach it even when the application has shortcuts on them.
bool VerticalTextEdit::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (showWavyTip(viewport()->mapFrom(this, help->pos()), help->globalPos()))
            return true;
    }
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        static const QKeySequence::StandardKey own[] = {QKeySequence::Undo, QKeySequence::Redo,
            QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll};
        const bool plain = !(key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
        const bool editing = (key->key() >= Qt::Key_Backspace && key->key() <= Qt::Key_PageDown)
            || (!key->text().isEmpty() && key->text().front().isPrint());
        if ((plain && editing) || zoomForKey(*key)
            || std::any_of(std::begin(own), std::end(own), [&](auto k) { return key->matches(k); })) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void VerticalTextEdit::restartBlink()
{
    m_caretOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void VerticalTextEdit::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_dragScroll.timerId()) {
        // Selecting past the view's edge scrolls on, a line at a time.
        const QRect view = viewport()->rect();
        const int towardsEnd = m_vertical ? (m_dragPoint.x() < view.left() ? 1 : m_dragPoint.x() > view.right() ? -1 : 0)
                                          : (m_dragPoint.y() > view.bottom() ? 1 : m_dragPoint.y() < view.top() ? -1 : 0);
        setScrollValue(scrollValue() + towardsEnd * int(m_layout->pitch()));
        const QPoint inside(std::clamp(m_dragPoint.x(), view.left(), view.right()),
                            std::clamp(m_dragPoint.y(), view.top(), view.bottom()));
        placeCursor(m_cursor.anchor(), caretAt(inside).position);
        viewport()->update();
        return;
    }
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    viewport()->update(m_paintedCaret.isNull() ? caretRect() : m_paintedCaret);
}

void VerticalTextEdit::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void VerticalTextEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

void VerticalTextEdit::scrollContentsBy(int, int)
{
    viewport()->update();
    QApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle);
}

void VerticalTextEdit::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->pixelDelta().y();
        if (steps != 0)
            setZoom(nextZoomStep(steps > 0 ? 1 : -1));
        event->accept();
        return;
    }
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    int delta;
    if (!pixels.isNull())
        delta = pixels.y() != 0 ? pixels.y() : pixels.x();
    else
        delta = int((angle.y() != 0 ? angle.y() : angle.x()) * 3 * m_layout->pitch() / 120);
    // Rolling the wheel towards the user reads on: leftwards when vertical.
    setScrollValue(scrollValue() - delta);
    event->accept();
}

void VerticalTextEdit::moveCursor(penwick::CaretNavigator::Caret caret, bool keepAnchor, bool keepDesiredU)
{
    const int to = std::clamp(caret.position, 0, m_doc->characterCount() - 1);
    placeCursor(keepAnchor ? m_cursor.anchor() : to, to);
    m_caretAtLineEnd = caret.lineEnd && to == caret.position;
    if (!keepDesiredU)
        m_desiredU = -1;
    afterCursorChange();
}

penwick::ScrollModel VerticalTextEdit::scrollModel() const
{
    return penwick::ScrollModel(*m_layout);
}

penwick::CaretNavigator VerticalTextEdit::navigator() const
{
    return penwick::CaretNavigator(*m_layout, *m_doc);
}

void VerticalTextEdit::afterCursorChange()
{
    // The composition is shown at the caret, wherever the caret went.
    if (m_ime.composing()) {
        const int pos = m_cursor.position();
        const int block = m_layout->blockOf(pos);
        if (block != m_layout->preeditBlock() || pos - m_layout->blockPosition(block) != m_layout->preeditLocal()) {
            m_layout->setPreedit(pos, m_ime.preedit());
            viewport()->update();
        }
    }
    ensureCaretVisible();
    if (hasFocus())
        restartBlink(); // the caret shows steadily while it moves
    if (m_cursor.hasSelection() || m_lastAnchor != m_lastPosition) {
        viewport()->update();
    } else {
        viewport()->update(m_paintedCaret.adjusted(-2, -2, 2, 2));
        viewport()->update(caretRect().adjusted(-2, -2, 2, 2));
    }
    if (m_cursor.anchor() != m_lastAnchor || m_cursor.position() != m_lastPosition) {
        m_lastAnchor = m_cursor.anchor();
        m_lastPosition = m_cursor.position();
        emit selectionChanged();
    }
    QApplication::inputMethod()->update(Qt::ImQueryInput);
}

void VerticalTextEdit::keyPressEvent(QKeyEvent* e)
{
    if (e == QKeySequence::Undo) { undo(); return; }
    if (e == QKeySequence::Redo) { redo(); return; }
    if (e == QKeySequence::Copy) { copy(); return; }
    if (e == QKeySequence::Cut) { cut(); return; }
    if (e == QKeySequence::Paste) { paste(); return; }
    if (e == QKeySequence::SelectAll) { selectAll(); return; }
    if (const auto zoom = zoomForKey(*e)) { setZoom(*zoom); return; }

    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int pos = m_cursor.position();
    const int key = e->key();
    const auto move = penwick::CaretNavigator::moveFor(key, e->modifiers(), m_vertical);

    if (move != penwick::CaretNavigator::Move::None) {
        const int linesPerPage = std::max(1, int(progressionExtent() / m_layout->pitch()) - 1);
        // Only line moves read the kept offset; moveCursor forgets it after any other.
        moveCursor(navigator().target(move, {pos, m_caretAtLineEnd}, &m_desiredU, linesPerPage), shift,
                   penwick::CaretNavigator::keepsOffset(move));
    } else if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        m_cursor.beginEditBlock();
        if (!m_cursor.hasSelection()) {
            const int other = navigator().deletionEnd(key == Qt::Key_Backspace, pos);
            m_cursor.setPosition(other, QTextCursor::KeepAnchor);
        }
        m_cursor.removeSelectedText();
        m_cursor.endEditBlock();
        m_typingRun = false;
        m_desiredU = -1;
        afterCursorChange();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        replaceSelection(QStringLiteral("\n"));
    } else if (key == Qt::Key_Alt) {
        finishComposition(); // the menu key that may follow must reach the menus, not the input method
        QAbstractScrollArea::keyPressEvent(e);
        return;
    } else if ((e->modifiers() & Qt::AltModifier) && !ctrl) {
        // An Alt key that reached the editor (as an input method's forwarded key does,
        // past the window's shortcuts) is a menu key, never text.
        if (!openMenuByMnemonic(*e))
            QAbstractScrollArea::keyPressEvent(e);
        return;
    } else {
        const QString text = e->text();
        // Whole code points: a character beyond the BMP (𠮷, an emoji) comes as a surrogate
        // pair, neither half of which is printable on its own.
        const QList<uint> points = text.toUcs4();
        const bool printable = !text.isEmpty() && text.isValidUtf16() && !(ctrl && !(e->modifiers() & Qt::AltModifier))
            && std::all_of(points.begin(), points.end(), [](uint c) { return QChar::isPrint(char32_t(c)) || c == '\t'; });
        if (!printable) {
            QAbstractScrollArea::keyPressEvent(e);
            return;
        }
        typeText(text);
    }
    e->accept();
}

void VerticalTextEdit::keyReleaseEvent(QKeyEvent* e)
{
    emit keyReleased(e->key());
    QAbstractScrollArea::keyReleaseEvent(e);
}

void VerticalTextEdit::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        // The application builds the menu; the selection stays as it is.
        const QPoint global = e->globalPosition().toPoint();
        emit contextMenuRequested(global);
        if (m_contextMenuHandler)
            m_contextMenuHandler(global);
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    finishComposition();
    moveCursor(caretAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
}

void VerticalTextEdit::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = e->position().toPoint();
    moveCursor(caretAt(m_dragPoint), true);
    if (viewport()->rect().contains(m_dragPoint))
        m_dragScroll.stop();
    else if (!m_dragScroll.isActive())
        m_dragScroll.start(50, this);
}

void VerticalTextEdit::mouseReleaseEvent(QMouseEvent* e)
{
    m_dragScroll.stop();
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void VerticalTextEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        selectWordAt(caretAt(e->position().toPoint()).position);
}

void VerticalTextEdit::contextMenuEvent(QContextMenuEvent* e)
{
    // Mouse requests were answered on the button press.
    if (e->reason() == QContextMenuEvent::Keyboard) {
        const QPoint global = viewport()->mapToGlobal(caretRect().center());
        emit contextMenuRequested(global);
        if (m_contextMenuHandler)
            m_contextMenuHandler(global);
    }
    e->accept();
}

void VerticalTextEdit::selectWordAt(int position)
{
    const auto [start, end] = penwick::CaretNavigator::wordAt(*m_doc, position);
    if (start == end)
        return;
    placeCursor(start, end);
    m_desiredU = -1;
    afterCursorChange();
}
