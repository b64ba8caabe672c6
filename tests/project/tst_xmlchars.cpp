// SPDX-License-Identifier: GPL-3.0-or-later
// Characters XML 1.0 cannot hold never cut a text short and never reach a saved file:
// they are replaced by U+FFFD when a file is loaded (written as references or raw) and when
// text enters the document; every document saved here is read back by libxml2 as well.
// And a node's text store never replaces an element, so no handle to an outline node dies.
#include "DomDocument.h"
#include "ProjectFormat.h"
#include "TextAssembly.h"
#include "WellFormed.h"
#include "XmlChars.h"
#include "XmlEncoding.h"

#include <QTest>

using namespace penwick;

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

std::string Saved(const DomDocument& doc)
{
    std::string bytes;
    if (!doc.serialize(bytes))
        return {};
    return bytes;
}

}  // namespace

class TestXmlChars : public QObject {
    Q_OBJECT
private slots:
    void unholdableReferencesBecomeReplacementCharacters_data();
    void unholdableReferencesBecomeReplacementCharacters();
    void referencesInCommentsAndCDataStayText();
    void textEnteringTheDocumentIsMadeSafe();
    void storeNeverReplacesAnElement();
    void markupOtherParsersRefuseIsRefused_data();
    void markupOtherParsersRefuseIsRefused();
};

void TestXmlChars::unholdableReferencesBecomeReplacementCharacters_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("NUL") << QByteArray("&#0;");
    QTest::newRow("NUL hex") << QByteArray("&#x0000;");
    QTest::newRow("control") << QByteArray("&#1;");
    QTest::newRow("surrogate") << QByteArray("&#xD800;");
    QTest::newRow("beyond Unicode") << QByteArray("&#x110000;");
    QTest::newRow("huge") << QByteArray("&#99999999999999999999;");
    QTest::newRow("FFFE") << QByteArray("&#xFFFE;");
    QTest::newRow("raw control") << QByteArray("\x01");
    QTest::newRow("raw FFFF") << QByteArray("\xEF\xBF\xBF");
}

void TestXmlChars::unholdableReferencesBecomeReplacementCharacters()
{
    QFETCH(QByteArray, written);
    const std::string w = written.toStdString();
    const std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project title=\"題" + w + "名\">\n"
                             "<chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>前" + w + "後ろの文</text></chapter>"
                             "</project>";
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(file, "novel.xml"));
    // The text after the character is all there; the character became U+FFFD.
    std::string title;
    QCOMPARE(format::ReadProjectTitle(doc, &title), S_OK);
    QCOMPARE(title, "題" + kFffd + "名");
    const DomNode chapter = doc.documentElement().firstChild();
    QCOMPARE(format::NodeOwnText(chapter), "前" + kFffd + "後ろの文");
    // Said once, with where.
    QVERIFY(doc.loadNotice().find("novel.xml") != std::string::npos);
    QVERIFY2(doc.loadNotice().find("2 行") != std::string::npos, doc.loadNotice().c_str());
    QVERIFY(doc.loadNotice().find("ほか 1 か所") != std::string::npos);
    // What it saves, any parser reads, and export writes valid UTF-8.
    const std::string saved = Saved(doc);
    QCOMPARE(test::XmlProblem(saved), std::string());
    std::vector<std::string> chapters;
    QVERIFY(GetAllChapterTexts(doc, [](HRESULT, std::string_view) {}, &chapters));
    QCOMPARE(chapters.size(), std::size_t(1));
    QVERIFY(IsValidUtf8(chapters[0]));
    // And a clean file says nothing.
    QVERIFY(doc.loadFromBytes(saved, "novel.xml"));
    QVERIFY(doc.loadNotice().empty());
}

void TestXmlChars::referencesInCommentsAndCDataStayText()
{
    const std::string file = "<project title=\"t\"><!-- &#0; --><chapter title=\"a\" textout=\"yes\" type=\"B\">"
                             "<text><![CDATA[&#0;]]>&#x3042;&amp;#0;</text></chapter></project>";
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(file, "x.xml"));
    QVERIFY(doc.loadNotice().empty());
    QCOMPARE(format::NodeOwnText(doc.documentElement().firstChild().nextSibling()), std::string("&#0;あ&#0;"));
    std::string expected = file;
    expected.replace(expected.find("&#x3042;"), 8, "あ");
    QCOMPARE(Saved(doc), expected);
    // A '>' in an attribute value ends no tag, "<!-->" does not end its comment, a '['
    // in a document type's identifier opens nothing: the carriage return after them is
    // still protected, so save, load and save give the same bytes.
    for (const char* file : {"<p title=\"a/>\"><c title=\"b\"/>x&#xD;y</p>",
                             "<!--> c --><p title=\"t\">x&#xD;y</p>",
                             "<!DOCTYPE p SYSTEM \"a[b>\"><p title=\"t\">x&#xD;y</p>"}) {
        QVERIFY(doc.loadFromBytes(file, "x.xml"));
        const std::string once = Saved(doc);
        QVERIFY2(once.find("&#13;") != std::string::npos, file);
        DomDocument again;
        QVERIFY(again.loadFromBytes(once, "x.xml"));
        QCOMPARE(Saved(again), once);
        QCOMPARE(test::XmlProblem(once), std::string());
    }
    // A '<' the parser lets through in an attribute value starts no comment or PI.
    QVERIFY(doc.loadFromBytes("<p title=\"a<?b&#1;c<!--\"><c title=\"&#0;\"/></p>", "x.xml"));
    std::string title;
    QCOMPARE(format::ReadProjectTitle(doc, &title), S_OK);
    QCOMPARE(title, "a<?b" + kFffd + "c<!--");
    QCOMPARE(format::NodeTitle(doc.documentElement().firstChild()), kFffd);
    QCOMPARE(test::XmlProblem(Saved(doc)), std::string());
}

