// SPDX-License-Identifier: GPL-3.0-or-later
// The DOM service: what the project format relies on (attribute order, dropped
// whitespace, positions), node operations, and loads that must fail without harm.
#include "DomDocument.h"
#include "FileIO.h"
#include "ProjectFormat.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace penwick;

namespace {

std::string serialize(const DomDocument& doc)
{
    std::string bytes;
    const Status s = doc.serialize(bytes);
    if (!s)
        qWarning("%s", s.message.c_str());
    return bytes;
}

std::string nested(int levels)
{
    std::string s = "<?xml version=\"1.0\"?>";
    for (int i = 0; i < levels; ++i)
        s += "<p t=\"x\">";
    for (int i = 0; i < levels; ++i)
        s += "</p>";
    return s;
}

const char* kProject =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>吾輩は猫である。</text>"
    "<paragraph title=\"一\" textout=\"no\" type=\"場面\"><text>名前はまだ無い。</text></paragraph>"
    "</chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text/></chapter>"
    "</project>";

}  // namespace

class TestDomDocument : public QObject {
    Q_OBJECT
private slots:
    void longFilesReportBadBytesFirst();
    void readsByPositionAndKeepsAttributeOrder();
    void dropsWhitespaceBetweenElementsOnly();
    void savesWhatItLoaded();
    void goldenFilesSaveByteForByte_data();
    void goldenFilesSaveByteForByte();
    void escapesMarkupAndLineBreaksInText();
    void failedLoadsKeepThePreviousDocument_data();
    void failedLoadsKeepThePreviousDocument();
    void missingFileNamesTheFile();
    void depthLimitIsExact();
    void deepFileIsRefusedWithoutCrashing();
    void createsOutlineElementsInFormatOrder();
    void insertsMovesAndReplaces();
    void refusesNodeInsideItselfAndTooDeep();
    void clonesDeepAndShallow();
    void importedNodesOutliveTheirSourceDocument();
    void textGathersDescendantsAndCommentsHaveNoAttributes();
    void resultCodeTexts();
};

void TestDomDocument::readsByPositionAndKeepsAttributeOrder()
{
    DomDocument doc;
    // Another tool's element with its attributes in another order: read by position.
    QVERIFY(doc.loadFromBytes("<r zz=\"T\"><node type=\"t\" title=\"n\" textout=\"yes\"/></r>", "a.xml"));
    std::string title;
    QCOMPARE(format::ReadProjectTitle(doc, &title), S_OK);
    QCOMPARE(title, std::string("T"));
    const DomNode node = doc.documentElement().firstChild();
    QCOMPARE(format::NodeTitle(node), std::string("t"));
    std::string flag;
    QCOMPARE(format::ReadExportFlag(node, &flag), S_OK);
    QCOMPARE(flag, std::string("n"));
    DomAttributeMap map = node.attributes();
    QCOMPARE(map.length(), 3);
    QCOMPARE(map.nextNode().name(), std::string("type"));
    QCOMPARE(map.nextNode().name(), std::string("title"));
    QCOMPARE(map.nextNode().name(), std::string("textout"));
    QVERIFY(!map.nextNode());
    // A fresh map starts at the first attribute again.
    QCOMPARE(node.attributes().nextNode().name(), std::string("type"));
    QVERIFY(serialize(doc).find("<node type=\"t\" title=\"n\" textout=\"yes\"") != std::string::npos);

    // The title attribute is rewritten in place, its name kept.
    QCOMPARE(format::WriteProjectTitle(doc, "新題"), S_OK);
    QVERIFY(serialize(doc).find("<r zz=\"新題\">") != std::string::npos);
}

void TestDomDocument::dropsWhitespaceBetweenElementsOnly()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<p t=\"x\">\n  <chapter title=\"a\" textout=\"yes\" type=\"B\">\n"
                              "    <text>  本文  </text>\n  </chapter>\n  <chapter title=\"b\">"
                              "<text>\n\n</text></chapter>\n</p>\n",
                              "ws.xml"));
    const DomNode first = doc.documentElement().firstChild();
    QCOMPARE(first.nodeName(), std::string("chapter"));
    QCOMPARE(first.firstChild().nodeName(), std::string("text"));   // text element first
    QCOMPARE(format::NodeOwnText(first), std::string("  本文  "));
    const DomNode second = first.nextSibling();
    QCOMPARE(second.nodeName(), std::string("chapter"));
    QVERIFY(!second.nextSibling());
    // A node text of blank lines is the writer's content, not layout.
    QCOMPARE(format::NodeOwnText(second), std::string("\n\n"));
}

