// SPDX-License-Identifier: GPL-3.0-or-later
// The counting library through its C interface: the layout rules case by case, the worked
// 20×20 example, invariants over the corpus, and the Count/ReturnCount contract.
#include "counter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTest>

#include <climits>
#include <cstring>
#include <memory>

extern "C" int counter_checks_from_c(void);

namespace {

const QByteArray kDefault = PENWICK_DEFAULT_KINSOKU;

CountResult count(const QByteArray& text, int v, int h, int mode = 1,
                  const QByteArray& kinsoku = kDefault)
{
    return CountText(text.constData(), size_t(text.size()), kinsoku.constData(),
                     size_t(kinsoku.size()), v, h, mode);
}

// Total manuscript lines, read back through a one-line sheet.
qint64 lines(const QByteArray& text, int v, int mode = 1, const QByteArray& kinsoku = kDefault)
{
    return count(text, v, 1, mode, kinsoku).nSheets;
}

QByteArray corpus(const char* name)
{
    QFile f(QDir(PENWICK_CORPUS_DIR).filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char* const kCorpusFiles[] = {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"};

} // namespace

class CounterTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void cells_data();
    void cells();
    void workedExample();
    void gridLimits_data();
    void gridLimits();
    void modes();
    void kinsokuSetParsing();
    void splitAtBreaksKeepsLines_data();
    void splitAtBreaksKeepsLines();
    void hangingOnlySavesPushingOnlyAdds();
    void countKeepsNoPointer();
    void returnCountBeforeAndBetween();
    void usableFromC();
};

// Lines for a source text on a V-cell line with the default set, and the characters.
void CounterTest::layout_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("chars");

    QTest::newRow("empty") << QByteArray("") << 5 << 0 << 0;
    QTest::newRow("lone break") << QByteArray("\n") << 5 << 1 << 0;
    QTest::newRow("trailing break adds nothing") << QByteArray("あ\n") << 5 << 1 << 1;
    QTest::newRow("empty line between") << QByteArray("あ\n\n") << 5 << 2 << 1;
    QTest::newRow("no final break") << QByteArray("あ\nい") << 5 << 2 << 2;
    QTest::newRow("CR LF is one break") << QByteArray("あ\r\nい\r\n") << 5 << 2 << 2;
    QTest::newRow("CR alone breaks") << QByteArray("あ\rい\r") << 5 << 2 << 2;
    QTest::newRow("LF CR is two breaks") << QByteArray("あ\n\rい") << 5 << 3 << 2;
    QTest::newRow("VT FF NEL LS PS") << QByteArray("a\vb\fc\u0085d\u2028e\u2029f") << 5 << 6 << 6;
    QTest::newRow("exactly V") << QByteArray("あいうえお") << 5 << 1 << 5;
    QTest::newRow("V plus one") << QByteArray("あいうえおか") << 5 << 2 << 6;
    QTest::newRow("V plus 。 hangs") << QByteArray("あいうえお。") << 5 << 1 << 6;
    QTest::newRow("」。 both hang") << QByteArray("あいうえお」。") << 5 << 1 << 7;
    QTest::newRow("whole run hangs") << QByteArray("あいうえお、、、、、、、") << 5 << 1 << 12;
    QTest::newRow("after hanging a new line") << QByteArray("あいうえお。か") << 5 << 2 << 7;
    QTest::newRow("kinsoku after hard break") << QByteArray("あいうえお\n。") << 5 << 2 << 6;
    QTest::newRow("。 first cell") << QByteArray("。」あいうえ") << 5 << 2 << 6;
    QTest::newRow("「 last of source line stays") << QByteArray("あいうえ「") << 5 << 1 << 5;
    QTest::newRow("「 in last cell pushed") << QByteArray("あいうえ「か") << 5 << 2 << 6;
    QTest::newRow("「 pushed before 」") << QByteArray("あいうえ「」") << 5 << 2 << 6;
    // Together: あいう|「『かきく|け. 『 alone would give あいう「|『かきくけ.
    QTest::newRow("「『 pushed together") << QByteArray("あいう「『かきくけ") << 5 << 3 << 9;
    QTest::newRow("line of only 「 not emptied") << QByteArray("「「「あいうえ") << 3 << 3 << 7;
    QTest::newRow("run shorter than line moves") << QByteArray("あ「「い") << 3 << 2 << 4;
    QTest::newRow("V=1 nothing pushed") << QByteArray("「あ") << 1 << 2 << 2;
    QTest::newRow("V=1 hanging") << QByteArray("あ。」い") << 1 << 2 << 4;
    // ASCII space starts the next line; the ideographic space hangs and vanishes.
    QTest::newRow("ASCII space wraps") << QByteArray("あいうえお かきくけこ") << 5 << 3 << 10;
    QTest::newRow("ideographic space absorbed") << QByteArray("あいうえお　かきくけこ") << 5 << 2 << 10;
    QTest::newRow("leading indent is a cell") << QByteArray("　あいうえ") << 5 << 1 << 4;
    QTest::newRow("tab and nbsp are white") << QByteArray("\tあ\u00a0い") << 5 << 1 << 2;
    QTest::newRow("BOM and ZWSP ignored") << QByteArray("\ufeffあいう\u200bえお") << 5 << 1 << 5;
    QTest::newRow("only ignored text") << QByteArray("\ufeff\u200b") << 5 << 0 << 0;
    QTest::newRow("ignored on its own line") << QByteArray("\u200b\nあ") << 5 << 2 << 1;
    QTest::newRow("embedded NUL ignored") << QByteArray("a\0b", 3) << 5 << 1 << 2;
}

void CounterTest::layout()
{
    QFETCH(QByteArray, text);
    QFETCH(int, v);
    QFETCH(int, lines);
    QFETCH(int, chars);
    const CountResult r = count(text, v, 1000);
    QCOMPARE(r.nSheets, 0);
    QCOMPARE(r.nLines, lines);
    QCOMPARE(r.nChars, chars);
}

// On a one-cell grid without kinsoku every cell is a line, which exposes the cell count.
void CounterTest::cells_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("chars");

