// SPDX-License-Identifier: GPL-3.0-or-later
// The project text for export and counting, including the odd shapes hand-made files have.
#include "DomDocument.h"
#include "TextAssembly.h"

#include <QtTest>

using namespace penwick;

namespace {

struct Reports {
    std::vector<std::pair<HRESULT, std::string>> seen;
    FailureReport callback()
    {
        return [this](HRESULT hr, std::string_view op) { seen.emplace_back(hr, std::string(op)); };
    }
};

std::string joined(const DomDocument& doc, Reports& reports)
{
    std::vector<std::string> chapters;
    if (!GetAllChapterTexts(doc, reports.callback(), &chapters))
        return "<failed>";
    std::string all;
    for (const auto& c : chapters)
        all += c;
    return all;
}

const char* kWorkedExample =
    "<project title=\"P\">"
    "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>AAA</text>"
    "<paragraph title=\"P1\" textout=\"yes\" type=\"Basic\"><text>p1</text></paragraph>"
    "<paragraph title=\"P2\" textout=\"no\" type=\"Basic\"><text>p2</text></paragraph>"
    "</chapter>"
    "<chapter title=\"B\" textout=\"yes\" type=\"Basic\"><text>BBB</text></chapter>"
    "</project>";

}  // namespace

class TestTextAssembly : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void flagsHideOnlyTheNodesOwnText_data();
    void flagsHideOnlyTheNodesOwnText();
    void oddNodesAreReportedOnceAndTheRestGoesOn();
    void noDocumentElementStopsTheLoop();
    void veryDeepTreesNeedNoStack();
};

void TestTextAssembly::workedExample()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(kWorkedExample, "w.xml"));
    Reports r;
    const DomNode a = doc.documentElement().firstChild();
    QCOMPARE(GetTreeText(a.firstChild().nextSibling(), r.callback()), std::string("p1\n"));
    QCOMPARE(GetTreeText(a.lastChild(), r.callback()), std::string("\n"));
    QCOMPARE(GetChapterText(doc, 0, r.callback()), std::string("AAA\n\np1\n\n\n"));
    QCOMPARE(GetChapterText(doc, 1, r.callback()), std::string("BBB\n"));
    QCOMPARE(GetChapterText(doc, 2, r.callback()), std::string(kEndMarker));
    const std::string all = joined(doc, r);
    QCOMPARE(all, std::string("AAA\n\np1\n\n\nBBB\n"));
    QCOMPARE(all.size(), std::size_t(14));
    QVERIFY(r.seen.empty());
    // Past the end marker the index runs out before its last step.
    QCOMPARE(GetChapterText(doc, 3, r.callback()), std::string());
    QCOMPARE(r.seen.size(), std::size_t(1));
    QCOMPARE(r.seen[0].first, E_POINTER);
    QCOMPARE(r.seen[0].second, std::string("GetChapterText"));
}

void TestTextAssembly::flagsHideOnlyTheNodesOwnText_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("expected");
    QTest::newRow("case matters") << "<p t=\"x\"><c title=\"c\" textout=\"Yes\"><text>見えない</text></c>"
                                     "<c title=\"d\" textout=\"YES\"><text>x</text></c></p>"
                                  << "\n\n";
    QTest::newRow("hidden parent, shown grandchild")
        << "<p t=\"x\"><c title=\"c\" textout=\"yes\"><text>章</text>"
           "<q title=\"q\" textout=\"no\"><text>隠</text><r title=\"r\" textout=\"yes\"><text>孫</text></r></q>"
           "</c></p>"
        << "章\n\n\n\n孫\n";
    QTest::newRow("line breaks kept") << "<p t=\"x\"><c title=\"c\" textout=\"yes\"><text>一\n二\n</text></c></p>"
                                      << "一\n二\n\n";
    QTest::newRow("no chapters") << "<p t=\"x\"/>" << "";
    QTest::newRow("empty text element") << "<p t=\"x\"><c a=\"1\" b=\"yes\"><text/></c></p>" << "\n";
}

void TestTextAssembly::flagsHideOnlyTheNodesOwnText()
{
    QFETCH(QString, xml);
    QFETCH(QString, expected);
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(xml.toStdString(), "f.xml"));
    Reports r;
    QCOMPARE(QString::fromStdString(joined(doc, r)), expected);
    QVERIFY(r.seen.empty());
}

void TestTextAssembly::oddNodesAreReportedOnceAndTheRestGoesOn()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<p t=\"x\">"
                              "<c title=\"a\" textout=\"yes\"><text>一</text></c>"
                              "<!-- comment -->"
                              "<c title=\"only one attribute\"><text>x</text><d title=\"d\" textout=\"yes\"><text>z</text></d></c>"
                              "<c title=\"flag without holder\" textout=\"yes\"/>"
                              "<c title=\"b\" textout=\"yes\"><text>二</text></c>"
                              "</p>",
                              "odd.xml"));
    Reports r;
    QCOMPARE(joined(doc, r), std::string("一\n二\n"));
    QCOMPARE(r.seen.size(), std::size_t(3));
    for (const auto& [hr, op] : r.seen) {
        QCOMPARE(hr, E_POINTER);
        QCOMPARE(op, std::string("GetTreeText"));
    }
}

void TestTextAssembly::noDocumentElementStopsTheLoop()
{
    DomDocument doc;   // never loaded: no document element
    Reports r;
    std::vector<std::string> chapters{"stale"};
    QVERIFY(!GetAllChapterTexts(doc, r.callback(), &chapters));
    QVERIFY(chapters.empty());
    QCOMPARE(r.seen.size(), std::size_t(1));
    QCOMPARE(GetChapterText(doc, 0, r.callback()), std::string());
}

void TestTextAssembly::veryDeepTreesNeedNoStack()
{
    // Outline nodes down to the limit: root, 998 nodes, and the deepest node's holder.
    const int levels = kMaxDepth - 2;
    std::string xml = "<p t=\"x\">";
    for (int i = 0; i < levels; ++i)
        xml += "<c title=\"n\" textout=\"yes\" type=\"B\"><text>字</text>";
    for (int i = 0; i < levels; ++i)
        xml += "</c>";
    xml += "</p>";
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(xml, "deep.xml"));
    Reports r;
    const std::string text = GetChapterText(doc, 0, r.callback());
    // Each level: its text, "\n" for the holder, "\n" before the next level.
    QCOMPARE(text.size(), std::size_t(levels) * (3 + 1) + std::size_t(levels - 1));
    QVERIFY(r.seen.empty());
}

QTEST_APPLESS_MAIN(TestTextAssembly)
#include "tst_textassembly.moc"
