// SPDX-License-Identifier: GPL-3.0-or-later
// The layout under the count (the placement walk with its pushes resolved, as manuscript
// paper is drawn): where each cell of a text lands on the grid, which bytes it covers, and
// that the count agrees with the placements.
#include "KinsokuSet.h"
#include "ManuscriptCounter.h"
#include "ManuscriptLayout.h"
#include "counter.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

using namespace penwick::counter;

namespace {

struct Laid {
    std::vector<LaidCell> cells;
    std::int64_t lines = 0;
};

Laid Walk(const std::string& text, int width, const std::string& kinsoku = PENWICK_DEFAULT_KINSOKU)
{
    const KinsokuSet set(kinsoku.data(), kinsoku.size());
    Laid laid;
    laid.lines = layOutManuscript(text.data(), text.size(), set, width, [&](const std::vector<LaidCell>& line) {
        laid.cells.insert(laid.cells.end(), line.begin(), line.end());
    });
    return laid;
}

}  // namespace

class TestGridWalk : public QObject {
    Q_OBJECT
private slots:
    void placements_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");   // "line.cell" per cell, "h" for hanging
        QTest::newRow("fills and wraps") << "あいうえ" << 3 << "0.0 0.1 0.2 1.0";
        QTest::newRow("closing marks hang, one below the other") << "あいう。」か" << 3 << "0.0 0.1 0.2 0.3h 0.4h 1.0";
        QTest::newRow("opening bracket pushed") << "あい「う" << 3 << "0.0 0.1 1.0 1.1";
        QTest::newRow("run of brackets pushed") << "あ「『う" << 3 << "0.0 1.0 1.1 1.2";
        QTest::newRow("bracket at source line end stays") << "あい「\nう" << 3 << "0.0 0.1 0.2 1.0";
        QTest::newRow("empty lines take a line") << "あ\n\nい" << 2 << "0.0 2.0";
        QTest::newRow("a line's first cell is placed whatever it is") << "。あ" << 1 << "0.0 1.0";
        QTest::newRow("grapheme clusters") << "か\u3099👍🏽🇯🇵x" << 2 << "0.0 0.1 1.0 1.1";
    }
    void placements()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        const Laid r = Walk(text.toStdString(), width);
        QStringList got;
        for (const LaidCell& c : r.cells)
            got << QStringLiteral("%1.%2%3").arg(c.line).arg(c.cell).arg(c.hanging ? "h" : "");
        QCOMPARE(got.join(' '), expected);
    }

    // Each cell covers its bytes up to the next cell or the hard break.
    void bytesOfEachCell()
    {
        const Laid r = Walk("aあ\u200B\r\nか\u3099", 10);
        QCOMPARE(r.cells.size(), std::size_t(3));
        QCOMPARE(r.cells[0].begin, std::size_t(0));
        QCOMPARE(r.cells[0].end, std::size_t(1));
        QCOMPARE(r.cells[1].begin, std::size_t(1));
        QCOMPARE(r.cells[1].end, std::size_t(7));   // the zero-width space it carries, not the CR LF
        QCOMPARE(r.cells[2].begin, std::size_t(9));
        QCOMPARE(r.cells[2].end, std::size_t(15));
        QCOMPARE(r.lines, std::int64_t(2));
    }

    // On real prose, at many widths: every line is filled from its first cell without a
    // gap, a cell hangs only past a full line, and the count is exactly the walk's lines
    // and non-space cells.
    void proseKeepsTheGridWhole()
    {
        QFile file(QStringLiteral(PENWICK_CORPUS_DIR "/hashire_merosu.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string text = file.readAll().toStdString();
        for (int width : {1, 2, 3, 7, 20, 40}) {
            const Laid r = Walk(text, width);
            std::int64_t line = -1, next = 0;
            std::string covered;
            for (const LaidCell& c : r.cells) {
                QVERIFY(c.line >= line);
                if (c.line != line)
                    line = c.line, next = 0;
                QCOMPARE(c.cell, next);   // a hanging cell goes on past the full line
                QCOMPARE(c.hanging, next >= width);
                ++next;
                covered += text.substr(c.begin, c.end - c.begin);
            }
            QVERIFY(line < r.lines);
            std::string withoutBreaks = text;
            std::erase(withoutBreaks, '\n');
            QVERIFY(covered == withoutBreaks);
            const std::string kinsoku = PENWICK_DEFAULT_KINSOKU;
            const Figures counted = countManuscript(text.data(), text.size(), kinsoku.data(), kinsoku.size(),
                                                    width, 1000000, 1);
            QCOMPARE(std::int64_t(counted.lines), r.lines);
            QCOMPARE(std::int64_t(counted.chars), std::int64_t(std::count_if(r.cells.begin(), r.cells.end(),
                                                                             [](const LaidCell& c) { return !c.white; })));
        }
    }
};

QTEST_GUILESS_MAIN(TestGridWalk)
#include "tst_gridwalk.moc"
