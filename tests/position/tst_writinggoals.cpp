// SPDX-License-Identifier: GPL-3.0-or-later
// Targets and the writing history: what a target may be, the progress line, the file
// beside the project, and days across midnight and time-zone changes.
#include "WritingGoals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace penwick;

namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int32_t kJst = 9 * 3600;

}  // namespace

class TestWritingGoals : public QObject {
    Q_OBJECT
private slots:
    void targetsAreSheetsOrCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");   // as written back; empty: refused
        QTest::newRow("sheets") << "150枚" << "150枚";
        QTest::newRow("bare number: sheets") << " 150 " << "150枚";
        QTest::newRow("half a sheet") << "12.5枚" << "12.5枚";
        QTest::newRow("characters") << "60000字" << "60000字";
        QTest::newRow("zero") << "0枚" << "";
        QTest::newRow("negative") << "-3枚" << "";
        QTest::newRow("fraction of a character") << "1.5字" << "";
        QTest::newRow("kanji numerals") << "百枚" << "";
        QTest::newRow("two points") << "1.2.3枚" << "";
        QTest::newRow("empty") << "" << "";
    }
    void targetsAreSheetsOrCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const auto t = ParseTarget(text.toStdString());
        QCOMPARE(t ? QString::fromStdString(FormatTarget(*t)) : QString(), read);
    }

    void daysAndProgress()
    {
        QCOMPARE(FormatDay(*ParseDay("2027-03-31")), std::string("2027-03-31"));
        QCOMPARE(*ParseDay("1970-01-02"), Day(1));
        QVERIFY(!ParseDay("2027-02-30"));
        QVERIFY(!ParseDay("2027-3-31"));
        const Day today = *ParseDay("2027-03-19");
        ProjectTargets t{ParseTarget("150枚"), ParseDay("2027-03-31"), {}};
        QCOMPARE(DescribeProgress(t, 2548, 0, 20, today), std::string("127.4 / 150枚 · 残り 22.6枚 · 締切まで 12日、1日あたり 1.9枚"));
        QCOMPARE(DescribeProgress(t, 3000, 0, 20, today), std::string("150.0 / 150枚 · 達成 · 締切まで 12日"));
        QCOMPARE(DescribeProgress(t, 10, 0, 20, *ParseDay("2027-04-02")),
                 std::string("0.5 / 150枚 · 残り 149.5枚 · 締切を 2日過ぎています"));
        const ProjectTargets chars{ParseTarget("60000字"), std::nullopt, {}};
        QCOMPARE(DescribeProgress(chars, 0, 50902, 20, today), std::string("50,902 / 60000字 · 残り 9,098字"));
        QCOMPARE(DescribeProgress({}, 10, 10, 20, today), std::string());
        // Halves round up, the same in the line, the progress and stats: 5 lines of 20 are 0.3.
        QCOMPARE(FormatSheets(5, 20), std::string("0.3"));
        QCOMPARE(FormatSheets(25, 20), std::string("1.3"));
        QCOMPARE(FormatSheets(0, 20), std::string("0.0"));
        QCOMPARE(FormatGrouped(50902), std::string("50,902"));
        QCOMPARE(FormatGrouped(999), std::string("999"));
        QCOMPARE(DescribeProgress(t, 5, 0, 20, today).substr(0, 9), std::string("0.3 / 150"));
    }

    // The file beside the project; an empty target takes it away.
    void targetsFileRoundTrips()
    {
        QTemporaryDir dir;
        const std::string project = dir.filePath("霧.xml").toStdString();
        QVERIFY(!ReadTargets(project).project);
        std::string error;
        QVERIFY(WriteTargets(project, {ParseTarget("12.5枚"), ParseDay("2027-01-05"), {}}, &error));
        const ProjectTargets read = ReadTargets(project);
        QCOMPARE(FormatTarget(*read.project), std::string("12.5枚"));
        QCOMPARE(FormatDay(*read.deadline), std::string("2027-01-05"));
        // Nodes' targets by their paths of titles, whatever the titles hold.
        ProjectTargets withNodes = read;
        const std::string odd = TitlePath({"第一章", "a/b\\c=d\ne"});
        SetNodeTarget(withNodes, TitlePath({"第一章"}), ParseTarget("40枚"));
        SetNodeTarget(withNodes, odd, ParseTarget("3000字"));
        SetNodeTarget(withNodes, TitlePath({"第一章"}), ParseTarget("45枚"));   // replaces
        QVERIFY(WriteTargets(project, withNodes, &error));
        const ProjectTargets again = ReadTargets(project);
        QCOMPARE(again.nodes.size(), std::size_t(2));
        QCOMPARE(FormatTarget(*FindNodeTarget(again, "第一章")), std::string("45枚"));
        QCOMPARE(FormatTarget(*FindNodeTarget(again, odd)), std::string("3000字"));
        QCOMPARE(odd, std::string("第一章/a\\/b\\\\c d e"));
        QCOMPARE(Fraction(*FindNodeTarget(again, "第一章"), 450, 0, 20), 0.5);
        QCOMPARE(Fraction(*FindNodeTarget(again, odd), 0, 6000, 20), 1.0);
        SetNodeTarget(withNodes, odd, std::nullopt);
        QCOMPARE(withNodes.nodes.size(), std::size_t(1));
        QVERIFY(WriteTargets(project, {}, &error));
        QVERIFY(!QFile::exists(QString::fromStdString(TargetsPathFor(project))));
    }

    // Net characters per local day: midnight splits days; a time zone moved back (a
    // flight west) cannot put a record into a day already counted, one moved forward skips
    // no characters. The days always add up to the last total less the first.
    void historyAcrossMidnightAndTimeZones()
    {
        const std::int64_t midnight = std::int64_t(*ParseDay("2027-03-01")) * 86400 - kJst;   // 00:00 JST
        const std::vector<HistoryRecord> records = {
            {midnight - 2 * kHour, kJst, 1000},    // 02-28 22:00 JST: the baseline
            {midnight - kHour, kJst, 1300},        // 02-28 23:00: +300
            {midnight + kHour, kJst, 1500},        // 03-01 01:00: +200
            {midnight + 3 * kHour, 0, 1550},       // now in UTC: 02-28 18:00 there, still 03-01
            {midnight + 20 * kHour, 0, 1400},      // 03-01 11:00 UTC: 150 removed, still 03-01
            {midnight + 40 * kHour, -5 * kHour, 1600},   // 03-02 07:00 at UTC-5: +200
            {midnight + 50 * kHour, kJst, 1700},   // back in Japan: 03-03 02:00, +100
        };
        const std::vector<DayNet> days = NetPerDay(records);
        QCOMPARE(days.size(), std::size_t(4));
        QCOMPARE(FormatDay(days[0].day), std::string("2027-02-28"));
        QCOMPARE(days[0].net, std::int64_t(300));
        QCOMPARE(FormatDay(days[1].day), std::string("2027-03-01"));
        QCOMPARE(days[1].net, std::int64_t(100));
        QCOMPARE(FormatDay(days[2].day), std::string("2027-03-02"));
        QCOMPARE(days[2].net, std::int64_t(200));
        QCOMPARE(FormatDay(days[3].day), std::string("2027-03-03"));
        QCOMPARE(days[3].net, std::int64_t(100));
        std::int64_t sum = 0;
        for (const DayNet& d : days)
            sum += d.net;
        QCOMPARE(sum, records.back().chars - records.front().chars);
    }

    void historyIsKeptInTheDataFolder()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const std::string project = "/writers/霧の街.xml";
        std::string error;
        QVERIFY(RecordHistory(project, {100, kJst, 10}, &error));
        QVERIFY(RecordHistory(project, {200, kJst, 10}, &error));   // unchanged: not recorded
        QVERIFY(RecordHistory(project, {300, 0, 25}, &error));
        const std::vector<HistoryRecord> read = ReadHistory(project);
        QCOMPARE(read.size(), std::size_t(2));
        QCOMPARE(read[1].when, std::int64_t(300));
        QCOMPARE(read[1].chars, std::int64_t(25));
        QVERIFY(QString::fromStdString(HistoryPathFor(project)).startsWith(data.path()));
    }
};

QTEST_GUILESS_MAIN(TestWritingGoals)
#include "tst_writinggoals.moc"
