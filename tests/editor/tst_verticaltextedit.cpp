// SPDX-License-Identifier: GPL-3.0-or-later
// The editor seen from outside: where characters land, how they are drawn, how the
// caret follows clicks, keys and input methods, and that toggling the direction
// loses nothing.
#include "VerticalTextEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QWheelEvent>

class TestVerticalTextEdit : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void columnsRunRightToLeft();
    void lineBreaksKeepEveryCellInView();
    void glyphForms_data();
    void glyphForms();
    void tateChuYokoSetsDigitsUpright();
    void zoomAndColumnGap();
    void rubyNotationIsShownAsRuby();
    void clustersTakeOneCell();
    void onlySelectedTextIsHighlighted();
    void keysBeyondTheBmpAreTyped();
    void missingCharactersFallBack();
    void commitIsItsOwnUndoStep();
    void paintedInkMatchesTheGlyphs();
    void toggleKeepsEverything();
    void editsLayOutLikeAFreshText();
    void longParagraphsLayOutInChunks();
    void clickPicksTheNearerEdge_data();
    void clickPicksTheNearerEdge();
    void arrowKeys_data();
    void arrowKeys();
    void endOfAWrappedLine();
    void preeditAndCommit();
    void candidateListKeepsClearOfTheComposition();
    void clickDuringCompositionCommitsOnce();
    void altKeysNeverType();
    void editingCommands();
    void rightClickKeepsSelection();
    void editingKeysWinOverShortcuts();
    void doubleClickSelectsAWord();
    void controlsTakeNoRoom();
    void opensAtTheStartAndScrollsToTheCaret();

private:
    void show(const QString& text);
    VerticalTextEdit* m_edit = nullptr;
};

void TestVerticalTextEdit::init()
{
    m_edit = new VerticalTextEdit;
    QFont f = m_edit->font();
    f.setPixelSize(24);
    m_edit->setFont(f);
    m_edit->resize(600, 400);
}

void TestVerticalTextEdit::cleanup()
{
    delete m_edit;
    m_edit = nullptr;
}

void TestVerticalTextEdit::show(const QString& text)
{
    m_edit->setPlainText(text);
    m_edit->show();
    m_edit->activateWindow();
    m_edit->setFocus();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit));
}

void TestVerticalTextEdit::columnsRunRightToLeft()
{
    show(QStringLiteral("あいう\nえお"));
    const QRect a = m_edit->cellRect(0), b = m_edit->cellRect(1), c = m_edit->cellRect(2);
    QCOMPARE(b.x(), a.x());
    QCOMPARE(c.x(), a.x());
    QVERIFY(b.y() > a.y());
    QVERIFY(c.y() > b.y());
    QVERIFY(a.right() > m_edit->viewport()->width() / 2); // opens at the right
    const QRect e = m_edit->cellRect(4);
    QVERIFY(e.x() < a.x());
    QCOMPARE(e.y(), a.y());

    const int n = int(m_edit->lineLength() / a.height());
    QVERIFY(n > 3);
    show(QString(n + 1, QChar(u'あ')));
    QCOMPARE(m_edit->cellRect(n - 1).x(), m_edit->cellRect(0).x());
    QVERIFY(m_edit->cellRect(n).x() < m_edit->cellRect(0).x());
    QCOMPARE(m_edit->cellRect(n).y(), m_edit->cellRect(0).y());
}

