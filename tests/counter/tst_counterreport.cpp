// The counter's report texts as the dialog shows them.
#include "CounterReport.h"

#include <QtTest>

using namespace penwick;

class TestCounterReport : public QObject {
    Q_OBJECT
private slots:
    void reportLinesAndTotal();
    void totalCountsTheJoinedText();
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
#include "tst_counterreport.moc"
