// SPDX-License-Identifier: GPL-3.0-or-later
// The ruby and emphasis notation, table by table: what is recognised, what stays plain
// text, and the text as the novel sites count it.
#include "RubyNotation.h"

#include <QTest>

using namespace penwick::notation;

namespace {

// The marks as "kind:base/reading" (E emphasis, R ruby, X escape).
QStringList Marks(const std::string& text)
{
    QStringList out;
    for (const Mark& m : Parse(text)) {
        const QString base = QString::fromStdString(text.substr(m.baseStart, m.baseEnd - m.baseStart));
        switch (m.kind) {
        case Kind::Ruby:
            out << "R:" + base + "/" + QString::fromStdString(text.substr(m.rubyStart, m.rubyEnd - m.rubyStart));
            break;
        case Kind::Emphasis: out << "E:" + base; break;
        case Kind::Escape: out << "X:" + base; break;
        }
    }
    return out;
}

}  // namespace

class TestRubyNotation : public QObject {
    Q_OBJECT
private slots:
    void notation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<QString>("plain");
        const auto row = [](const char* name, const char* text, QStringList marks, const char* plain) {
            QTest::newRow(name) << QString::fromUtf8(text) << marks << QString::fromUtf8(plain);
        };
        row("bar ruby", "彼は|魔法使い《ウィザード》だ", {"R:魔法使い/ウィザード"}, "彼は魔法使いだ");
        row("full-width bar", "｜東京《とうきょう》へ", {"R:東京/とうきょう"}, "東京へ");
        row("kanji ruby", "あの漢字《かんじ》を", {"R:漢字/かんじ"}, "あの漢字を");
        row("kanji run with 々", "人々《ひとびと》", {"R:人々/ひとびと"}, "人々");
        row("kanji ruby stops at kana", "ひら仮名《がな》", {"R:仮名/がな"}, "ひら仮名");
        row("no kanji before", "かな《かな》", {}, "かな《かな》");
        row("emphasis", "これは《《傍点》》です", {"E:傍点"}, "これは傍点です");
        row("escaped bracket", "|《これ》は本文", {"X:《"}, "《これ》は本文");
        row("unclosed", "漢字《かんじ", {}, "漢字《かんじ");
        row("empty reading", "漢字《》", {}, "漢字《》");
        row("reading of 21 characters", "字《あいうえおかきくけこさしすせそたちつてとな》", {},
            "字《あいうえおかきくけこさしすせそたちつてとな》");
        row("reading of 20 characters", "字《あいうえおかきくけこさしすせそたちつてと》", {"R:字/あいうえおかきくけこさしすせそたちつてと"}, "字");
        row("line end inside", "漢字《か\nんじ》", {}, "漢字《か\nんじ》");
        row("bar on an earlier line", "|前の行\n漢字《かんじ》", {"R:漢字/かんじ"}, "|前の行\n漢字");
        row("two in a row", "|春《はる》|夏《なつ》", {"R:春/はる", "R:夏/なつ"}, "春夏");
        row("bar with nothing before 《 is an escape", "a|《b》", {"X:《"}, "a《b》");
        row("unclosed emphasis falls back", "《《傍点》", {}, "《《傍点》");
    }
    void notation()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, marks);
        QFETCH(QString, plain);
        QCOMPARE(Marks(text.toStdString()), marks);
        QCOMPARE(QString::fromStdString(PlainText(text.toStdString())), plain);
    }

    // Whatever the bytes, marks stay inside the text, in order, without overlapping.
    void anyBytesGiveOrderedMarks()
    {
        const std::string pieces[] = {"|", "｜", "《", "》", "漢", "か", "\n", "\xff", "a"};
        std::uint32_t seed = 7;
        for (int round = 0; round < 2000; ++round) {
            std::string text;
            for (int i = 0; i < 12; ++i) {
                seed = seed * 1103515245 + 12345;
                text += pieces[(seed >> 16) % std::size(pieces)];
            }
            std::size_t end = 0;
            for (const Mark& m : Parse(text)) {
                QVERIFY(m.start >= end && m.start <= m.baseStart && m.baseEnd <= m.end && m.end <= text.size());
                end = m.end;
            }
            QVERIFY(PlainText(text).size() <= text.size());
        }
    }
};

QTEST_APPLESS_MAIN(TestRubyNotation)
#include "tst_rubynotation.moc"
