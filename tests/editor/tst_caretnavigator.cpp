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
            qreal u = -1;
            const int line = f.layout->placeOf(pos).line;
            const int forward = nav.target(Move::Forward, pos, &u, 3);
            QVERIFY(forward == std::min(pos + 1, last));
            QCOMPARE(nav.target(Move::Back, pos, &u, 3), std::max(pos - 1, 0));
            QCOMPARE(nav.target(Move::TextStart, pos, &u, 3), 0);
            QCOMPARE(nav.target(Move::TextEnd, pos, &u, 3), last);
            // Home and End stay on the displayed line.
            QCOMPARE(f.layout->placeOf(nav.target(Move::LineStart, pos, &u, 3)).line, line);
            QCOMPARE(f.layout->placeOf(nav.target(Move::LineEnd, pos, &u, 3)).line, line);
            QCOMPARE(nav.deletionEnd(true, pos), std::max(pos - 1, 0));
        }
        // A line move keeps its offset: down two columns from the fourth cell and back.
        qreal u = -1;
        const int third = nav.target(Move::NextLine, 3, &u, 3);
        QCOMPARE(third, 13);
        QVERIFY(u > 0);
        QCOMPARE(nav.target(Move::NextLine, third, &u, 3), 23);
        // Past the short last column of the paragraph: its end, then the next paragraph.
        QCOMPARE(nav.target(Move::PageForward, 3, &u, 3), f.layout->hitTest(3, float(u)));
        QCOMPARE(nav.target(Move::PageForward, 23, &u, 9), last);
        QCOMPARE(nav.target(Move::PageBack, 23, &u, 9), 0);
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
