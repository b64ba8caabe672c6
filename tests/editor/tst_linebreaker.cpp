// SPDX-License-Identifier: GPL-3.0-or-later
// Line filling: breaks only at break opportunities, one hanging 、。 or space at most,
// pushing back to the last opportunity otherwise, and cutting what has none.
#include "LineBreaker.h"

#include <QTest>

using namespace penwick;

class TestLineBreaker : public QObject {
    Q_OBJECT
private slots:
    void breaks_data();
    void breaks();
    void placesCellsAlongTheLine();
};

// One character per cell, advance 1: 'a' an ideograph with a break opportunity before it,
// 'b' one without (after an opening bracket), '.' a hanging mark (、。), ')' a closing mark
// (no break before it, no hanging), '(' an opening bracket, ' ' a space, 'W' a letter
// starting a word, 'w' one inside it, '|' a line separator.
static std::vector<Cell> cellsFor(const QString& pattern)
{
    std::vector<Cell> cells;
    for (int i = 0; i < pattern.size(); ++i) {
        Cell c;
        c.pos = i;
        c.advance = 1;
        switch (pattern[i].unicode()) {
        case 'a': case '(': case 'W': c.flags = BreakBefore; break;
        case '.': c.flags = Hang; break;
        case ' ': c.flags = Space; break;
        case '|': c.flags = ForcedBreak | BreakBefore; break;
        default: break;
        }
        cells.push_back(c);
    }
    return cells;
}

static std::vector<int> breakPattern(std::vector<Cell>& cells, float perLine)
{
    std::vector<Cell*> ptrs;
    for (Cell& c : cells)
        ptrs.push_back(&c);
    return LineBreaker::breakLines(ptrs, perLine, 1);
}

void TestLineBreaker::breaks_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("perLine");
    QTest::addColumn<QList<int>>("starts");
    QTest::newRow("empty") << "" << 3 << QList<int>{0};
    QTest::newRow("exactly full") << "aaa" << 3 << QList<int>{0};
    QTest::newRow("plain wrap") << "aaaaaaa" << 3 << QList<int>{0, 3, 6};
    QTest::newRow("mark hangs") << "aaa.a" << 3 << QList<int>{0, 4};
    QTest::newRow("mark at paragraph end hangs") << "aaa." << 3 << QList<int>{0};
    QTest::newRow("two marks: one character goes with them") << "aaa..a" << 3 << QList<int>{0, 2, 5};
    QTest::newRow("mark and closing bracket go together") << "aaa.)a" << 3 << QList<int>{0, 2, 5};
    QTest::newRow("closing bracket does not hang") << "aaa)a" << 3 << QList<int>{0, 2};
    QTest::newRow("mark first in paragraph") << ".aaa" << 3 << QList<int>{0, 3};
    QTest::newRow("bracket pushed") << "aa(b" << 3 << QList<int>{0, 2};
    QTest::newRow("bracket last in paragraph stays") << "aa(" << 3 << QList<int>{0};
    QTest::newRow("no opportunity: cut") << "abbbb" << 3 << QList<int>{0, 3};
    QTest::newRow("word moves whole") << "Ww Www" << 4 << QList<int>{0, 3};
    QTest::newRow("space hangs") << "Www Ww" << 3 << QList<int>{0, 4};
    QTest::newRow("one space hangs, the next starts the line") << "Www  Ww" << 3 << QList<int>{0, 4};
    QTest::newRow("spaces after a hanging mark start the line") << "aaa. a" << 3 << QList<int>{0, 4};
    QTest::newRow("long word is cut") << "Wwwwww" << 4 << QList<int>{0, 4};
    QTest::newRow("one cell per line") << "a.a" << 1 << QList<int>{0, 2};
    QTest::newRow("line separator") << "a|aa" << 3 << QList<int>{0, 2};
    QTest::newRow("line separator at the end") << "aa|" << 3 << QList<int>{0};
}

void TestLineBreaker::breaks()
{
    QFETCH(QString, pattern);
    QFETCH(int, perLine);
    QFETCH(QList<int>, starts);
    auto cells = cellsFor(pattern);
    const auto got = breakPattern(cells, float(perLine));
    QCOMPARE(QList<int>(got.begin(), got.end()), starts);
    // Nothing reaches past the line and the room for one hanging cell.
    for (const Cell& c : cells)
        QVERIFY(c.u + c.advance <= float(perLine) + 1);
}

void TestLineBreaker::placesCellsAlongTheLine()
{
    auto cells = cellsFor("aaaa.a");
    cells[1].advance = 0.5f; // a half-width character
    breakPattern(cells, 3);
    QCOMPARE(cells[2].u, 1.5f);
    QCOMPARE(cells[3].line, 1);
    QCOMPARE(cells[3].u, 0.f);
    QCOMPARE(cells[4].line, 1); // hangs on the second line
    QCOMPARE(cells[5].line, 1);

    // A mark wider than the room kept for hanging goes to the next line with a character.
    cells = cellsFor("aaa.a");
    cells[3].advance = 1.5f;
    const auto starts = breakPattern(cells, 3);
    QCOMPARE(QList<int>(starts.begin(), starts.end()), QList<int>({0, 2, 4}));
}

QTEST_APPLESS_MAIN(TestLineBreaker)
#include "tst_linebreaker.moc"
