// SPDX-License-Identifier: GPL-3.0-or-later
// The counter's report texts as the dialog shows them.
#include "CounterReport.h"

#include <QtTest>

#include <random>

using namespace penwick;

class TestCounterReport : public QObject {
    Q_OBJECT
private slots:
    void reportLinesAndTotal();
    void totalCountsTheJoinedText();
    void joinsAgreeWithCountingTheWholeText();
};

void TestCounterReport::reportLinesAndTotal()
{
    ProjectCounts counts;
    counts.chapters = {{1, 2, 3}, {0, 0, 0}};
    counts.total = {12, 19, 2147483647};
    QCOMPARE(FormatReport(counts),
             std::string("Chapter[1] \t 1枚と2行 3文字\r\nChapter[2] \t 0枚と0行 0文字\r\n"
                         "\r\n総計 \t \t 12枚と19行 2147483647文字\r\n"));
    QCOMPARE(FormatReport({}), std::string("\r\n総計 \t \t 0枚と0行 0文字\r\n"));
    QCOMPARE(FormatRealtime({3, 4, 5}), std::string("現在開いているページ（リアルタイム）\r\n \t 3枚と4行 5文字\r\n"));
}

void TestCounterReport::totalCountsTheJoinedText()
{
    // Two chapters without a final line break run on into each other when joined.
    CountSettings s;
    s.vertical = 3;
    const ProjectCounts counts = CountChapters({"あい", "う"}, s);
    QCOMPARE(counts.chapters.size(), std::size_t(2));
    QCOMPARE(counts.chapters[0].nLines + counts.chapters[1].nLines, 2);
    QCOMPARE(counts.total.nLines, 1);
    QCOMPARE(counts.total.nChars, 3);
}

QTEST_APPLESS_MAIN(TestCounterReport)
// The chapters are counted apart and only their joins again; whatever sits at a join (a
// CR before an LF, a mark that belongs to the last character, a flag split in two, no
// break at all), the total must be what counting the joined text gives.
void TestCounterReport::joinsAgreeWithCountingTheWholeText()
{
    const char* pieces[] = {"あ", "「", "。", "」", "\r", "\n", "\r\n", "\xC2\x85", "\xE2\x80\xA8", "\xE3\x82\x99",
                            "\xF0\x9F\x87\xAF", "\xF0\x9F\x87\xB5", "\xE2\x80\x8D", "a", " ", "\xE3\x80\x80",
                            "\xE3", "\x0B", "\t"};
    std::mt19937 rng(20261207);
    for (int round = 0; round < 420; ++round) {
        // The last rounds are long enough to be counted on several threads.
        const int length = round < 400 ? 12 : 40000;
        std::vector<std::string> chapters(1 + rng() % 6);
        for (std::string& c : chapters)
            for (int n = int(rng() % length); n > 0; --n)
                c += pieces[rng() % std::size(pieces)];
        penwick::CountSettings s;
        s.vertical = 1 + int(rng() % 5);
        s.horizontal = 1 + int(rng() % 4);
        s.mode = int(rng() % 2);
        const penwick::ProjectCounts counts = penwick::CountChapters(chapters, s);
        std::string all;
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            all += chapters[i];
            const CountResult alone = penwick::CountOneText(chapters[i], s);
            QCOMPARE(penwick::FormatCount(counts.chapters[i]), penwick::FormatCount(alone));
        }
        const CountResult whole = penwick::CountOneText(all, s);
        QVERIFY2(penwick::FormatCount(counts.total) == penwick::FormatCount(whole),
                 qPrintable(QStringLiteral("round %1: %2 instead of %3").arg(round)
                                .arg(QString::fromStdString(penwick::FormatCount(counts.total)),
                                     QString::fromStdString(penwick::FormatCount(whole)))));
    }
}

#include "tst_counterreport.moc"