// Columns break where Japanese line breaking allows; 、。 alone hang, into room the view
// keeps, and no other mark follows them there: every cell is drawn inside the view.
void TestVerticalTextEdit::lineBreaksKeepEveryCellInView()
{
    show(QStringLiteral("あ"));
    const QRect first = m_edit->cellRect(0);
    const int n = int(m_edit->lineLength() / first.height());
    const QString full(n, QChar(u'あ'));
    const auto column = [&](int i) { return m_edit->cellRect(i).x(); };
    const auto atTop = [&](int i) { return m_edit->cellRect(i).y() == first.y(); };

    show(full + QStringLiteral("。い")); // 。 hangs below the full column
    QCOMPARE(column(n), column(0));
    QVERIFY(m_edit->cellRect(n).y() > m_edit->cellRect(n - 1).y());
    QVERIFY(column(n + 1) < column(0) && atTop(n + 1));
    for (const QString& marks : {QStringLiteral("。」"), QStringLiteral("！？"), QStringLiteral("、、"),
                                 QStringLiteral("」」"), QStringLiteral("〜"), QStringLiteral("！")}) {
        show(full + marks + QStringLiteral("い"));
        // The marks may not start a column: the last あ goes with them.
        QVERIFY2(column(n - 1) < column(0) && atTop(n - 1), qPrintable(marks));
        m_edit->clearFocus();
        const QImage image = m_edit->viewport()->grab().toImage();
        for (int i = 0; i < n + marks.size() + 1; ++i)
            QVERIFY2(m_edit->viewport()->rect().contains(m_edit->cellRect(i)), qPrintable(marks));
        // No ink below the room for one hanging cell.
        const int foot = first.y() + int(m_edit->lineLength()) + first.height();
        for (int y = foot + 1; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY2(qGray(image.pixel(x, y)) > 128, qPrintable(marks));
    }
    // Small kana and ー may start a column.
    show(full + QStringLiteral("ッ"));
    QVERIFY(column(n) < column(0) && atTop(n));
    show(full + QStringLiteral("ー"));
    QVERIFY(column(n) < column(0) && atTop(n));
    // 「 never ends a column: it opens the next one with its word.
    show(QString(n - 1, QChar(u'あ')) + QStringLiteral("「い」"));
    QVERIFY(column(n - 1) < column(0) && atTop(n - 1));
    // Also where a long paragraph is shaped in pieces and a piece starts with 」.
    const int k = (48 + n) / n;
    show(QString(k * n - 1, QChar(u'あ')) + QStringLiteral("」」い"));
    QVERIFY(atTop(k * n - 2));
    // A line separator inside a paragraph ends the column.
    show(QStringLiteral("あ\u2028い"));
    QVERIFY(column(2) < column(0) && atTop(2));
}

void TestVerticalTextEdit::glyphForms_data()
{
    QTest::addColumn<QString>("ch");
    QTest::addColumn<QString>("expect");
    QTest::newRow("。") << QStringLiteral("。") << "upper-right";
    QTest::newRow("、") << QStringLiteral("、") << "upper-right";
    QTest::newRow("「") << QStringLiteral("「") << "wide";
    QTest::newRow("」") << QStringLiteral("」") << "wide";
    QTest::newRow("（") << QStringLiteral("（") << "wide";
    QTest::newRow("）") << QStringLiteral("）") << "wide";
    QTest::newRow("ー") << QStringLiteral("ー") << "tall";
    QTest::newRow("A") << QStringLiteral("A") << "rotated";
    QTest::newRow("C") << QStringLiteral("C") << "rotated";
    QTest::newRow("1") << QStringLiteral("1") << "rotated";
    QTest::newRow("3") << QStringLiteral("3") << "rotated";
    QTest::newRow("Ａ") << QStringLiteral("Ａ") << "upright";
    QTest::newRow("Ｃ") << QStringLiteral("Ｃ") << "upright";
    QTest::newRow("あ") << QStringLiteral("あ") << "upright";
}

void TestVerticalTextEdit::glyphForms()
{
    QFETCH(QString, ch);
    QFETCH(QString, expect);
    show(QStringLiteral("あ") + ch + QStringLiteral("い"));
    const auto glyphs = m_edit->glyphsAt(1);
    QCOMPARE(glyphs.size(), 1);
    const auto g = glyphs.first();
    QVERIFY(g.glyph != 0);
    const QRectF ink = g.ink;
    const QRectF cell = m_edit->cellRect(1);
    if (expect == "upper-right") {
        QVERIFY2(ink.center().x() > cell.center().x() && ink.center().y() < cell.center().y(),
                 qPrintable(QStringLiteral("ink %1,%2 cell %3,%4").arg(ink.center().x()).arg(ink.center().y())
                                .arg(cell.center().x()).arg(cell.center().y())));
    } else if (expect == "wide") {
        QVERIFY(ink.width() > ink.height());
    } else if (expect == "tall") {
        QVERIFY(ink.height() > ink.width());
    } else {
        QCOMPARE(g.rotated, expect == "rotated");
    }
    // Whatever its form, the ink stays within the column.
    const QRect column = m_edit->cellRect(0);
    QVERIFY(ink.left() >= column.left() - 2 && ink.right() <= column.right() + 2);
}

// The pixels drawn, not only the computed glyph boxes: 。 upper right, 「 turned,
// A turned inside its column.
void TestVerticalTextEdit::paintedInkMatchesTheGlyphs()
{
    show(QStringLiteral("あ。「A"));
    m_edit->setSelection(0, 0);
    m_edit->clearFocus(); // no caret in the picture
    const QImage image = m_edit->viewport()->grab().toImage();
    auto inkIn = [&](const QRect& cell) {
        QRect ink;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left() - 4; x <= cell.right() + 4; ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ink |= QRect(x, y, 1, 1);
        return ink;
    };
    for (int p = 1; p <= 3; ++p) {
        const QRect painted = inkIn(m_edit->cellRect(p));
        const QRect computed = m_edit->glyphsAt(p).first().ink.toAlignedRect();
        QVERIFY2(computed.adjusted(-2, -2, 2, 2).contains(painted),
                 qPrintable(QStringLiteral("%1: painted %2,%3 %4x%5").arg(p).arg(painted.x()).arg(painted.y())
                                .arg(painted.width()).arg(painted.height())));
        QVERIFY(painted.width() * painted.height() > 0);
    }
    const QRect cell = m_edit->cellRect(1);
    QVERIFY(inkIn(cell).center().x() > cell.center().x());
    QVERIFY(inkIn(cell).center().y() < cell.center().y());
    QVERIFY(inkIn(m_edit->cellRect(2)).width() > inkIn(m_edit->cellRect(2)).height());
    QVERIFY(inkIn(m_edit->cellRect(3)).width() > inkIn(m_edit->cellRect(3)).height());
}

// Nothing looks selected unless text is: with a caret (or a selection) in the last paragraph,
// the ends of the paragraphs before it show no highlight; a selection across a paragraph end
// shows one.
void TestVerticalTextEdit::onlySelectedTextIsHighlighted()
{
    show(QStringLiteral("一行目\n二行目\n三行目"));
    QPalette pal = m_edit->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        pal.setColor(g, QPalette::Highlight, QColor(255, 0, 0));
    m_edit->setPalette(pal);
    const auto highlighted = [&] {
        m_edit->viewport()->repaint();
        const QImage image = m_edit->viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(255, 0, 0);
        return n;
    };
    m_edit->setSelection(10, 10);   // the end of the last paragraph
    QCOMPARE(highlighted(), 0);
    m_edit->setSelection(8, 10);    // inside the last paragraph
    const int inside = highlighted();
    QVERIFY(inside > 0);
    m_edit->setSelection(2, 5);     // across the first paragraph's end
    QVERIFY(highlighted() > inside);
}

// 縦中横: two half-width digits (or !?) stand upright side by side in one cell; the text
// is unchanged and the caret steps through the digits; longer runs only when allowed.
void TestVerticalTextEdit::tateChuYokoSetsDigitsUpright()
{
    show(QStringLiteral("第12話!?。"));
    const QRect box1 = m_edit->cellRect(1), box2 = m_edit->cellRect(2), after = m_edit->cellRect(3);
    const int em = m_edit->cellRect(0).height();
    QCOMPARE(box1.x(), m_edit->cellRect(0).x());
    QVERIFY(qAbs(box2.bottom() + 1 - (box1.y() + em)) <= 1); // the two digits share one em cell
    QVERIFY(qAbs(after.y() - (box1.y() + em)) <= 1);
    const auto ink1 = m_edit->glyphsAt(1), ink2 = m_edit->glyphsAt(2);
    QVERIFY(!ink1.first().rotated && !ink2.first().rotated);
    QVERIFY(ink1.first().ink.right() <= ink2.first().ink.left() + 1);          // side by side
    QVERIFY(qAbs(ink1.first().ink.center().y() - ink2.first().ink.center().y()) < 2);
    QVERIFY(ink1.first().ink.left() >= box1.left() && ink2.first().ink.right() <= box1.right() + 1);
    QVERIFY(ink1.first().ink.top() >= box1.top() && ink1.first().ink.bottom() <= box1.top() + em);
    QVERIFY(!m_edit->glyphsAt(4).first().rotated); // !?
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("第12話!?。"));

    // On the screen: the cell's ink is wider than tall (turned sideways it would be taller).
    m_edit->clearFocus();
    const QImage image = m_edit->viewport()->grab().toImage();
    QRect ink;
    for (int y = box1.top(); y < box1.top() + em; ++y)
        for (int x = box1.left() - 4; x <= box1.right() + 4; ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    QVERIFY(ink.width() > ink.height());

    // The caret steps through the digits, down the cell.
    m_edit->setFocus();
    m_edit->setSelection(1, 1);
    const auto caretY = [&] { return m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().top(); };
    const int y1 = caretY();
    QTest::keyClick(m_edit, Qt::Key_Down);
    QCOMPARE(m_edit->inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    QVERIFY(caretY() > y1 && caretY() < y1 + em);

    // Three digits, a letter before them, or !!! stay turned; four digits when allowed.
    show(QStringLiteral("第123話A12!!!"));
    for (int pos : {1, 6, 8})
        QVERIFY2(m_edit->glyphsAt(pos).first().rotated, qPrintable(QString::number(pos)));
    m_edit->setTateChuYoko(4);
    QVERIFY(!m_edit->glyphsAt(1).first().rotated);
    QVERIFY(m_edit->glyphsAt(3).first().ink.right() <= m_edit->cellRect(1).right() + 1);
    QVERIFY(m_edit->glyphsAt(1).first().ink.left() >= m_edit->cellRect(1).left() - 1);
    m_edit->setTateChuYoko(0);
    show(QStringLiteral("第12話"));
    QVERIFY(m_edit->glyphsAt(1).first().rotated);
    m_edit->setTateChuYoko(2);
    m_edit->setVertical(false);     // horizontal lines have no 縦中横
    QVERIFY(m_edit->cellRect(2).x() > m_edit->cellRect(1).right() - 1);
}

// Ctrl+wheel and Ctrl++ / Ctrl+- step the zoom, Ctrl+0 returns to the font set; the gap
// between columns is the writer's.
void TestVerticalTextEdit::zoomAndColumnGap()
{
    show(QStringLiteral("あい\nう"));
    const QRect before = m_edit->cellRect(0);
    QSignalSpy zoomed(m_edit, &VerticalTextEdit::zoomChanged);
    QTest::keyClick(m_edit, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(m_edit->zoom(), 110);
    QTest::keyClick(m_edit, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(m_edit->zoom(), 125);
    QVERIFY(m_edit->cellRect(0).height() > before.height());
    QWheelEvent wheel(QPointF(10, 10), m_edit->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_edit->viewport(), &wheel);
    QCOMPARE(m_edit->zoom(), 110);
    QTest::keyClick(m_edit, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(m_edit, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_edit->zoom(), 90);
    QVERIFY(m_edit->cellRect(0).height() < before.height());
    QTest::keyClick(m_edit, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(m_edit->zoom(), 100);
    QCOMPARE(m_edit->cellRect(0), before);
    QCOMPARE(zoomed.count(), 6);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あい\nう")); // no key typed anything

    const int pitch = m_edit->cellRect(0).x() - m_edit->cellRect(3).x();
    m_edit->setColumnGap(1.5);
    QVERIFY(m_edit->cellRect(0).x() - m_edit->cellRect(3).x() > pitch + before.width() / 2);
}

// The novel sites' ruby notation: the reading drawn small beside its base (right of the
// column, above the line), the brackets grey; the text stays as it is; off when asked.
void TestVerticalTextEdit::rubyNotationIsShownAsRuby()
{
    for (bool vertical : {true, false}) {
        show(QStringLiteral("漢字《かんじ》です"));
        m_edit->setVertical(vertical);
        m_edit->clearFocus();
        const QRect base = m_edit->cellRect(0).united(m_edit->cellRect(1));
        const auto inkBeside = [&] {
            m_edit->viewport()->repaint();
            const QImage image = m_edit->viewport()->grab().toImage();
            const QRect beside = vertical ? QRect(base.right() + 2, base.top(), base.width() / 2, base.height())
                                          : QRect(base.left(), base.top() - base.height() / 2 - 1, base.width(), base.height() / 2);
            int n = 0;
            for (int y = beside.top(); y <= beside.bottom(); ++y)
                for (int x = beside.left(); x <= beside.right(); ++x)
                    n += qGray(image.pixel(x, y)) < 128;
            return n;
        };
        QVERIFY(inkBeside() > 10);
        // The bracket is grey: its darkest pixel is lighter than the base's.
        const QImage image = m_edit->viewport()->grab().toImage();
        const auto darkest = [&](const QRect& r) {
            int d = 255;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    d = std::min(d, qGray(image.pixel(x, y)));
            return d;
        };
        QVERIFY(darkest(m_edit->cellRect(2)) > darkest(m_edit->cellRect(0)) + 40);
        QCOMPARE(m_edit->toPlainText(), QStringLiteral("漢字《かんじ》です"));
        m_edit->setRubyShown(false);
        QCOMPARE(inkBeside(), 0);
        m_edit->setRubyShown(true);
    }
}

void TestVerticalTextEdit::clustersTakeOneCell()
{
    show(QStringLiteral("葛\U000E0100葛か\u309Aあ"));
    const auto variant = m_edit->glyphsAt(0), plain = m_edit->glyphsAt(3);
    QCOMPARE(variant.size(), 1);
    QCOMPARE(plain.size(), 1);
    QVERIFY(variant.first().glyph != plain.first().glyph);
    QCOMPARE(m_edit->cellRect(3).y(), m_edit->cellRect(0).bottom() + 1);
    // か + semi-voiced mark: one cell, so あ comes one cell after か.
    QCOMPARE(m_edit->cellRect(6).y(), m_edit->cellRect(4).bottom() + 1);
    QCOMPARE(m_edit->cellRect(5), m_edit->cellRect(4));
}

void TestVerticalTextEdit::missingCharactersFallBack()
{
    // Georgian is not in the mincho face; U+10FFFD is in no font at all.
    show(QStringLiteral("あა\U0010FFFDい"));
    QCOMPARE(m_edit->glyphsAt(0).first().font.familyName(), QStringLiteral("Noto Serif CJK JP"));
    const auto georgian = m_edit->glyphsAt(1);
    QCOMPARE(georgian.size(), 1);
    QVERIFY(georgian.first().glyph != 0);
    QVERIFY(georgian.first().font.familyName() != QStringLiteral("Noto Serif CJK JP"));
    QVERIFY(m_edit->glyphsAt(2).isEmpty()); // glyph 0 is never drawn
    QVERIFY(m_edit->cellRect(2).height() > 0);
    QVERIFY(m_edit->cellRect(4).y() > m_edit->cellRect(2).y());
}

// A key event may carry a character beyond the BMP (a surrogate pair): it is typed whole.
void TestVerticalTextEdit::keysBeyondTheBmpAreTyped()
{
    show(QString());
    for (const QString& text : {QStringLiteral("𠮷"), QStringLiteral("😀"), QStringLiteral("a𠮷")}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(m_edit, &press);
    }
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("𠮷😀a𠮷"));
    // Half a pair is no character.
    QKeyEvent half(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xD842)));
    QApplication::sendEvent(m_edit, &half);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("𠮷😀a𠮷"));
}

void TestVerticalTextEdit::commitIsItsOwnUndoStep()
{
    show(QString());
    QTest::keyClicks(m_edit, QStringLiteral("ab"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QApplication::sendEvent(m_edit, &commit);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("ab日本"));
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("ab"));
}

// Edits re-shape only the pieces they touch; the result must be what laying out the
// same text afresh gives.
void TestVerticalTextEdit::editsLayOutLikeAFreshText()
{
    QString text;
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("　下人は、老婆をつき放すと、いきなり、太刀の鞘を払って、白い鋼の色をその眼の前へつきつけた。"
                               "けれども、老婆は黙っている。Hello, world!「そうか。」\n");
    show(text);
    QRandomGenerator random(42);
    const QStringList pieces = {QStringLiteral("あ"), QStringLiteral("。"), QStringLiteral("「"),
                                QStringLiteral("ABC "), QStringLiteral("\n"), QStringLiteral("漢字、"),
                                QStringLiteral("」"), QStringLiteral("！"), QStringLiteral("ッ")};
    VerticalTextEdit fresh;
    fresh.setFont(m_edit->font());
    fresh.resize(m_edit->size());
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    for (int round = 0; round < 150; ++round) {
        const int length = int(m_edit->toPlainText().size());
        const int at = int(random.bounded(length + 1));
        switch (random.bounded(7)) {
        case 0:
            m_edit->setSelection(at, std::min(length, at + int(random.bounded(30))));
            m_edit->replaceSelection(QString());
            break;
        case 1:
            m_edit->undo();
            break;
        case 2: { // a composition, left open while the editing goes on
            QInputMethodEvent compose(QStringLiteral("にほ"), {});
            QApplication::sendEvent(m_edit, &compose);
            break;
        }
        case 3:
            QTest::keyClick(m_edit, random.bounded(2) ? Qt::Key_Left : Qt::Key_Down);
            break;
        default:
            m_edit->setSelection(at, at);
            m_edit->replaceSelection(pieces[int(random.bounded(pieces.size()))]);
        }
        if (round % 10 != 9)
            continue;
        QInputMethodEvent cancel;
        QApplication::sendEvent(m_edit, &cancel);
        fresh.setPlainText(m_edit->toPlainText());
        m_edit->setSelection(0, 0);
        // Scroll bars come and go a moment later.
        QTRY_COMPARE(fresh.viewport()->size(), m_edit->viewport()->size());
        const int n = int(fresh.toPlainText().size());
        const QPoint origin = m_edit->cellRect(0).topLeft(), freshOrigin = fresh.cellRect(0).topLeft();
        for (int p = 0; p < n; ++p) {
            QCOMPARE(m_edit->cellRect(p).translated(-origin), fresh.cellRect(p).translated(-freshOrigin));
            const auto a = m_edit->glyphsAt(p), b = fresh.glyphsAt(p);
            QCOMPARE(a.size(), b.size());
            for (int g = 0; g < a.size(); ++g)
                QCOMPARE(a[g].glyph, b[g].glyph);
        }
    }
}

// A long paragraph is laid out a chunk at a time; the lines must come out as if it
// had been laid out at once, also after an edit in its middle.
void TestVerticalTextEdit::longParagraphsLayOutInChunks()
{
    QString text;
    while (text.size() < 40000)
        text += QStringLiteral("下人は、老婆をつき放すと、いきなり太刀の鞘を払って「白い鋼の色」をその眼の前へつきつけた。Hello, world! ");
    m_edit->setPlainText(text);
    QVERIFY(!m_edit->isLayoutComplete()); // only the start is laid out at first
    show(text);
    VerticalTextEdit atOnce;
    atOnce.setFont(m_edit->font());
    atOnce.resize(m_edit->size());
    atOnce.show();
    QVERIFY(QTest::qWaitForWindowExposed(&atOnce));
    struct Edit {
        int start, end;
        QString text;
    };
    const Edit edits[] = {{20000, 20003, QStringLiteral("「あ」")}, {5000, 5100, QString()},
                          {39000, 39000, QStringLiteral("。")}, {12000, 12000, QStringLiteral("新しい文。")},
                          {12001, 12001, QStringLiteral("x")}, {30000, 30000, QStringLiteral("\n")}};
    for (int round = 0; round < 7; ++round) {
        atOnce.setPlainText(m_edit->toPlainText());
        const int n = int(atOnce.toPlainText().size());
        atOnce.cellRect(n); // lays the whole paragraph out in one go
        const QPoint a = atOnce.cellRect(0).topLeft(), b = m_edit->cellRect(0).topLeft();
        int step = 0; // column pitch, once seen
        QRect previous = m_edit->cellRect(0);
        for (int p = 0; p < n; ++p) { // in order: chunk after chunk
            const QRect cell = m_edit->cellRect(p);
            QCOMPARE(cell.translated(-b), atOnce.cellRect(p).translated(-a));
            // Columns follow one another without gaps.
            const int dx = cell.x() - previous.x();
            if (dx != 0) {
                if (!step)
                    step = dx;
                QCOMPARE(dx, step);
                QCOMPARE(cell.y(), b.y());
            }
            previous = cell;
        }
        if (round == 6)
            break;
        const Edit& edit = edits[round];
        m_edit->setSelection(edit.start, edit.end);
        m_edit->replaceSelection(edit.text);
        if (round == 3)
            QTRY_VERIFY(m_edit->isLayoutComplete()); // the next edit meets a complete layout
    }
    QTRY_VERIFY(m_edit->isLayoutComplete());
}

void TestVerticalTextEdit::toggleKeepsEverything()
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("　吾輩は猫である。名前はまだ無い。「ABC」と言った。\n");
    show(text);
    m_edit->setSelection(3, 3);
    QTest::keyClicks(m_edit, QStringLiteral("x"));
    QVERIFY(m_edit->isModified());
    m_edit->setSelection(5, 8);
    QList<QRect> before;
    for (int p = 0; p < 200; ++p)
        before << m_edit->cellRect(p);
    const QString saved = m_edit->toPlainText();

    m_edit->setVertical(false);
    QVERIFY(!m_edit->isVertical());
    QCOMPARE(m_edit->cellRect(1).y(), m_edit->cellRect(0).y());
    QVERIFY(m_edit->cellRect(1).x() > m_edit->cellRect(0).x());
    QVERIFY(m_edit->cellRect(30).y() > m_edit->cellRect(0).y()); // the next paragraph is below
    m_edit->setVertical(true);

    QCOMPARE(m_edit->toPlainText(), saved);
    QVERIFY(m_edit->isModified());
    QVERIFY(m_edit->canUndo());
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, 5);
    QCOMPARE(end, 8);
    for (int p = 0; p < 200; ++p)
        QCOMPARE(m_edit->cellRect(p), before[p]);
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), text);

    // The caret stays in view when the other direction puts it elsewhere.
    const int far = int(text.size()) - 5;
    m_edit->setSelection(far, far);
    for (bool vertical : {false, true}) {
        m_edit->setVertical(vertical);
        QVERIFY(m_edit->viewport()->rect().contains(m_edit->cellRect(far)));
    }
}