void TestDomDocument::savesWhatItLoaded()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(kProject, "p.xml"));
    QCOMPARE(serialize(doc), std::string(kProject));

    QTemporaryDir dir;
    const std::string path = dir.filePath("saved.xml").toStdString();
    QVERIFY(doc.save(path));
    DomDocument again;
    QVERIFY(again.load(path));
    QCOMPARE(serialize(again), std::string(kProject));
}

void TestDomDocument::goldenFilesSaveByteForByte_data()
{
    QTest::addColumn<QString>("file");
    for (const QString& f : QDir(PENWICK_TEST_DATA).entryList({"*.xml"}, QDir::Files))
        QTest::newRow(qPrintable(f)) << f;
}

void TestDomDocument::goldenFilesSaveByteForByte()
{
    // data/X.xml as another tool wrote it (indented); data/saved/X.xml is what Penwick
    // writes for it: the same bytes in the same encoding, without the indentation.
    QFETCH(QString, file);
    auto read = [](const QString& path) {
        std::string bytes;
        ReadWholeFile(path.toStdString(), bytes);
        return QByteArray::fromStdString(bytes);
    };
    const QString golden = QStringLiteral(PENWICK_TEST_DATA "/saved/") + file;
    QTemporaryDir dir;
    for (const QString& source : {QStringLiteral(PENWICK_TEST_DATA "/") + file, golden}) {
        DomDocument doc;
        const Status loaded = doc.load(source.toStdString());
        QVERIFY2(loaded, loaded.message.c_str());
        const QString saved = dir.filePath(file);
        QVERIFY(doc.save(saved.toStdString()));
        QCOMPARE(read(saved), read(golden));
    }
}

void TestDomDocument::escapesMarkupAndLineBreaksInText()
{
    {   // A character Shift_JIS cannot hold becomes a reference and loads back the same.
        DomDocument doc;
        QVERIFY(doc.loadFromBytes("<p t=\"\xF0\x9F\x98\x80\">\xE6\x89\xAD\xE2\x91\xA0</p>", "u.xml"));
        QCOMPARE(doc.setDeclaredEncoding("Shift_JIS"), S_OK);
        const std::string bytes = serialize(doc);
        QCOMPARE(bytes.substr(0, 40), std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>").substr(0, 40));
        QVERIFY(bytes.find("&#x1F600;") != std::string::npos);
        DomDocument again;
        QVERIFY(again.loadFromBytes(bytes, "s.xml"));
        QCOMPARE(again.documentElement().text(), doc.documentElement().text());
        QCOMPARE(again.documentElement().firstAttribute().value(), std::string("\xF0\x9F\x98\x80"));
    }
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<p t=\"x\"><c title=\"a\"><text/></c></p>", "e.xml"));
    const std::string text = "a < b && c > d \"q\" 'r'\r\n次の行\n\tタブ\r";
    const std::string title = "題 \"引用\" <&> 改\n行\t";
    DomNode holder = doc.documentElement().firstChild().firstChild();
    QCOMPARE(doc.appendChild(holder, doc.createTextNode(text)), S_OK);
    QCOMPARE(doc.setAttribute(doc.documentElement(), "t", title), S_OK);
    DomDocument again;
    QVERIFY(again.loadFromBytes(serialize(doc), "e2.xml"));
    QCOMPARE(format::NodeOwnText(again.documentElement().firstChild()), text);

    // White space beside other nodes is content too once it is in the document.
    DomDocument mixed;
    QVERIFY(mixed.loadFromBytes("<p t=\"x\"><c><![CDATA[<x]]>&#xA; \t<d/>&#32;</c></p>", "m.xml"));
    DomDocument reloaded;
    QVERIFY(reloaded.loadFromBytes(serialize(mixed), "m2.xml"));
    QCOMPARE(serialize(reloaded), serialize(mixed));
    QCOMPARE(reloaded.documentElement().text(), std::string("<x\n \t "));
    std::string read;
    QCOMPARE(format::ReadProjectTitle(again, &read), S_OK);
    QCOMPARE(read, title);
}

