// SPDX-License-Identifier: GPL-3.0-or-later
// Caret moves and the scroll axis worked out on a layout, without any widget: a text of
// known cells wrapped at a known column length, every move checked at every wrap point.
#include "CaretNavigator.h"
#include "ScrollModel.h"
#include "VerticalLayout.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>
#include <QtTest>

using penwick::CaretNavigator;
using Move = CaretNavigator::Move;
using Caret = CaretNavigator::Caret;

class TestCaretNavigator : public QObject {
    Q_OBJECT
private:
    // Ten full-width cells per column; "あ" x 25 then a second paragraph of 3.
    struct Fixture {
        QTextDocument doc;
        std::unique_ptr<penwick::VerticalLayout> layout;
        Fixture()
        {
            doc.setPlainText(QString(25, QChar(u'あ')) + QStringLiteral("\nいうえ"));
            QFont font(QStringLiteral("Noto Serif CJK JP"));
            font.setPixelSize(20);
            layout = std::make_unique<penwick::VerticalLayout>(&doc, font);
            layout->setLineLength(layout->em() * 10);
        }
    };

private slots:
    void keysMapToMovesInBothDirections_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("move");
        QTest::newRow("down, vertical") << int(Qt::Key_Down) << true << int(Move::Forward);
        QTest::newRow("left, vertical") << int(Qt::Key_Left) << true << int(Move::NextLine);
        QTest::newRow("right, vertical") << int(Qt::Key_Right) << true << int(Move::PreviousLine);
        QTest::newRow("right, horizontal") << int(Qt::Key_Right) << false << int(Move::Forward);
        QTest::newRow("down, horizontal") << int(Qt::Key_Down) << false << int(Move::NextLine);
        QTest::newRow("up, horizontal") << int(Qt::Key_Up) << false << int(Move::PreviousLine);
        QTest::newRow("page down") << int(Qt::Key_PageDown) << true << int(Move::PageForward);
        QTest::newRow("a letter") << int(Qt::Key_A) << true << int(Move::None);
    }
    void keysMapToMovesInBothDirections()
    {
        QFETCH(int, key);
        QFETCH(bool, vertical);
        QFETCH(int, move);
        QCOMPARE(int(CaretNavigator::moveFor(key, {}, vertical)), move);
        QCOMPARE(CaretNavigator::moveFor(Qt::Key_Home, Qt::ControlModifier, vertical), Move::TextStart);
        QCOMPARE(CaretNavigator::moveFor(Qt::Key_End, {}, vertical), Move::LineEnd);
    }

    void movesAtEveryCell()
    {
        Fixture f;
        CaretNavigator nav(*f.layout, f.doc);
        QCOMPARE(f.layout->totalLines(), 4);   // 10 + 10 + 5, then the second paragraph
        const int last = f.doc.characterCount() - 1;
        for (int pos = 0; pos <= last; ++pos) {
            for (bool lineEnd : {false, true}) {
                qreal u = -1;
                const Caret from{pos, lineEnd};
                const int line = f.layout->placeOf(pos, lineEnd).line;
                QCOMPARE(nav.target(Move::Forward, from, &u, 3).position, std::min(pos + 1, last));
                QCOMPARE(nav.target(Move::Back, from, &u, 3).position, std::max(pos - 1, 0));
                QCOMPARE(nav.target(Move::TextStart, from, &u, 3), Caret{0});
                QCOMPARE(nav.target(Move::TextEnd, from, &u, 3), Caret{last});
                // Home and End stay on the displayed line.
                const Caret home = nav.target(Move::LineStart, from, &u, 3);
                const Caret end = nav.target(Move::LineEnd, from, &u, 3);
                QCOMPARE(f.layout->placeOf(home.position, home.lineEnd).line, line);
                QCOMPARE(f.layout->placeOf(end.position, end.lineEnd).line, line);
            }
            QCOMPARE(nav.deletionEnd(true, pos), std::max(pos - 1, 0));
        }
    }

    // Each key at and around the two wrap points (after cells 10 and 20): where the caret
    // goes, and on which line it shows. A caret at a wrap shows at the end of the line
    // before when End or a line move put it there ("end"), else at the next line's start.
    void movesAtWrapPoints_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("fromEnd");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("toEnd");
        QTest::addColumn<int>("line");
        auto row = [](const char* name, int from, bool fromEnd, Move move, int to, bool toEnd, int line) {
            QTest::newRow(name) << from << fromEnd << int(move) << to << toEnd << line;
        };
        row("End inside a line", 3, false, Move::LineEnd, 10, true, 0);
        row("End at a line's end stays", 10, true, Move::LineEnd, 10, true, 0);
        row("End from the next line's start", 10, false, Move::LineEnd, 20, true, 1);
        row("End on the paragraph's last line", 22, false, Move::LineEnd, 25, false, 2);
        row("Home from a line's end", 10, true, Move::LineStart, 0, false, 0);
        row("Home from the next line's start", 10, false, Move::LineStart, 10, false, 1);
        row("Home from a line's last cell", 19, false, Move::LineStart, 10, false, 1);
        row("Forward to a wrap", 9, false, Move::Forward, 10, false, 1);
        row("Forward from a line's end", 10, true, Move::Forward, 11, false, 1);
        row("Back from a line's end", 10, true, Move::Back, 9, false, 0);
        row("Back from the next line's start", 10, false, Move::Back, 9, false, 0);
        row("Next line from a line's end", 10, true, Move::NextLine, 20, true, 1);
        row("Next line from a line's start", 10, false, Move::NextLine, 20, false, 2);
        row("Next line to a shorter line", 20, true, Move::NextLine, 25, false, 2);
        row("Previous line from a line's end", 20, true, Move::PreviousLine, 10, true, 0);
        row("Previous line from a line's start", 20, false, Move::PreviousLine, 10, false, 1);
        row("Page forward from a line's end", 10, true, Move::PageForward, 25, false, 2);
        row("Page back keeps the offset", 25, false, Move::PageBack, 5, false, 0);
        row("Ctrl+End from a line's end", 10, true, Move::TextEnd, 29, false, 3);
        row("Ctrl+Home from a line's end", 20, true, Move::TextStart, 0, false, 0);
    }
    void movesAtWrapPoints()
    {
        QFETCH(int, from);
        QFETCH(bool, fromEnd);
        QFETCH(int, move);
        QFETCH(int, to);
        QFETCH(bool, toEnd);
        QFETCH(int, line);
        for (bool vertical : {true, false}) {
            Fixture f;
            f.layout->setVertical(vertical);
            CaretNavigator nav(*f.layout, f.doc);
            qreal u = -1;
            const Caret got = nav.target(Move(move), {from, fromEnd}, &u, 2);
            QCOMPARE(got.position, to);
            QCOMPARE(got.lineEnd, toEnd);
            QCOMPARE(f.layout->placeOf(got.position, got.lineEnd).line, line);
        }
    }

    void movesKeepTheirOffset()
    {
        Fixture f;
        CaretNavigator nav(*f.layout, f.doc);
        const int last = f.doc.characterCount() - 1;
        // A line move keeps its offset: down two columns from the fourth cell and back.
        qreal u = -1;
        const Caret third = nav.target(Move::NextLine, {3}, &u, 3);
        QCOMPARE(third, Caret{13});
        QVERIFY(u > 0);
        QCOMPARE(nav.target(Move::NextLine, third, &u, 3), Caret{23});
        // Past the short last column of the paragraph: its end, then the next paragraph.
        QCOMPARE(nav.target(Move::PageForward, {3}, &u, 3).position, f.layout->hitTest(3, float(u)));
        QCOMPARE(nav.target(Move::PageForward, {23}, &u, 9), Caret{last});
        QCOMPARE(nav.target(Move::PageBack, {23}, &u, 9), Caret{0});
    }

    void wordsInJapanese()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("序\n吾輩は猫である"));
        const auto [start, end] = CaretNavigator::wordAt(doc, 3);   // in 吾輩
        QCOMPARE(doc.toPlainText().mid(start, end - start), QStringLiteral("吾輩"));
        QCOMPARE(CaretNavigator::wordAt(doc, 0), std::make_pair(0, 1));
    }

    void scrollAxis()
    {
        Fixture f;
        penwick::ScrollModel scroll(*f.layout);
        const int pitch = int(f.layout->pitch());
        QCOMPARE(scroll.contentExtent(), 2 * scroll.margin() + int(4 * f.layout->pitch()));
        // A line already in view leaves the value alone; one beyond brings its far side in.
        QCOMPARE(scroll.valueShowing(0, 0, 3 * pitch), 0);
        const int value = scroll.valueShowing(3, 0, 2 * pitch);
        QVERIFY(value > 0);
        QVERIFY(scroll.margin() + 4 * f.layout->pitch() <= value + 2 * pitch + scroll.margin());
        QCOMPARE(scroll.valueShowing(0, value, 2 * pitch), 0);
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    TestCaretNavigator test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_caretnavigator.moc"