void TestVerticalTextEdit::clickPicksTheNearerEdge_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::newRow("vertical") << true;
    QTest::newRow("horizontal") << false;
}

void TestVerticalTextEdit::clickPicksTheNearerEdge()
{
    QFETCH(bool, vertical);
    show(QStringLiteral("あいうえお\nかきくけこ"));
    m_edit->setVertical(vertical);
    for (int p : {1, 3, 7}) {
        const QRect cell = m_edit->cellRect(p);
        const QPoint nearStart = vertical ? QPoint(cell.center().x(), cell.top() + 3)
                                          : QPoint(cell.left() + 3, cell.center().y());
        const QPoint nearEnd = vertical ? QPoint(cell.center().x(), cell.bottom() - 3)
                                        : QPoint(cell.right() - 3, cell.center().y());
        int start = -1, end = -1;
        QTest::mouseClick(m_edit->viewport(), Qt::LeftButton, {}, nearStart);
        m_edit->selection(&start, &end);
        QCOMPARE(start, p);
        QCOMPARE(end, p);
        QTest::mouseClick(m_edit->viewport(), Qt::LeftButton, {}, nearEnd);
        m_edit->selection(&start, &end);
        QCOMPARE(end, p + 1);
    }
    // Dragging selects.
    QTest::mousePress(m_edit->viewport(), Qt::LeftButton, {}, m_edit->cellRect(1).topLeft() + QPoint(2, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(m_edit->cellRect(3).bottomRight() - QPoint(2, 2)),
                     m_edit->viewport()->mapToGlobal(QPointF(m_edit->cellRect(3).bottomRight())),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_edit->viewport(), &move);
    QTest::mouseRelease(m_edit->viewport(), Qt::LeftButton, {}, m_edit->cellRect(3).bottomRight() - QPoint(2, 2));
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, 1);
    QCOMPARE(end, 4);
}