void TestXmlChars::textEnteringTheDocumentIsMadeSafe()
{
    QCOMPARE(ToXmlText("abc"), std::string("abc"));
    QCOMPARE(ToXmlText(std::string("a\0b", 3)), "a" + kFffd + "b");
    QCOMPARE(ToXmlText("\t\r\n\x1f"), "\t\r\n" + kFffd);
    std::size_t replaced = 0;
    // Ill-formed UTF-8 by maximal subparts: E3 81 41 is U+FFFD 'A'; ED A0 80 three of them.
    QCOMPARE(ToXmlText("\xE3\x81\x41\xED\xA0\x80", &replaced), kFffd + "A" + kFffd + kFffd + kFffd);
    QCOMPARE(replaced, std::size_t(4));
    QCOMPARE(ToXmlText(kFffd + "\xF0\x9F\x98\x80", &replaced), kFffd + "\xF0\x9F\x98\x80");
    QCOMPARE(replaced, std::size_t(0));

    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<project title=\"t\"><chapter title=\"a\" textout=\"yes\" type=\"B\"><text/></chapter></project>", "x"));
    DomNode chapter = doc.documentElement().firstChild();
    const std::string typed("前\0後\x01\x08終", 12);
    QCOMPARE(format::StoreNodeText(doc, chapter, typed), S_OK);
    QCOMPARE(format::NodeOwnText(chapter), "前" + kFffd + "後" + kFffd + kFffd + "終");
    chapter.firstAttribute().setValue(std::string("題\0名", 7));
    QCOMPARE(format::NodeTitle(chapter), "題" + kFffd + "名");
    QCOMPARE(format::WriteProjectTitle(doc, "\x0b"), S_OK);
    const std::string saved = Saved(doc);
    QCOMPARE(test::XmlProblem(saved), std::string());
    QVERIFY(saved.find("&#") == std::string::npos);
}

void TestXmlChars::storeNeverReplacesAnElement()
{
    // Files from other tools: a chapter whose first child is a sub-node (no text element),
    // one whose text stands directly in it, one with no children, one whose text element
    // holds an element as well.
    const std::string file =
        "<project title=\"t\">"
        "<chapter title=\"A\" textout=\"yes\" type=\"B\"><paragraph title=\"A1\" textout=\"yes\" type=\"B\">"
        "<paragraph title=\"A11\" textout=\"yes\" type=\"B\"><text>深い</text></paragraph></paragraph></chapter>"
        "<chapter title=\"B\" textout=\"yes\" type=\"B\">じか</chapter>"
        "<chapter title=\"C\" textout=\"yes\" type=\"B\"/>"
        "<chapter title=\"D\" textout=\"yes\" type=\"B\"><text>前<em>強調</em>後</text></chapter>"
        "</project>";
    DomDocument doc;
    QVERIFY(doc.loadFromBytes(file, "x"));
    const DomNode a = doc.documentElement().firstChild();
    const DomNode a1 = a.firstChild();
    const DomNode a11 = a1.firstChild();
    QCOMPARE(format::NodeOwnText(a), std::string());   // its first child is a sub-node
    QCOMPARE(format::StoreNodeText(doc, a, "Aの文"), S_OK);
    QCOMPARE(format::StoreNodeText(doc, a1, "A1の文"), S_OK);
    // The sub-nodes are the same nodes, still in place, below new text elements.
    QVERIFY(doc.contains(a1) && doc.contains(a11));
    QCOMPARE(a1.parentNode(), a);
    QCOMPARE(a11.parentNode(), a1);
    QCOMPARE(format::NodeOwnText(a), std::string("Aの文"));
    QCOMPARE(format::NodeOwnText(a1), std::string("A1の文"));
    QCOMPARE(format::NodeOwnText(a11), std::string("深い"));

    const DomNode b = a.nextSibling(), c = b.nextSibling(), d = c.nextSibling();
    QCOMPARE(format::StoreNodeText(doc, b, "新"), S_OK);
    QCOMPARE(format::NodeOwnText(b), std::string("新"));
    QCOMPARE(format::StoreNodeText(doc, c, "空から"), S_OK);
    QCOMPARE(format::NodeOwnText(c), std::string("空から"));
    const DomNode em = d.firstChild().firstChild().nextSibling();
    QCOMPARE(format::StoreNodeText(doc, d, "置換"), S_OK);
    QVERIFY(doc.contains(em));
    QCOMPARE(format::NodeOwnText(d), std::string("置換強調"));

    // What a save writes loads back as the same outline.
    DomDocument again;
    const std::string saved = Saved(doc);
    QCOMPARE(test::XmlProblem(saved), std::string());
    QVERIFY(again.loadFromBytes(saved, "x"));
    const DomNode a1Again = again.documentElement().firstChild().firstChild().nextSibling();
    QCOMPARE(format::NodeTitle(a1Again), std::string("A1"));
    QCOMPARE(format::NodeOwnText(a1Again), std::string("A1の文"));
}