void TestDomDocument::failedLoadsKeepThePreviousDocument_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");   // a piece of the message
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << QByteArray() << QString("ファイルが空です") << int(E_XML_EMPTY);
    QTest::newRow("no element") << QByteArray("<?xml version=\"1.0\"?>\n<!-- nothing -->")
                                << QString("文書要素") << int(E_XML_EMPTY);
    QTest::newRow("mismatch") << QByteArray("<p t=\"x\">\n  <c title=\"a\">\n</p>")
                              << QString("3 行 3 列: 開始タグと終了タグが対応していません") << int(E_XML_PARSE);
    QTest::newRow("bad attribute") << QByteArray("<p t=x/>") << QString("1 行") << int(E_XML_PARSE);
    QTest::newRow("NUL") << QByteArray("<p t=\"x\">\n<c>a\0b</c></p>", 24)
                         << QString("2 行 5 列: NUL 文字") << int(E_XML_PARSE);
    QTest::newRow("text before the root") << QByteArray("e<p t=\"x\"/>") << QString("1 行 1 列: 文書要素の外")
                                          << int(E_XML_PARSE);
    QTest::newRow("text after the root") << QByteArray("<p t=\"x\"/>\nxy\n") << QString("2 行 1 列: 文書要素の外")
                                         << int(E_XML_PARSE);
    QTest::newRow("late declaration")
        << QByteArray("<!-- c --><?xml version=\"1.0\" encoding=\"UTF-7\"?><p t=\"x\"/>")
        << QString("XML 宣言が文書の先頭にありません") << int(E_XML_PARSE);
    QTest::newRow("two roots") << QByteArray("<p t=\"x\"/>\n<q/>") << QString("2 行") << int(E_XML_PARSE);
    QTest::newRow("unknown encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"x-no-such-code\"?><p t=\"x\"/>")
        << QString("x-no-such-code") << int(E_XML_ENCODING);
    QTest::newRow("not ASCII-compatible")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-7\"?><p t=\"x\"/>") << QString("UTF-7")
        << int(E_XML_ENCODING);
    QTest::newRow("invalid utf-8") << QByteArray("<p t=\"\xE3\x81\">x</p>") << QString("1 行")
                                   << int(E_XML_ENCODING);
}

void TestDomDocument::failedLoadsKeepThePreviousDocument()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, code);
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(kProject, "good.xml"));
    const Status s = doc.loadFromBytes(std::string_view(bytes.constData(), bytes.size()), "/x/bad.xml");
    QVERIFY(!s);
    QCOMPARE(s.hr, code);
    const QString message = QString::fromStdString(s.message);
    QVERIFY2(message.contains("「/x/bad.xml」を読み込めませんでした。"), qPrintable(message));
    QVERIFY2(message.contains(expected), qPrintable(message));
    QCOMPARE(serialize(doc), std::string(kProject));
}

void TestDomDocument::missingFileNamesTheFile()
{
    QTemporaryDir dir;
    DomDocument doc;
    const std::string path = dir.filePath("none.xml").toStdString();
    const Status s = doc.load(path);
    QCOMPARE(s.hr, E_FILE_NOT_FOUND);
    QVERIFY(QString::fromStdString(s.message).contains(QString::fromStdString(path)));
    QVERIFY(!doc.documentElement());
}

void TestDomDocument::depthLimitIsExact()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(nested(kMaxDepth), "limit.xml"));
    DomNode deepest = doc.documentElement();
    while (deepest.firstChild())
        deepest = deepest.firstChild();
    QCOMPARE(deepest.depth(), kMaxDepth);
    QCOMPARE(doc.documentElement().subtreeDepth(), kMaxDepth);
    QCOMPARE(doc.loadFromBytes(nested(kMaxDepth + 1), "over.xml").hr, E_XML_TOO_DEEP);
}

void TestDomDocument::deepFileIsRefusedWithoutCrashing()
{
    DomDocument doc;
    const Status s = doc.loadFromBytes(nested(200000), "deep.xml");
    QCOMPARE(s.hr, E_XML_TOO_DEEP);
    QVERIFY(QString::fromStdString(s.message).contains("1000"));
}

void TestDomDocument::createsOutlineElementsInFormatOrder()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<project title=\"P\"/>", "n.xml"));
    DomNode el;
    QCOMPARE(format::CreateOutlineElement(doc, format::kChapter, "A", false, "Basic", &el), S_OK);
    QVERIFY(doc.isDetached(el));
    DomNode inserted;
    QCOMPARE(doc.appendChild(doc.documentElement(), el, &inserted), S_OK);
    QVERIFY(doc.contains(inserted));
    QVERIFY(serialize(doc).find("<chapter title=\"A\" textout=\"no\" type=\"Basic\"><text/></chapter>")
            != std::string::npos);
    QCOMPARE(format::SiblingElementName(inserted), format::kChapter);
    DomNode para;
    QCOMPARE(format::CreateOutlineElement(doc, format::kParagraph, "p", true, "x", &para), S_OK);
    QCOMPARE(format::SiblingElementName(para), format::kParagraph);
}