void TestVerticalTextEdit::arrowKeys_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("expectStart");
    QTest::addColumn<int>("expectEnd");
    // あいうえお (0-4), separator 5, かきくけこ (6-10); the caret starts at 1.
    QTest::newRow("v down") << true << int(Qt::Key_Down) << 0 << 2 << 2;
    QTest::newRow("v up") << true << int(Qt::Key_Up) << 0 << 0 << 0;
    QTest::newRow("v left: next column") << true << int(Qt::Key_Left) << 0 << 7 << 7;
    QTest::newRow("v right: no column before") << true << int(Qt::Key_Right) << 0 << 0 << 0;
    QTest::newRow("v home") << true << int(Qt::Key_Home) << 0 << 0 << 0;
    QTest::newRow("v end") << true << int(Qt::Key_End) << 0 << 5 << 5;
    QTest::newRow("v shift down") << true << int(Qt::Key_Down) << int(Qt::ShiftModifier) << 1 << 2;
    QTest::newRow("v shift left") << true << int(Qt::Key_Left) << int(Qt::ShiftModifier) << 1 << 7;
    QTest::newRow("h right") << false << int(Qt::Key_Right) << 0 << 2 << 2;
    QTest::newRow("h left") << false << int(Qt::Key_Left) << 0 << 0 << 0;
    QTest::newRow("h down") << false << int(Qt::Key_Down) << 0 << 7 << 7;
    QTest::newRow("h end") << false << int(Qt::Key_End) << 0 << 5 << 5;
}

