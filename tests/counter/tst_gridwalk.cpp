// SPDX-License-Identifier: GPL-3.0-or-later
// The placement walk under the count: where each cell of a text lands on the manuscript
// grid, and that the count agrees with the placements.
#include "GridWalk.h"
#include "KinsokuSet.h"
#include "ManuscriptCounter.h"
#include "counter.h"

#include <QFile>
#include <QtTest>

#include <string>
#include <vector>

using namespace penwick::counter;

namespace {

struct Cell {
    std::int64_t line, cell;
    bool hanging;
    std::size_t offset;
    bool operator==(const Cell&) const = default;
};

// Follows the walk the way a page renderer would: pushes move the cells already placed.
struct Recorder {
    std::vector<Cell> cells;
    std::vector<std::int64_t> lineEnds;
    void cell(const Placement& p, std::size_t offset, bool)
    {
        for (std::int64_t k = 0; k < p.pushed; ++k) {
            Cell& moved = cells[cells.size() - std::size_t(p.pushed - k)];
            moved.line = p.line;
            moved.cell = k;
        }
        cells.push_back({p.line, p.cell, p.hanging, offset});
    }
    void sourceLineEnd(std::int64_t lines) { lineEnds.push_back(lines); }
};

Recorder Walk(const std::string& text, int width, const std::string& kinsoku = PENWICK_DEFAULT_KINSOKU, std::int64_t* lines = nullptr)
{
    const KinsokuSet set(kinsoku.data(), kinsoku.size());
    Recorder r;
    const std::int64_t n = GridWalk<Recorder>(set, width, r).run(text.data(), text.size());
    if (lines)
        *lines = n;
    return r;
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
        QTest::newRow("closing marks hang") << "あいう。」か" << 3 << "0.0 0.1 0.2 0.3h 0.3h 1.0";
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
        const Recorder r = Walk(text.toStdString(), width);
        QStringList got;
        for (const Cell& c : r.cells)
            got << QStringLiteral("%1.%2%3").arg(c.line).arg(c.cell).arg(c.hanging ? "h" : "");
        QCOMPARE(got.join(' '), expected);
    }

    void offsetsAndSourceLines()
    {
        std::int64_t lines = 0;
        const Recorder r = Walk("aあ\r\nb", 10, PENWICK_DEFAULT_KINSOKU, &lines);
        QCOMPARE(r.cells.size(), std::size_t(3));
        QCOMPARE(r.cells[1].offset, std::size_t(1));
        QCOMPARE(r.cells[2].offset, std::size_t(6));
        QCOMPARE(r.lineEnds, (std::vector<std::int64_t>{1, 2}));
        QCOMPARE(lines, std::int64_t(2));
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
            std::int64_t lines = 0;
            const Recorder r = Walk(text, width, PENWICK_DEFAULT_KINSOKU, &lines);
            std::int64_t line = -1, next = 0;
            for (const Cell& c : r.cells) {
                QVERIFY(c.line >= line);
                if (c.line != line)
                    line = c.line, next = 0;
                if (c.hanging) {
                    QCOMPARE(c.cell, std::int64_t(width));
                    QCOMPARE(next, std::int64_t(width));
                } else {
                    QCOMPARE(c.cell, next);
                    ++next;
                }
                QVERIFY(c.cell <= width);
            }
            QVERIFY(line < lines);
            const std::string kinsoku = PENWICK_DEFAULT_KINSOKU;
            const Figures counted = countManuscript(text.data(), text.size(), kinsoku.data(), kinsoku.size(),
                                                    width, 1000000, 1);
            QCOMPARE(std::int64_t(counted.lines), lines);
            std::int64_t chars = 0;
            for (const Cell& c : r.cells)
                chars += text.compare(c.offset, 3, "\u3000") != 0 && text[c.offset] != ' ';
            QCOMPARE(std::int64_t(counted.chars), chars);
        }
    }
};

QTEST_GUILESS_MAIN(TestGridWalk)
#include "tst_gridwalk.moc"