    QTest::newRow("surrogate pair emoji") << QByteArray("😀") << 1 << 1;
    QTest::newRow("ZWJ family") << QByteArray("👨\u200d👩\u200d👧") << 1 << 1;
    QTest::newRow("skin tone") << QByteArray("👍🏽") << 1 << 1;
    QTest::newRow("emoji presentation") << QByteArray("❤\ufe0f") << 1 << 1;
    QTest::newRow("keycap") << QByteArray("1\ufe0f\u20e3") << 1 << 1;
    QTest::newRow("flag") << QByteArray("🇯🇵") << 1 << 1;
    QTest::newRow("flag and a half") << QByteArray("🇯🇵🇯") << 2 << 2;
    QTest::newRow("tag sequence flag") << QByteArray("🏴\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F") << 1 << 1;
    QTest::newRow("か + combining dakuten") << QByteArray("か\u3099") << 1 << 1;
    QTest::newRow("half-width ｶﾞ") << QByteArray("ｶﾞﾊﾟ") << 2 << 2;
    QTest::newRow("ideographic variation") << QByteArray("葛\U000E0100") << 1 << 1;
    QTest::newRow("mark without base") << QByteArray("\u3099\u0301あ") << 2 << 2;
    QTest::newRow("ZWSP splits a cluster") << QByteArray("a\u200b\u0301") << 2 << 2;
    QTest::newRow("mark on a space") << QByteArray(" \u0301") << 1 << 0;
    QTest::newRow("U+FFFC and U+FFFD") << QByteArray("\ufffc\ufffd") << 2 << 2;
    QTest::newRow("controls take no cell") << QByteArray("a\x01\x7f\u0080\u200e\u00adb") << 2 << 2;
    QTest::newRow("bad: E3 81 41") << QByteArray("\xe3\x81\x41") << 2 << 2;
    QTest::newRow("bad: surrogate ED A0 80") << QByteArray("\xed\xa0\x80") << 3 << 3;
    QTest::newRow("bad: E3 81 41 FF E3 81 82") << QByteArray("\xe3\x81\x41\xff\xe3\x81\x82") << 4 << 4;
    QTest::newRow("bad: truncated F0 9F 98") << QByteArray("\xf0\x9f\x98") << 1 << 1;
    QTest::newRow("bad: overlong C0 AF") << QByteArray("\xc0\xaf") << 2 << 2;
    QTest::newRow("bad: overlong E0 80 80") << QByteArray("\xe0\x80\x80") << 3 << 3;
    QTest::newRow("bad: above U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << 4 << 4;
    QTest::newRow("bad: F5 lead") << QByteArray("\xf5\x80") << 2 << 2;
    QTest::newRow("bad: lead before a break") << QByteArray("\xe3\x81\nあ") << 2 << 2;
}

void CounterTest::cells()
{
    QFETCH(QByteArray, text);
    QFETCH(int, cells);
    QFETCH(int, chars);
    const CountResult r = count(text, 1, 1000, 0);
    QCOMPARE(r.nLines, cells);
    QCOMPARE(r.nChars, chars);
}

void CounterTest::workedExample()
{
    const QByteArray first = "　店の主人は笑って、カウンターの奥から「常連さん」と書かれた古いカップを取り出した。\n";
    const QByteArray second = "「あの人は毎朝ここで珈琲を一杯だけ飲んで、それから黙ったまま家へ帰っていくんですよ。」\n";
    QCOMPARE(lines(first, 20), 3);   // 「 pushed from cell 20
    QCOMPARE(lines(second, 20), 2);  // 、 and 。」 hang

    CountResult r = count(first + second, 20, 20);
    QCOMPARE(r.nSheets, 0);
    QCOMPARE(r.nLines, 5);
    QCOMPARE(r.nChars, 84);
    r = count(first + second, 20, 2);
    QCOMPARE(r.nSheets, 2);
    QCOMPARE(r.nLines, 1);
    QCOMPARE(lines(first + second, 20, 0), 6);
}

void CounterTest::gridLimits_data()
{
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("sheets");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("chars");

    const int kMax = INT_MAX;
    QTest::newRow("1x1") << 1 << 1 << 5 << 0 << 5;
    QTest::newRow("max grid") << kMax << kMax << 0 << 2 << 5;
    QTest::newRow("max V") << kMax << 1 << 2 << 0 << 5;
    QTest::newRow("V 0") << 0 << 20 << 0 << 0 << 0;
    QTest::newRow("H 0") << 20 << 0 << 0 << 0 << 0;
    QTest::newRow("negative") << -5 << 20 << 0 << 0 << 0;
    QTest::newRow("INT_MIN") << INT_MIN << INT_MIN << 0 << 0 << 0;
}

void CounterTest::gridLimits()
{
    QFETCH(int, v);
    QFETCH(int, h);
    const CountResult r = count("「あい\n。う", v, h);
    QTEST(r.nSheets, "sheets");
    QTEST(r.nLines, "lines");
    QTEST(r.nChars, "chars");
}

void CounterTest::modes()
{
    const QByteArray text = "あいうえお。\nあいうえ「か";
    QCOMPARE(lines(text, 5, 1), 3);
    QCOMPARE(lines(text, 5, 0), 4);                  // 。 takes its own line
    QCOMPARE(lines(text, 5, 2), 3);
    QCOMPARE(lines(text, 5, -1), 3);
    QCOMPARE(lines(text, 5, 1, QByteArray()), 4);    // empty set is the pure grid
    QCOMPARE(count(text, 5, 20, 0).nChars, count(text, 5, 20, 1).nChars);
    // Null pointers: no text; no set.
    QCOMPARE(CountText(nullptr, 5, kDefault.constData(), size_t(kDefault.size()), 5, 5, 1).nLines, 0);
    QCOMPARE(CountText(text.constData(), size_t(text.size()), nullptr, 0, 5, 1, 1).nSheets, 4);
}

void CounterTest::kinsokuSetParsing()
{
    const QByteArray text = "あいう（え）\nあいうえー";
    // （ opens (Ps): pushed; ー (Lm) hangs once listed; unlisted characters are ordinary.
    QCOMPARE(lines(text, 4, 1, "（ー"), 2 + 1);
    QCOMPARE(lines(text, 4, 1, "、"), 2 + 2);
    QCOMPARE(lines("あいう“え", 4, 1, "“"), 2);         // “ is Pi: may not end a line
    QCOMPARE(lines("あいうえ”", 4, 1, "”"), 1);         // ” is Pf: hangs
    // Breaks, tabs and format characters in the set are dropped; duplicates are harmless.
    QCOMPARE(lines("あいうえ\t", 4, 1, "\t"), 2);
    QCOMPARE(lines("あいうえ、", 4, 1, "\n\ufeff、\r\n\u200b"), 1);
    QCOMPARE(lines("あいうえ。。", 4, 1, "。。。"), 1);
    // An ill-formed set byte is U+FFFD, which then hangs like any other listed character.
    QCOMPARE(lines("あいうえ\xff", 4, 1, "\xff"), 1);
}

void CounterTest::splitAtBreaksKeepsLines_data()
{
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("mode");
    QTest::newRow("20 kinsoku") << 20 << 1;
    QTest::newRow("20 grid") << 20 << 0;
    QTest::newRow("7 kinsoku") << 7 << 1;
    QTest::newRow("1 kinsoku") << 1 << 1;
}

// Chapters that end with a break count to exactly the sum of their lines when joined.
void CounterTest::splitAtBreaksKeepsLines()
{
    QFETCH(int, v);
    QFETCH(int, mode);
    for (const char* name : kCorpusFiles) {
        const QByteArray whole = corpus(name);
        QVERIFY2(!whole.isEmpty(), name);
        qint64 sum = 0;
        qint64 chars = 0;
        qsizetype from = 0;
        while (from < whole.size()) {
            qsizetype to = whole.indexOf('\n', from);
            to = to < 0 ? whole.size() : to + 1;
            const QByteArray part = whole.mid(from, to - from);
            sum += lines(part, v, mode);
            chars += count(part, v, 1, mode).nChars;
            from = to;
        }
        QCOMPARE(lines(whole, v, mode), sum);
        QCOMPARE(count(whole, v, 1, mode).nChars, chars);
    }
}

// Without opening brackets in the set nothing is pushed and hanging can only save lines;
// with only opening brackets nothing hangs and pushing can only add them.
void CounterTest::hangingOnlySavesPushingOnlyAdds()
{
    for (const char* name : kCorpusFiles) {
        const QByteArray text = corpus(name);
        for (int v : {1, 2, 5, 20, 40}) {
            const qint64 grid = lines(text, v, 0);
            QVERIFY(lines(text, v, 1, "、。」』）　") <= grid);
            QVERIFY(lines(text, v, 1, "「『（") >= grid);
            QVERIFY(lines(text, v, 1, kDefault) >= lines(text, v, 1, "、。」』　"));
        }
    }
}

void CounterTest::countKeepsNoPointer()
{
    const QByteArray text = corpus("rashomon.txt");
    const CountResult expected = count(text, 20, 20);
    auto copy = std::make_unique<char[]>(size_t(text.size()) + 1);
    std::memcpy(copy.get(), text.constData(), size_t(text.size()) + 1);
    auto set = std::make_unique<char[]>(size_t(kDefault.size()) + 1);
    std::memcpy(set.get(), kDefault.constData(), size_t(kDefault.size()) + 1);

    QCOMPARE(Count(copy.get(), set.get(), 20, 20, 1), 0);
    std::memset(copy.get(), '\n', size_t(text.size()));
    std::memset(set.get(), 'x', size_t(kDefault.size()));
    copy.reset();
    set.reset();
    const CountResult r = ReturnCount();
    QCOMPARE(r.nSheets, expected.nSheets);
    QCOMPARE(r.nLines, expected.nLines);
    QCOMPARE(r.nChars, expected.nChars);
    QVERIFY(r.nSheets > 0);
}

void CounterTest::returnCountBeforeAndBetween()
{
    QCOMPARE(Count("あいう\nえ", PENWICK_DEFAULT_KINSOKU, 2, 20, 1), 0);
    count("ignored by ReturnCount", 1, 1);            // the reentrant call keeps out of it
    CountResult r = ReturnCount();
    QCOMPARE(r.nLines, 3);
    QCOMPARE(r.nChars, 4);
    QCOMPARE(Count(nullptr, nullptr, 20, 20, 1), 0);
    r = ReturnCount();
    QCOMPARE(r.nSheets + r.nLines + r.nChars, 0);
    QCOMPARE(Count("あ", "", 0, 20, 1), 0);
    r = ReturnCount();
    QCOMPARE(r.nSheets + r.nLines + r.nChars, 0);
}

void CounterTest::usableFromC()
{
    QCOMPARE(counter_checks_from_c(), 0);
}

QTEST_APPLESS_MAIN(CounterTest)
#include "CounterTest.moc"