void TestVerticalTextEdit::arrowKeys()
{
    QFETCH(bool, vertical);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, expectStart);
    QFETCH(int, expectEnd);
    show(QStringLiteral("あいうえお\nかきくけこ"));
    m_edit->setVertical(vertical);
    m_edit->setSelection(1, 1);
    QTest::keyClick(m_edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, expectStart);
    QCOMPARE(end, expectEnd);
    // Back across the column keeps the height.
    if (vertical && key == Qt::Key_Left && !modifiers) {
        QTest::keyClick(m_edit, Qt::Key_Right);
        m_edit->selection(&start, &end);
        QCOMPARE(end, 1);
    }
}

// End on a wrapped column puts the caret after its last character, shown there, and
// typing follows that character; so does a click past the column's end.
void TestVerticalTextEdit::endOfAWrappedLine()
{
    for (bool vertical : {true, false}) {
        show(QStringLiteral("あ"));
        m_edit->setVertical(vertical);
        const QRect first = m_edit->cellRect(0);
        const int n = int(m_edit->lineLength() / (vertical ? first.height() : first.width()));
        show(QString(n + 3, QChar(u'あ')));
        m_edit->setVertical(vertical);
        const auto caret = [&] {
            return m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().translated(-m_edit->viewport()->pos());
        };
        m_edit->setSelection(2, 2);
        QTest::keyClick(m_edit, Qt::Key_End);
        const QRect last = m_edit->cellRect(n - 1);
        QVERIFY(vertical ? caret().center().x() == last.center().x() && caret().top() >= last.bottom() - 1
                         : caret().center().y() == last.center().y() && caret().left() >= last.right() - 1);
        QTest::keyClick(m_edit, Qt::Key_Home);
        QCOMPARE(m_edit->inputMethodQuery(Qt::ImCursorPosition).toInt(), 0);
        QTest::keyClick(m_edit, Qt::Key_End);
        QTest::keyClicks(m_edit, QStringLiteral("x"));
        QCOMPARE(m_edit->toPlainText().indexOf(u'x'), n);

        show(QString(n + 3, QChar(u'あ')));
        m_edit->setVertical(vertical);
        const QRect end = m_edit->cellRect(n - 1);
        QTest::mouseClick(m_edit->viewport(), Qt::LeftButton, {},
                          vertical ? QPoint(end.center().x(), end.bottom() + end.height() / 2 + 2)
                                   : QPoint(end.right() + end.width() / 2 + 2, end.center().y()));
        QVERIFY(vertical ? caret().center().x() == end.center().x() : caret().center().y() == end.center().y());
        QTest::keyClicks(m_edit, QStringLiteral("y"));
        QCOMPARE(m_edit->toPlainText().indexOf(u'y'), n);
    }
}