void TestDomDocument::insertsMovesAndReplaces()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<r t=\"x\"><a/><b/><c/></r>", "m.xml"));
    DomNode root = doc.documentElement();
    DomNode a = root.firstChild(), b = a.nextSibling(), c = b.nextSibling();
    // Moving an attached node keeps its identity.
    QCOMPARE(doc.insertBefore(root, c, a), S_OK);
    QCOMPARE(root.firstChild(), c);
    QCOMPARE(doc.appendChild(root, c), S_OK);
    QCOMPARE(root.lastChild(), c);
    // A null reference means append.
    DomNode d;
    QCOMPARE(doc.insertBefore(root, doc.createElement("d"), DomNode(), &d), S_OK);
    QCOMPARE(root.lastChild(), d);
    // Replacing a text node: the old one is gone.
    DomNode t1, t2;
    QCOMPARE(doc.appendChild(a, doc.createTextNode("old"), &t1), S_OK);
    QCOMPARE(doc.replaceChild(a, doc.createTextNode("new"), t1, &t2), S_OK);
    QCOMPARE(a.text(), std::string("new"));
    QCOMPARE(a.firstChild(), t2);
    QVERIFY(!t2.nextSibling());
    QCOMPARE(doc.removeChild(root, b), S_OK);
    QCOMPARE(serialize(doc), std::string("<r t=\"x\"><a>new</a><c/><d/></r>"));
    // Wrong parents and null nodes are errors, not crashes.
    QCOMPARE(doc.removeChild(a, c), E_INVALIDARG);
    QCOMPARE(doc.insertBefore(a, doc.createElement("z"), c), E_INVALIDARG);
    QCOMPARE(doc.appendChild(DomNode(), a), E_POINTER);
    QCOMPARE(doc.setAttribute(DomNode(), "a", "b"), E_POINTER);
}

void TestDomDocument::refusesNodeInsideItselfAndTooDeep()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<r t=\"x\"><a><b/></a></r>", "s.xml"));
    DomNode a = doc.documentElement().firstChild();
    QCOMPARE(doc.appendChild(a.firstChild(), a), E_INVALIDARG);
    QCOMPARE(doc.appendChild(a, a), E_INVALIDARG);

    DomDocument deep;
    QVERIFY(deep.loadFromBytes(nested(kMaxDepth - 1), "d.xml"));
    DomNode bottom = deep.documentElement();
    while (bottom.firstChild())
        bottom = bottom.firstChild();
    QCOMPARE(deep.appendChild(bottom, deep.createElement("ok")), S_OK);
    DomNode two = deep.createElement("x");
    QCOMPARE(deep.appendChild(two, deep.createElement("y")), S_OK);
    QCOMPARE(deep.appendChild(bottom, two), E_XML_TOO_DEEP);
}

void TestDomDocument::clonesDeepAndShallow()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(kProject, "c.xml"));
    const DomNode chapter = doc.documentElement().firstChild();
    const DomNode shallow = doc.cloneNode(chapter, false);
    QVERIFY(!shallow.firstChild());
    QCOMPARE(shallow.attributes().length(), 3);
    const DomNode deep = doc.cloneNode(chapter, true);
    QCOMPARE(deep.text(), chapter.text());
    QVERIFY(deep != chapter);
    // Building a shallow copy with its own text, as the node clipboard does.
    QCOMPARE(doc.appendChild(shallow, doc.cloneNode(chapter.firstChild(), true)), S_OK);
    QCOMPARE(shallow.text(), std::string("吾輩は猫である。"));
    QVERIFY(doc.isDetached(shallow));
    // Nothing detached reaches the file.
    QCOMPARE(serialize(doc), std::string(kProject));
}

void TestDomDocument::importedNodesOutliveTheirSourceDocument()
{
    DomDocument project, clip;
    QVERIFY(project.loadFromBytes(kProject, "a.xml"));
    DomNode held = clip.importNode(project.documentElement().firstChild(), true);
    QVERIFY(held);
    QVERIFY(project.loadFromBytes("<other t=\"o\"><chapter title=\"x\"><text/></chapter></other>", "b.xml"));
    for (int i = 0; i < 2; ++i) {   // one copy pastes any number of times
        DomNode pasted;
        QCOMPARE(project.insertBefore(project.documentElement(), held,
                                      project.documentElement().firstChild(), &pasted), S_OK);
        QCOMPARE(format::NodeTitle(pasted), std::string("第一章"));
    }
    QVERIFY(clip.isDetached(held));
    QCOMPARE(held.text(), std::string("吾輩は猫である。名前はまだ無い。"));
}

