// SPDX-License-Identifier: GPL-3.0-or-later
// Line filling with kinsoku: hanging closing marks, pushed opening brackets, and
// Latin words that break only at their break opportunities.
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

// One character per cell, advance 1: 'a' an ideograph (breakable on both sides),
// '.' a closing mark, '(' an opening bracket, 'w' a letter inside a word (no break
// before it), ' ' a space, 'W' a letter starting a word, '|' a line separator.
static std::vector<Cell> cellsFor(const QString& pattern)
{
    std::vector<Cell> cells;
    for (int i = 0; i < pattern.size(); ++i) {
        Cell c;
        c.pos = i;
        c.advance = 1;
        switch (pattern[i].unicode()) {
        case 'a': c.flags = BreakBefore; break;
        case '.': c.flags = NoStart; break;
        case '(': c.flags = NoEnd | BreakBefore; break;
        case ' ': c.flags = Space; break;
        case 'W': c.flags = BreakBefore; break;
        case '|': c.flags = ForcedBreak | BreakBefore; break;
        default: break;
        }
        cells.push_back(c);
    }
    return cells;
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
    QTest::newRow("run of marks hangs") << "aaa..a" << 3 << QList<int>{0, 5};
    QTest::newRow("mark at paragraph end hangs") << "aaa." << 3 << QList<int>{0};
    QTest::newRow("mark first in paragraph") << ".aaa" << 3 << QList<int>{0, 3};
    QTest::newRow("bracket pushed") << "aa(a" << 3 << QList<int>{0, 2};
    QTest::newRow("brackets pushed together") << "a((a" << 3 << QList<int>{0, 1};
    QTest::newRow("line of brackets stays") << "(((a" << 3 << QList<int>{0, 3};
    QTest::newRow("bracket last in paragraph stays") << "aa(" << 3 << QList<int>{0};
    QTest::newRow("word moves whole") << "Ww Www" << 4 << QList<int>{0, 3};
    QTest::newRow("space hangs") << "Www Ww" << 3 << QList<int>{0, 4};
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
    std::vector<Cell*> ptrs;
    for (Cell& c : cells)
        ptrs.push_back(&c);
    const auto got = LineBreaker::breakLines(ptrs, float(perLine));
    QCOMPARE(QList<int>(got.begin(), got.end()), starts);
}

void TestLineBreaker::placesCellsAlongTheLine()
{
    auto cells = cellsFor("aaaa.a");
    cells[1].advance = 0.5f; // a half-width character
    std::vector<Cell*> ptrs;
    for (Cell& c : cells)
        ptrs.push_back(&c);
    LineBreaker::breakLines(ptrs, 3);
    QCOMPARE(cells[2].u, 1.5f);
    QCOMPARE(cells[3].line, 1);
    QCOMPARE(cells[3].u, 0.f);
    QCOMPARE(cells[4].line, 1); // hangs on the second line
    QCOMPARE(cells[5].line, 1);
}

QTEST_APPLESS_MAIN(TestLineBreaker)
#include "tst_linebreaker.moc"