void TestVerticalTextEdit::preeditAndCommit()
{
    show(QStringLiteral("あい"));
    m_edit->setSelection(1, 1);
    const QRect before = m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QRect followerBefore = m_edit->cellRect(1);

    QInputMethodEvent preedit(QStringLiteral("にほん"),
                              {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 3, 1)});
    QApplication::sendEvent(m_edit, &preedit);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あい"));
    QVERIFY(!m_edit->canUndo());
    const QRect during = m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY(qAbs(during.center().x() - before.center().x()) <= 1);
    QVERIFY(during.bottom() >= before.y() + 3 * followerBefore.height() - 2);
    QVERIFY(m_edit->cellRect(1).y() > followerBefore.y()); // い makes room for the preedit
    QCOMPARE(m_edit->inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("あい"));
    QCOMPARE(m_edit->inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QApplication::sendEvent(m_edit, &commit);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あ日本い"));
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(end, 3);
    QCOMPARE(m_edit->cellRect(3), followerBefore.translated(0, 2 * followerBefore.height()));
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あい"));
    QVERIFY(m_edit->inputMethodQuery(Qt::ImEnabled).toBool());

    // The composition follows the caret into another paragraph and leaves no trace.
    show(QStringLiteral("あいう\nかきく"));
    m_edit->setSelection(1, 1);
    QApplication::sendEvent(m_edit, &preedit);
    m_edit->setSelection(5, 5);
    QVERIFY(m_edit->cellRect(5).y() > m_edit->cellRect(4).bottom() + 2 * followerBefore.height());
    QCOMPARE(m_edit->cellRect(2).y(), m_edit->cellRect(1).bottom() + 1);
    QInputMethodEvent cancel;
    QApplication::sendEvent(m_edit, &cancel);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あいう\nかきく"));
    QCOMPARE(m_edit->cellRect(5).y(), m_edit->cellRect(4).bottom() + 1);
}

