// SPDX-License-Identifier: GPL-3.0-or-later
// The manuscript map against the counter: totals, caret positions (checked against the
// whole text laid out at once), where sheets begin, and edits applied one by one against
// a map built afresh.
#include "ManuscriptLayout.h"
#include "ManuscriptMap.h"
#include "TextAssembly.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace penwick;

namespace {

QByteArray Corpus(const char* name)
{
    QFile f(QStringLiteral(PENWICK_CORPUS_DIR "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Escaped(QByteArray s)
{
    return s.replace("&", "&amp;").replace("<", "&lt;");
}

// Three chapters of the corpus: each with its own text and paragraph nodes (one not
// exported, one empty, one with CR LF breaks); one chapter runs straight into the next.
std::string CorpusProject()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"t\">";
    int n = 0;
    for (const char* file : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"}) {
        const QList<QByteArray> paragraphs = Corpus(file).split('\n');
        xml += "<chapter title=\"c\" textout=\"yes\" type=\"Basic\"><text>" + Escaped(paragraphs.mid(0, 3).join('\n'))
               + "</text>";
        for (int i = 3; i + 4 < paragraphs.size(); i += 4, ++n) {
            QByteArray text = paragraphs.mid(i, 4).join(n % 5 == 2 ? "\r\n" : "\n");
            if (n % 7 == 3)
                text.clear();
            xml += QByteArray("<paragraph title=\"p\" textout=\"") + (n % 6 == 4 ? "no" : "yes")
                   + "\" type=\"Basic\"><text>" + Escaped(text) + "</text></paragraph>";
        }
        xml += "</chapter>";
    }
    return (xml + "</project>").toStdString();
}

CountSettings Grid(int vertical, int horizontal, int mode = 1)
{
    CountSettings s;
    s.vertical = vertical;
    s.horizontal = horizontal;
    s.mode = mode;
    return s;
}

// Where the character at `offset` of the whole text stands, from the whole text laid out
// at once: the reference the map must agree with.
struct Reference {
    std::vector<counter::LaidCell> cells;
    std::int64_t lines = 0;

    Reference(const std::string& text, const CountSettings& s)
    {
        const counter::KinsokuSet kinsoku(s.kinsoku.data(), s.kinsoku.size());
        lines = counter::layOutManuscript(text.data(), text.size(), s.mode ? kinsoku : counter::KinsokuSet(),
                                          s.vertical, [&](const std::vector<counter::LaidCell>& line) {
                                              cells.insert(cells.end(), line.begin(), line.end());
                                          });
    }

    // The cell holding offset; right after a paragraph's last cell, the cell after it on
    // its line; {-1, 0} in an empty paragraph.
    std::pair<std::int64_t, std::int64_t> at(std::size_t offset, int vertical) const
    {
        const auto it = std::lower_bound(cells.begin(), cells.end(), offset,
                                         [](const counter::LaidCell& c, std::size_t o) { return c.end <= o; });
        if (it != cells.end() && it->begin <= offset)
            return {it->line, std::min<std::int64_t>(it->cell, vertical - 1)};
        if (it != cells.begin() && std::prev(it)->end == offset)
            return {std::prev(it)->line, std::min<std::int64_t>(std::prev(it)->cell + 1, vertical - 1)};
        return {-1, 0};
    }
};

}  // namespace

class TestManuscriptMap : public QObject {
    Q_OBJECT
    DomDocument doc;
    std::string text;
    std::vector<TextSpan> spans;

private slots:
    void initTestCase()
    {
        QVERIFY(doc.loadFromBytes(CorpusProject(), "t.xml"));
        QVERIFY(AssembleProjectText(doc, [](HRESULT, std::string_view) {}, &text, &spans));
        // The annotated text is the counter's and the export's.
        std::vector<std::string> chapters;
        QVERIFY(GetAllChapterTexts(doc, [](HRESULT, std::string_view) {}, &chapters));
        std::string joined;
        for (const std::string& c : chapters)
            joined += c;
        QVERIFY(text == joined);
        QVERIFY(spans.size() > 20);
        for (const TextSpan& s : spans)
            QCOMPARE(text.substr(s.begin, s.length), s.node.firstChild().text());
    }

    void totalsAreTheCounters_data()
    {
        QTest::addColumn<int>("vertical");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("mode");
        QTest::newRow("20x20") << 20 << 20 << 1;
        QTest::newRow("42x34") << 42 << 34 << 1;
        QTest::newRow("7x5 no kinsoku") << 7 << 5 << 0;
        QTest::newRow("1x3") << 1 << 3 << 1;
    }
    void totalsAreTheCounters()
    {
        QFETCH(int, vertical);
        QFETCH(int, horizontal);
        QFETCH(int, mode);
        ManuscriptMap map(Grid(vertical, horizontal, mode));
        QVERIFY(map.build(doc));
        const CountResult counted = CountOneText(text, map.settings());
        QCOMPARE(map.total().lines, std::int64_t(counted.nSheets) * horizontal + counted.nLines);
        QCOMPARE(map.total().chars, std::int64_t(counted.nChars));
        // A node alone is what the counter makes of its text alone.
        for (int i = 0; i < map.nodeCount(); i += 3) {
            const CountResult alone = CountOneText(map.node(i).firstChild().text(), map.settings());
            QCOMPARE(map.nodeLength(i).lines, std::int64_t(alone.nSheets) * horizontal + alone.nLines);
            QCOMPARE(map.nodeLength(i).chars, std::int64_t(alone.nChars));
        }
    }

    // The caret anywhere: what the whole text laid out at once says; at the end of the
    // text, the counter's last line.
    void positionsAreTheWholeLayouts()
    {
        for (const CountSettings& s : {Grid(20, 20), Grid(42, 34), Grid(5, 3, 0)}) {
            ManuscriptMap map(s);
            map.build(text, spans);
            const Reference ref(text, s);
            for (std::size_t i = 0; i < spans.size(); ++i) {
                std::vector<std::size_t> offsets;
                for (std::size_t o = 0; o < spans[i].length; o += std::max<std::size_t>(1, spans[i].length / 37))
                    offsets.push_back(o);
                offsets.push_back(spans[i].length);
                for (const std::size_t o : offsets) {
                    const auto [line, cell] = ref.at(spans[i].begin + o, s.vertical);
                    if (line < 0)
                        continue;
                    const SheetPosition p = map.positionOf(int(i), o);
                    QCOMPARE((p.sheet - 1) * s.horizontal + p.line - 1, line);
                    QCOMPARE(p.cell - 1, cell);
                }
            }
            const int last = map.nodeCount() - 1;
            const SheetPosition end = map.positionOf(last, spans.back().length);
            QCOMPARE((end.sheet - 1) * s.horizontal + end.line, map.total().lines);
        }
    }

    // Every sheet begins where the map says: the caret there stands on that sheet's first
    // line (or, where a sheet begins between nodes, on that sheet).
    void sheetsBeginWhereTheyShould()
    {
        ManuscriptMap map(Grid(20, 20));
        map.build(text, spans);
        const std::int64_t sheets = (map.total().lines + 19) / 20;
        QVERIFY(sheets > 20);
        for (std::int64_t sheet = 1; sheet <= sheets; ++sheet) {
            const auto place = map.sheetStart(sheet);
            QVERIFY(place);
            const SheetPosition p = map.positionOf(place->node, place->offset);
            // The same place by paragraph, in the text with the editor's line ends too.
            const std::string own = map.node(place->node).firstChild().text();
            QCOMPARE(ManuscriptMap::OffsetOf(own, place->paragraph, place->column), place->offset);
            QString lf = QString::fromStdString(own);
            lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            const std::string editor = lf.toStdString();
            const std::size_t there = ManuscriptMap::OffsetOf(editor, place->paragraph, place->column);
            QVERIFY(editor.substr(there, 6) == own.substr(place->offset, 6) || there == editor.size());
            QVERIFY2(p.sheet == sheet || (p.sheet == sheet + 1 && p.line == 1),
                     qPrintable(QStringLiteral("sheet %1 at %2/%3/%4").arg(sheet).arg(p.sheet).arg(p.line).arg(p.cell)));
        }
        QVERIFY(!map.sheetStart(sheets + 1));
        QVERIFY(!map.sheetStart(0));
    }

    // Edits one by one equal a map built afresh from the edited texts.
    void editsEqualAFreshBuild()
    {
        const CountSettings s = Grid(20, 20);
        ManuscriptMap map(s);
        map.build(text, spans);
        // The text as regions: the gaps between nodes and the nodes' texts.
        std::vector<std::string> gaps, texts;
        std::size_t at = 0;
        for (const TextSpan& span : spans) {
            gaps.push_back(text.substr(at, span.begin - at));
            texts.push_back(text.substr(span.begin, span.length));
            at = span.begin + span.length;
        }
        gaps.push_back(text.substr(at));
        QRandomGenerator random(17);
        const char* inserts[] = {"あ", "。", "「", "\n", "\r\n", "ー", "　", "」」", "\n\n"};
        for (int round = 0; round < 400; ++round) {
            const int node = int(random.bounded(int(texts.size())));
            std::string& t = texts[std::size_t(node)];
            // Edit at a character boundary: whole UTF-8 sequences and CR LF pairs only (a lone
            // CR at a node's end would pair with the line feed after the node).
            auto boundary = [&](std::size_t p) {
                while (p < t.size() && ((static_cast<unsigned char>(t[p]) & 0xC0) == 0x80 || (p > 0 && t[p - 1] == '\r' && t[p] == '\n')))
                    ++p;
                return p;
            };
            const std::size_t pos = boundary(t.empty() ? 0 : random.bounded(int(t.size()) + 1));
            if (random.bounded(3) == 0 && pos < t.size()) {
                t.erase(pos, boundary(std::min(t.size(), pos + random.bounded(40) + 1)) - pos);
            } else {
                t.insert(pos, inserts[random.bounded(int(std::size(inserts)))]);
            }
            map.setNodeText(node, t);
            if (round % 40 != 39)
                continue;
            std::string whole;
            std::vector<TextSpan> fresh;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                whole += gaps[i];
                fresh.push_back({spans[i].node, whole.size(), texts[i].size()});
                whole += texts[i];
            }
            whole += gaps.back();
            ManuscriptMap rebuilt(s);
            rebuilt.build(whole, fresh);
            QCOMPARE(map.total().lines, rebuilt.total().lines);
            QCOMPARE(map.total().chars, rebuilt.total().chars);
            const CountResult counted = CountOneText(whole, s);
            QCOMPARE(map.total().lines, std::int64_t(counted.nSheets) * 20 + counted.nLines);
            for (int k = 0; k < 30; ++k) {
                const int i = int(random.bounded(int(texts.size())));
                const std::size_t o = texts[std::size_t(i)].empty() ? 0 : random.bounded(int(texts[std::size_t(i)].size()));
                const SheetPosition a = map.positionOf(i, o), b = rebuilt.positionOf(i, o);
                QCOMPARE(a.sheet, b.sheet);
                QCOMPARE(a.line, b.line);
                QCOMPARE(a.cell, b.cell);
                QCOMPARE(map.nodeLength(i).lines, rebuilt.nodeLength(i).lines);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestManuscriptMap)
#include "tst_manuscriptmap.moc"
