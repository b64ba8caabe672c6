// SPDX-License-Identifier: GPL-3.0-or-later
// Searching the whole project: outline order and title paths, lines and positions as the
// editor counts them, the two options, and the text being edited in place of the stored.
#include "ProjectSearch.h"

#include <QTest>

using namespace penwick;

namespace {

const char kProject[] =
    "<project title=\"p\">"
    "<chapter title=\"第一章\"><text>猫がいる。\r\nＣａｔ and concat.</text>"
    "<paragraph title=\"一\"><text>カタカナの猫\r\n二行目の猫猫</text></paragraph></chapter>"
    "<chapter title=\"第二章\"><text>cat_walk 𠮷猫</text></chapter>"
    "</project>";

std::unique_ptr<DomDocument> Doc()
{
    auto doc = std::make_unique<DomDocument>();
    doc->loadFromBytes(kProject, "p.xml");
    return doc;
}

QStringList Found(const DomDocument& doc, const char* what, SearchOptions options = {}, const TextOverride& edited = {})
{
    QStringList out;
    for (const SearchHit& h : SearchProject(doc, what, options, edited))
        out << QStringLiteral("%1:%2:%3+%4").arg(QString::fromStdString(h.path)).arg(h.line).arg(h.start).arg(h.length);
    return out;
}

}  // namespace

class TestProjectSearch : public QObject {
    Q_OBJECT
private slots:
    void outlineOrderLinesAndPositions()
    {
        const auto doc = Doc();
        // Positions count UTF-16 units of the text as the editor holds it (CR LF one line end).
        QCOMPARE(Found(*doc, "猫"), (QStringList{"第一章:1:0+1", "第一章 › 一:1:5+1", "第一章 › 一:2:11+1",
                                                 "第一章 › 一:2:12+1", "第二章:1:11+1"}));
        const auto hits = SearchProject(*doc, "猫猫", {});
        QCOMPARE(hits.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(hits[0].lineText), QStringLiteral("二行目の猫猫"));
        QCOMPARE(hits[0].lineText.substr(hits[0].lineStart, hits[0].lineLength), std::string("猫猫"));
        QVERIFY(Found(*doc, "").isEmpty());
        QVERIFY(Found(*doc, "犬").isEmpty());
    }

    void caseAndWholeWords()
    {
        const auto doc = Doc();
        // Case folds full-width letters among themselves too (as the Find dialog does);
        // match case does not.
        QCOMPARE(Found(*doc, "CAT").size(), 2);                       // concat, cat_walk
        QCOMPARE(Found(*doc, "CAT", {false, true}).size(), 0);
        QCOMPARE(Found(*doc, "ｃａｔ"), QStringList{"第一章:2:6+3"});   // Ｃａｔ
        // Whole words: Latin and katakana runs are words, each kanji and kana its own.
        QCOMPARE(Found(*doc, "ｃａｔ", {true, false}).size(), 1);
        QVERIFY(Found(*doc, "cat", {true, false}).isEmpty());         // inside concat and cat_walk
        QVERIFY(Found(*doc, "カタ", {true, false}).isEmpty());
        QCOMPARE(Found(*doc, "カタカナ", {true, false}).size(), 1);
        QCOMPARE(Found(*doc, "猫", {true, false}).size(), 5);
        QVERIFY(Found(*doc, "walk", {true, false}).isEmpty());          // cat_walk is one word
    }

    void theEditedTextStandsForTheStored()
    {
        const auto doc = Doc();
        const DomNode second = doc->documentElement().lastChild();
        const auto edited = [&](DomNode n) -> std::optional<std::string> {
            if (n == second)
                return std::string("犬\n猫");
            return std::nullopt;
        };
        QCOMPARE(Found(*doc, "猫", {}, edited).last(), QStringLiteral("第二章:2:2+1"));
        QVERIFY(!Found(*doc, "walk", {}, edited).size());
    }
};

QTEST_APPLESS_MAIN(TestProjectSearch)
#include "tst_projectsearch.moc"