// Our parser is lenient where XML is not; a document it would accept but could only save
// as something other parsers refuse is refused at load, with the place named.
void TestXmlChars::markupOtherParsersRefuseIsRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("element name") << QByteArray("<p title=\"t\"><\xE2\x88\x80/></p>") << "要素名";
    QTest::newRow("attribute name") << QByteArray("<p title=\"t\" \xE2\x88\x80=\"1\"/>") << "属性名";
    QTest::newRow("two colons") << QByteArray("<p title=\"t\" a:b:c=\"1\"/>") << "属性名";
    QTest::newRow("colon at the end") << QByteArray("<p: title=\"t\"/>") << "要素名";
    QTest::newRow("attribute twice") << QByteArray("<p title=\"t\" title=\"u\"/>") << "同じ名前の属性";
    QTest::newRow("comment dashes") << QByteArray("<p title=\"t\"><!-- a -- b --></p>") << "コメント";
    QTest::newRow("pi named xml") << QByteArray("<p title=\"t\"><?XmL x?></p>") << "処理命令";
    QTest::newRow("declaration without version") << QByteArray("<?xml encoding=\"UTF-8\"?><p title=\"t\"/>") << "version";
    QTest::newRow("declaration out of order") << QByteArray("<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><p title=\"t\"/>") << "XML 宣言";
    QTest::newRow("doctype subset") << QByteArray("<!DOCTYPE p [<!ENTITY e \"x\">]><p title=\"t\"/>") << "文書型宣言";
    QTest::newRow("doctype junk") << QByteArray("<!DOCTYPE$p><p title=\"t\"/>") << "文書型宣言";
    QTest::newRow("declaration in capitals") << QByteArray("<?xMl version=\"1.0\"?><p title=\"t\"/>") << "XML 宣言";
    QTest::newRow("two doctypes") << QByteArray("<!DOCTYPE p><!DOCTYPE p><p title=\"t\"/>") << "二つ";
    QTest::newRow("doctype name") << QByteArray("<!DOCTYPE p,><p title=\"t\"/>") << "文書型宣言";
    QTest::newRow("doctype after the root") << QByteArray("<p title=\"t\"/><!DOCTYPE p>") << "文書要素の外";
    QTest::newRow("text between the root and a comment") << QByteArray("<p title=\">\"><c/></p> x <!-- c -->") << "文書要素の外";
    QTest::newRow("text between prolog nodes") << QByteArray("<!-- c --> x <p title=\"t\"/>") << "文書要素の外";
}

void TestXmlChars::markupOtherParsersRefuseIsRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    DomDocument doc;
    QVERIFY(doc.loadFromBytes("<kept title=\"k\"/>", "k"));
    const Status s = doc.loadFromBytes(file.toStdString(), "bad.xml");
    QVERIFY(!s);
    QVERIFY2(QString::fromStdString(s.message).contains(reason), s.message.c_str());
    QVERIFY(QString::fromStdString(s.message).contains(QStringLiteral("1 行")));
    QCOMPARE(doc.documentElement().nodeName(), std::string("kept"));
    // Names XML allows, Japanese ones among them, and an external identifier still load.
    QVERIFY(doc.loadFromBytes("<!DOCTYPE 小説 SYSTEM \"novel.dtd\"><小説 題=\"t\" a-b.c=\"1\"><!-- ok - fine --></小説>", "ok"));
    QCOMPARE(test::XmlProblem(Saved(doc)), std::string());
}

QTEST_APPLESS_MAIN(TestXmlChars)
#include "tst_xmlchars.moc"