// The input method hears where the composition is so that its candidate list, opened below
// the rectangle (or above it when the screen has no room below), covers neither the clause
// being converted nor what was written above it; the underline is on the column's right.
void TestVerticalTextEdit::candidateListKeepsClearOfTheComposition()
{
    const QRect screen = m_edit->screen()->availableGeometry();
    m_edit->move(screen.topLeft());
    show(QStringLiteral("あい"));
    m_edit->setSelection(2, 2);
    QTextCharFormat clause;
    clause.setBackground(Qt::darkBlue);
    QInputMethodEvent converting(QStringLiteral("にほんご"),
                                 {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 0, 1),
                                  QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 0, 2, clause)});
    QApplication::sendEvent(m_edit, &converting);
    const QPoint offset = m_edit->viewport()->pos();
    const auto told = [&] { return m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().translated(-offset); };
    const QRect first = m_edit->cellRect(0), end = m_edit->cellRect(2); // end: after the composition
    const int h = first.height();
    // Room below: the composition itself, in its column.
    QVERIFY(qAbs(told().top() - (first.top() + 2 * h)) <= 2);
    QVERIFY(qAbs(told().bottom() - end.top()) <= 2);
    QVERIFY(told().left() <= first.left() && told().right() >= first.right() && told().width() < 2 * first.width());
    QCOMPARE(m_edit->inputMethodQuery(Qt::ImAnchorRectangle).toRect().translated(-offset), told());

    // The underline: beside the composition on the right, nothing on the left.
    m_edit->clearFocus();
    m_edit->viewport()->repaint();
    const QImage image = m_edit->viewport()->grab().toImage();
    const auto darkIn = [&](int x0, int x1) {
        int n = 0;
        for (int y = first.top() + 2 * h + 4; y < end.top() - 4; ++y)
            for (int x = x0; x <= x1; ++x)
                n += qGray(image.pixel(x, y)) < 128;
        return n;
    };
    QVERIFY(darkIn(first.right() + 1, first.right() + 4) > 0);
    QCOMPARE(darkIn(first.left() - 4, first.left() - 1), 0);

    // No room below (the composition at the screen's foot): the column from the text
    // area's top, so that the list goes above the text.
    const int n = int(m_edit->lineLength() / h);
    m_edit->move(screen.left(), screen.bottom() - m_edit->height() + 20);
    show(QString(n - 4, QChar(u'あ')));
    m_edit->setSelection(n - 4, n - 4);
    QApplication::sendEvent(m_edit, &converting);
    QVERIFY(told().top() <= first.top() && told().bottom() >= first.top() + (n - 1) * h);

    // No room above either: beside the composition, to the left of its column.
    m_edit->resize(600, screen.height());
    m_edit->move(screen.topLeft());
    const int tall = int(m_edit->lineLength() / h);
    show(QString(tall - 4, QChar(u'あ')));
    m_edit->setSelection(tall - 4, tall - 4);
    QApplication::sendEvent(m_edit, &converting);
    QVERIFY(told().right() < first.left());
    QVERIFY(qAbs(told().top() - m_edit->cellRect(tall - 5).bottom()) <= 2);
    m_edit->resize(600, 400);

    // A composition wrapped into the next column: both columns.
    m_edit->move(screen.topLeft());
    show(QString(n - 2, QChar(u'あ')));
    m_edit->setSelection(n - 2, n - 2);
    QApplication::sendEvent(m_edit, &converting);
    QVERIFY(told().right() >= first.right() && told().left() <= first.left() - first.width());

    // Horizontal lines: the caret, as usual.
    m_edit->setVertical(false);
    QVERIFY(m_edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().width() <= 4);
}

// A click during a composition commits it once, where it stood; the copy an input method
// may send after being reset (IBus does) is not inserted again at the click.
void TestVerticalTextEdit::clickDuringCompositionCommitsOnce()
{
    show(QStringLiteral("あいう"));
    m_edit->setSelection(1, 1);
    QInputMethodEvent composing(QStringLiteral("にほん"), {});
    QApplication::sendEvent(m_edit, &composing);
    const QRect last = m_edit->cellRect(2); // う, below the composition
    QTest::mouseClick(m_edit->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() - 2));
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あにほんいう"));
    QCOMPARE(m_edit->inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
    QInputMethodEvent echo;
    echo.setCommitString(QStringLiteral("にほん"));
    QApplication::sendEvent(m_edit, &echo);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あにほんいう"));
    // What the writer commits next goes in, the same word included.
    QInputMethodEvent again(QStringLiteral("にほん"), {});
    QApplication::sendEvent(m_edit, &again);
    QApplication::sendEvent(m_edit, &echo);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あにほんいうにほん"));
}

// Alt with a letter is a menu key: it never types, with or without a composition; Alt
// during a composition commits it so that the menu key is the menus', not the input method's.
void TestVerticalTextEdit::altKeysNeverType()
{
    show(QStringLiteral("あ"));
    m_edit->setSelection(1, 1);
    QKeyEvent altF(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, QStringLiteral("f"));
    QApplication::sendEvent(m_edit, &altF);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あ"));
    QInputMethodEvent composing(QStringLiteral("かな"), {});
    QApplication::sendEvent(m_edit, &composing);
    QTest::keyPress(m_edit, Qt::Key_Alt);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あかな"));
    QApplication::sendEvent(m_edit, &altF);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あかな"));
}

