// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plain-text editor that writes top to bottom in columns running right to left
// (縦書き), or in ordinary horizontal lines. Qt's text widgets cannot lay text out
// vertically, so layout, painting, caret movement and input-method support are our
// own; the text, undo history and modified flag live in a QTextDocument.

#include "CaretNavigator.h"
#include "InputMethodState.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QRawFont>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QTextDocument;

namespace penwick {
class ScrollModel;
class GlyphPainter;
class VerticalLayout;
struct ViewGeometry;
}

class VerticalTextEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    // With a text buffer of its own.
    explicit VerticalTextEdit(QWidget* parent = nullptr);
    // Showing document, which the caller keeps (and keeps for this editor alone: the
    // editor lays it out itself). The buffer works without any view, as tests use it.
    VerticalTextEdit(QTextDocument* document, QWidget* parent);
    ~VerticalTextEdit() override;

    QString toPlainText() const;
    void setPlainText(const QString& text); // clears the undo history and the modified flag
    bool isModified() const;
    void setModified(bool modified);
    bool isVertical() const;
    void setVertical(bool vertical);
    // 縦中横: runs of 2 to `digits` half-width digits (and !? !! ??) upright in one cell; 0: off.
    void setTateChuYoko(int digits);
    int tateChuYoko() const;
    // The gap between columns (lines), in ems.
    void setColumnGap(qreal ems);
    // The novel sites' ruby notation shown as ruby (its marks small and grey); on by default.
    void setRubyShown(bool shown);
    bool rubyShown() const { return m_rubyShown; }
    // Zoom, in percent of the font set last: Ctrl+wheel and Ctrl++ / Ctrl+- step through
    // zoomSteps(), Ctrl+0 returns to 100.
    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    static const QList<int>& zoomSteps();

    void selection(int* start, int* end) const;
    void setSelection(int start, int end);   // end < 0: to the end of the text
    void replaceSelection(const QString& text);
    bool canUndo() const;
    bool canPaste() const;
    void ensureCaretVisible();
    QTextDocument* document() const { return m_doc; }

    QRect cellRect(int position) const;

    // Proofreading marks: a wavy line beside each span (right of the column in vertical
    // text, under the line in horizontal text) with its message on hover. They never change
    // the text or move the caret; an edit shifts those after it and drops those it touches
    // until new ones come.
    struct WavyMark {
        int start = 0, length = 0;
        QString message;
    };
    void setWavyMarks(QList<WavyMark> marks);
    const QList<WavyMark>& wavyMarks() const { return m_wavy; }
    static QColor wavyColor();
    void setContextMenuHandler(std::function<void(QPoint globalPos)> handler);

    // What is drawn for the character at a position; for tests and diagnostics.
    struct GlyphInfo {
        quint32 glyph = 0;
        bool rotated = false;
        QRectF ink; // inked bounds in viewport coordinates
        QRawFont font;
    };
    QList<GlyphInfo> glyphsAt(int position) const;
    qreal lineLength() const;
    bool isLayoutComplete() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();

signals:
    void textChanged();
    void selectionChanged();
    void modificationChanged(bool modified);
    void keyReleased(int key);
    void contextMenuRequested(QPoint globalPos);
    void zoomChanged(int percent);

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onContentsChange(int pos, int removed, int added);
    void shiftWavyMarks(int pos, int removed, int added);
    void paintWavyMarks(QPainter& painter, const QRect& dirty) const;
    bool showWavyTip(const QPoint& point, const QPoint& globalPoint);
    void idleLayout();
    void scheduleIdle();
    void updateGeometryModel();
    void updateScrollBars();
    int scrollValue() const;
    void setScrollValue(int value);
    int progressionExtent() const;
    int margin() const;
    int inlineStart() const;
    penwick::ViewGeometry viewGeometry() const;
    QRectF lineRect(int globalLine) const;
    QRectF caretRectAtDisplay(int block, int display, bool lineEnd = false) const;
    QRect caretRect() const;
    QRect compositionRect() const;
    void finishComposition();
    bool isEchoOfFinishedComposition(const QInputMethodEvent& e);
    bool openMenuByMnemonic(const QKeyEvent& e);
    std::optional<int> zoomForKey(const QKeyEvent& e) const;
    int nextZoomStep(int direction) const;
    static QString plain(QString text);
    penwick::CaretNavigator::Caret caretAt(const QPoint& point) const;
    QRect anchorRect() const;
    void layoutVisible() const;
    int lineAtViewport(qreal coordinate) const;
    void updateLines(int from, int to);
    void moveCursor(penwick::CaretNavigator::Caret to, bool keepAnchor, bool keepDesiredU = false);
    void typeText(const QString& text);
    void placeCursor(int anchor, int position);
    void afterCursorChange();
    void restartBlink();
    void selectWordAt(int position);
    penwick::CaretNavigator navigator() const;
    penwick::ScrollModel scrollModel() const;

    QTextDocument* m_doc;
    QTextCursor m_cursor;
    std::unique_ptr<penwick::VerticalLayout> m_layout;
    std::unique_ptr<penwick::GlyphPainter> m_painter;
    bool m_vertical = true;
    int m_savedScroll[2] = {0, 0};
    qreal m_desiredU = -1;
    bool m_caretAtLineEnd = false;
    QFont m_baseFont;           // the font at zoom 100
    int m_zoom = 100;
    bool m_zooming = false;
    bool m_rubyShown = true; // at a wrap point: shown at the end of the line before
    bool m_typingRun = false;
    penwick::InputMethodState m_ime;
    QString m_finishedComposition; // committed by finishComposition: the input method may echo it
    QElapsedTimer m_finishedAt;
    QTimer m_idle;
    int m_lastAnchor = 0, m_lastPosition = 0;
    QRect m_paintedCaret;
    QBasicTimer m_blink;
    QBasicTimer m_dragScroll; // while a drag selection is held beyond the view
    QPoint m_dragPoint;
    bool m_caretOn = true;
    std::function<void(QPoint)> m_contextMenuHandler;
    QList<WavyMark> m_wavy;   // by start
};