void TestDomDocument::textGathersDescendantsAndCommentsHaveNoAttributes()
{
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<r t=\"x\"><!-- note --><a>1<b>2<![CDATA[<3>]]></b>4</a><?pi x?></r>", "t.xml"));
    const DomNode comment = doc.documentElement().firstChild();
    QCOMPARE(comment.nodeType(), DomNodeType::Comment);
    QVERIFY(!comment.attributes());
    QVERIFY(!format::IsOutlineNode(comment));
    QCOMPARE(comment.nextSibling().text(), std::string("12<3>4"));
    QCOMPARE(comment.nextSibling().nextSibling().nodeType(), DomNodeType::ProcessingInstruction);
    QCOMPARE(serialize(doc), std::string("<r t=\"x\"><!-- note --><a>1<b>2<![CDATA[<3>]]></b>4</a><?pi x?></r>"));
}

void TestDomDocument::resultCodeTexts()
{
    QCOMPARE(ResultCodeText(E_POINTER), std::string("無効なポインタです。"));
    QCOMPARE(ResultCodeText(MakeFailure(0x80040205u)), std::string("IDispatch error #5"));
    QCOMPARE(ResultCodeText(MakeFailure(0x80040200u)), std::string("Unknown error 0x80040200"));
    QCOMPARE(ResultCodeText(MakeFailure(0x8004FFFFu)), std::string("IDispatch error #65023"));
    QCOMPARE(ResultCodeText(MakeFailure(0x80050000u)), std::string("Unknown error 0x80050000"));
    QCOMPARE(ResultCodeText(ResultFromErrno(ENOSPC)), std::string("ディスクに十分な空き領域がありません。"));
}

// A long file is checked for UTF-8 beside its parse: bytes that are not UTF-8 are still what
// it is reported for, even when the markup is broken earlier, and the document loaded before
// stays; a long file that is well formed loads whole.
void TestDomDocument::longFilesReportBadBytesFirst()
{
    QTemporaryDir dir;
    std::string body;
    while (body.size() < (2u << 20))
        body += "<chapter title=\"章\"><text>吾輩は猫である。名前はまだ無い。</text></chapter>";
    const auto write = [&](const char* name, const std::string& bytes) {
        const std::string path = dir.filePath(name).toStdString();
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), qint64(bytes.size()));
        return path;
    };
    DomDocument doc;
    QVERIFY(doc.load(write("good.xml", "<project title=\"良\">" + body + "</project>")));
    QCOMPARE(doc.documentElement().firstAttribute().value(), std::string("良"));

    const std::string broken = "<project title=\"悪\"><chapter>" + body + "\xE3\x81</project>";
    const Status bad = doc.load(write("bad.xml", broken));
    QCOMPARE(bad.hr, E_XML_ENCODING);
    QVERIFY2(bad.message.find("0xE3") != std::string::npos && bad.message.find("bad.xml") != std::string::npos,
             bad.message.c_str());
    QCOMPARE(doc.documentElement().firstAttribute().value(), std::string("良"));

    const Status unclosed = doc.load(write("unclosed.xml", "<project title=\"悪\"><chapter>" + body + "</project>"));
    QCOMPARE(unclosed.hr, E_XML_PARSE);

    // The rest of the checks hold for a long text as for a short one: text after the document
    // element, found where the text stands once its characters are repaired, and depth.
    const Status junk = doc.load(write("junk.xml", "<project title=\"悪\">" + body + "</project>\n\n  後"));
    QCOMPARE(junk.hr, E_XML_PARSE);
    QVERIFY2(junk.message.find("3 行 3 列: 文書要素の外に文字データがあります。") != std::string::npos, junk.message.c_str());
    const Status repaired =
        doc.load(write("repaired.xml", "<project title=\"&#0;悪\">\n" + body + "</project>\n後"));
    QVERIFY2(repaired.message.find("3 行 1 列: 文書要素の外に文字データがあります。") != std::string::npos,
             repaired.message.c_str());
    const auto nested = [&](int levels) {   // the document element is the first level
        std::string s = "<project title=\"深\">" + body;
        for (int i = 1; i < levels; ++i)
            s += "<d>";
        for (int i = 1; i < levels; ++i)
            s += "</d>";
        return s + "</project>";
    };
    QCOMPARE(doc.load(write("deep.xml", nested(kMaxDepth + 1))).hr, E_XML_TOO_DEEP);
    QVERIFY(doc.load(write("deepest.xml", nested(kMaxDepth))));
    QCOMPARE(doc.documentElement().firstAttribute().value(), std::string("深"));
}

QTEST_APPLESS_MAIN(TestDomDocument)
#include "tst_domdocument.moc"