void TestVerticalTextEdit::editingCommands()
{
    show(QStringLiteral("あいう"));
    QVERIFY(!m_edit->isModified());
    QVERIFY(!m_edit->canUndo());
    QSignalSpy modified(m_edit, &VerticalTextEdit::modificationChanged);
    QSignalSpy released(m_edit, &VerticalTextEdit::keyReleased);
    m_edit->setSelection(1, 2);
    m_edit->replaceSelection(QStringLiteral("かき"));
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あかきう"));
    QVERIFY(m_edit->isModified());
    QCOMPARE(modified.count(), 1);
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あいう"));
    m_edit->redo();
    m_edit->selectAll();
    m_edit->copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("あかきう"));
    QVERIFY(m_edit->canPaste());
    m_edit->setSelection(4, 4);
    QTest::keyClick(m_edit, Qt::Key_Return);
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.first().first().toInt(), int(Qt::Key_Return));
    m_edit->paste();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あかきう\nあかきう"));
    QTest::keyClick(m_edit, Qt::Key_Backspace);
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("あかきう\nあかき"));
    m_edit->setPlainText(QStringLiteral("新しい"));
    QVERIFY(!m_edit->isModified());
    QVERIFY(!m_edit->canUndo());

    // A run of typed characters is one undo step; moving the caret ends the run.
    m_edit->setSelection(3, 3);
    QTest::keyClicks(m_edit, QStringLiteral("abc"));
    QTest::keyClick(m_edit, Qt::Key_Up);
    QTest::keyClicks(m_edit, QStringLiteral("de"));
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("新しいabdec"));
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("新しいabc"));
    m_edit->undo();
    QCOMPARE(m_edit->toPlainText(), QStringLiteral("新しい"));
}

void TestVerticalTextEdit::rightClickKeepsSelection()
{
    show(QStringLiteral("あいうえお"));
    m_edit->setSelection(1, 3);
    QSignalSpy menu(m_edit, &VerticalTextEdit::contextMenuRequested);
    QPoint handled;
    m_edit->setContextMenuHandler([&](QPoint p) { handled = p; });
    const QPoint at = m_edit->cellRect(4).center();
    QTest::mouseClick(m_edit->viewport(), Qt::RightButton, {}, at);
    QCOMPARE(menu.count(), 1);
    QCOMPARE(handled, m_edit->viewport()->mapToGlobal(at));
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, 1);
    QCOMPARE(end, 3);
}

void TestVerticalTextEdit::editingKeysWinOverShortcuts()
{
    QWidget window;
    auto* edit = new VerticalTextEdit(&window);
    edit->resize(300, 300);
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence::Delete);
    window.addAction(action);
    QSignalSpy triggered(action, &QAction::triggered);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    edit->setPlainText(QStringLiteral("あい"));
    edit->setSelection(0, 0);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->toPlainText(), QStringLiteral("い"));
    QCOMPARE(triggered.count(), 0);
}

void TestVerticalTextEdit::doubleClickSelectsAWord()
{
    show(QStringLiteral("吾輩は猫である。Hello world"));
    QTest::mouseDClick(m_edit->viewport(), Qt::LeftButton, {}, m_edit->cellRect(1).center());
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 2); // 吾輩
    QTest::mouseDClick(m_edit->viewport(), Qt::LeftButton, {}, m_edit->cellRect(10).center());
    m_edit->selection(&start, &end);
    QCOMPARE(start, 8);
    QCOMPARE(end, 13); // Hello
}

void TestVerticalTextEdit::controlsTakeNoRoom()
{
    show(QStringLiteral("あ\u200Bい\u0001う"));
    QCOMPARE(m_edit->cellRect(2).y(), m_edit->cellRect(0).bottom() + 1);
    QCOMPARE(m_edit->cellRect(4).y(), m_edit->cellRect(2).bottom() + 1);
    QVERIFY(m_edit->glyphsAt(1).isEmpty());
}

void TestVerticalTextEdit::opensAtTheStartAndScrollsToTheCaret()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("　メロスは激怒した。必ず、かの邪智暴虐の王を除かなければならぬと決意した。\n");
    show(text);
    QScrollBar* bar = m_edit->horizontalScrollBar();
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->maximum() > 0);
    QVERIFY(m_edit->viewport()->rect().contains(m_edit->cellRect(0)));
    // Typing at the far end brings the caret into view.
    m_edit->setSelection(int(text.size()), int(text.size()));
    QTest::keyClicks(m_edit, QStringLiteral("a"));
    QVERIFY(bar->value() > 0);
    QVERIFY(m_edit->viewport()->rect().contains(m_edit->cellRect(int(text.size()))));
    // Dragging a selection past the left edge scrolls on through the columns.
    m_edit->setSelection(0, 0);
    QCOMPARE(bar->value(), 0);
    QTest::mousePress(m_edit->viewport(), Qt::LeftButton, {}, m_edit->cellRect(1).center());
    QMouseEvent beyond(QEvent::MouseMove, QPointF(-20, 100), m_edit->viewport()->mapToGlobal(QPointF(-20, 100)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_edit->viewport(), &beyond);
    QTRY_VERIFY(bar->value() > 3 * m_edit->cellRect(0).width());
    QTest::mouseRelease(m_edit->viewport(), Qt::LeftButton, {}, QPoint(-20, 100));
    int start = -1, end = -1;
    m_edit->selection(&start, &end);
    QCOMPARE(start, 1);
    QVERIFY(end > 100);
    // The wheel moves along the columns: towards the start when rolled away.
    const int value = bar->value();
    QWheelEvent wheel(QPointF(10, 10), m_edit->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_edit->viewport(), &wheel);
    QVERIFY(bar->value() < value);
    // The whole text ends up laid out in idle time.
    QTRY_VERIFY(m_edit->isLayoutComplete());
}

QTEST_MAIN(TestVerticalTextEdit)
#include "tst_verticaltextedit.moc"
