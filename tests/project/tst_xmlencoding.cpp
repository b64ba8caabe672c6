// SPDX-License-Identifier: GPL-3.0-or-later
// Byte encodings of project files and text documents: golden round trips, detection,
// refusals with their messages, and what a save does with characters the encoding lacks.
#include "TextFileCodec.h"
#include "Utf8.h"
#include "XmlEncoding.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

#include <random>

using namespace penwick;

Q_DECLARE_METATYPE(std::string)

namespace {

std::string ReadData(const char* name)
{
    QFile f(QStringLiteral(PENWICK_TEST_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", name);
    const QByteArray bytes = f.readAll();
    return bytes.toStdString();
}

// The document without its declaration line, to compare documents across encodings.
std::string AfterDeclaration(const std::string& utf8)
{
    return utf8.substr(utf8.find("?>") + 2);
}

std::string Encode(const QString& text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return QByteArray(encoder(text)).toStdString();
}

}  // namespace

class TestXmlEncoding : public QObject {
    Q_OBJECT
private slots:
    void goldenRoundTrip_data();
    void goldenRoundTrip();
    void shiftJisNamesAndEucJp();
    void shiftJisDuplicatesSaveAsOneForm();
    void detectsWideFormsWithoutBom_data();
    void detectsWideFormsWithoutBom();
    void refusesWhatItCannotDecode_data();
    void refusesWhatItCannotDecode();
    void unrepresentableBecomesReference();
    void unrepresentableOutsideTextFails_data();
    void unrepresentableOutsideTextFails();
    void protectionAndReferencesInOnePass();
    void utf8CheckAgreesWithTheDecoder();
    void textFiles_data();
    void textFiles();
    void textSaveNamesUnrepresentable();
};

void TestXmlEncoding::goldenRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("bom");
    QTest::newRow("UTF-8") << "utf8.xml" << "UTF-8" << false;
    QTest::newRow("UTF-8 BOM") << "utf8-bom.xml" << "UTF-8" << true;
    QTest::newRow("Shift_JIS") << "shift_jis.xml" << "CP932" << false;
    QTest::newRow("EUC-JP") << "euc-jp.xml" << "EUC-JP-MS" << false;
    QTest::newRow("UTF-16LE") << "utf16le.xml" << "UTF-16LE" << true;
    QTest::newRow("UTF-16BE") << "utf16be.xml" << "UTF-16BE" << true;
}

void TestXmlEncoding::goldenRoundTrip()
{
    QFETCH(QString, file);
    QFETCH(QString, encoding);
    QFETCH(bool, bom);
    const std::string golden = ReadData(file.toUtf8().constData());

    const XmlDecodeResult loaded = DecodeXmlBytes(golden);
    QCOMPARE(loaded.hr, S_OK);
    QCOMPARE(QString::fromStdString(loaded.encoding), encoding);
    QCOMPARE(loaded.bom, bom);
    // Every golden file holds the same document; ①, ～ and the IBM extensions included.
    QCOMPARE(AfterDeclaration(loaded.utf8), AfterDeclaration(ReadData("utf8.xml")));
    QVERIFY(loaded.utf8.starts_with("<?xml version=\"1.0\" encoding=\"" + loaded.declared + "\"?>"));

    const EncodeResult saved
        = EncodeXmlFromUtf8(loaded.utf8, SaveEncodingFor(loaded.declared, loaded.encoding), loaded.bom);
    QCOMPARE(saved.hr, S_OK);
    QVERIFY2(saved.bytes == golden, "saved bytes differ from the golden file");
}

void TestXmlEncoding::shiftJisNamesAndEucJp()
{
    struct Case { const char* name; std::string bytes; QString text; };
    // NEC ① and ㍾, IBM ⅰ and 髙, and 0x8160, which must be written back as the same byte.
    const Case cases[] = {
        {"Shift_JIS", "\x87\x40\x87\x8D\xFA\x40\xFB\xFC\x81\x60", QStringLiteral("①㍾ⅰ髙\uFF5E")},
        {"shift-jis", "\x87\x40", QStringLiteral("①")}, {"SJIS", "\x87\x40", QStringLiteral("①")},
        {"Windows-31J", "\x87\x40", QStringLiteral("①")}, {"cp932", "\x87\x40", QStringLiteral("①")},
        {"MS_Kanji", "\x87\x40", QStringLiteral("①")}, {"x-sjis", "\x87\x40", QStringLiteral("①")},
        {"EUC-JP", "\xAD\xA1\xA1\xC1\x8F\xF3\xF3", QStringLiteral("①\uFF5Eⅰ")},
        {"ISO-8859-1", "caf\xE9", QStringLiteral("café")},
    };
    for (const Case& c : cases) {
        const std::string head = "<?xml version=\"1.0\" encoding=\"" + std::string(c.name) + "\"?><a>";
        const std::string file = head + c.bytes + "</a>";
        const XmlDecodeResult loaded = DecodeXmlBytes(file);
        QVERIFY2(loaded.hr == S_OK, c.name);
        QCOMPARE(QString::fromStdString(loaded.utf8), QString::fromStdString(head) + c.text + "</a>");
        QCOMPARE(EncodeXmlFromUtf8(loaded.utf8, loaded.declared, false).bytes, file);
    }
}

void TestXmlEncoding::shiftJisDuplicatesSaveAsOneForm()
{
    // CP932 has two codes for some characters (NEC-selected IBM 0xED40 and IBM 0xFA5C are
    // both 纊; NEC 0x8790 and JIS 0x81E0 both ≒). They load as one character, which is
    // written back in the form Windows writes: the same text, not the same bytes.
    const std::string head = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>";
    const XmlDecodeResult loaded = DecodeXmlBytes(head + "\xED\x40\x87\x90</a>");
    QCOMPARE(loaded.utf8, head + "纊≒</a>");
    QCOMPARE(EncodeXmlFromUtf8(loaded.utf8, "Shift_JIS", false).bytes, head + "\xFA\x5C\x81\xE0</a>");
}

void TestXmlEncoding::detectsWideFormsWithoutBom_data()
{
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("bom");
    const QString decl = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>縦書き😀</a>");
    const QString bare = QStringLiteral("<a>縦書き😀</a>");
    QTest::newRow("UTF-16LE decl") << Encode(decl, QStringEncoder::Utf16LE) << "UTF-16LE" << false;
    QTest::newRow("UTF-16BE decl") << Encode(decl, QStringEncoder::Utf16BE) << "UTF-16BE" << false;
    QTest::newRow("UTF-16LE bare") << Encode(bare, QStringEncoder::Utf16LE) << "UTF-16LE" << false;
    QTest::newRow("UTF-16BE bare") << Encode(bare, QStringEncoder::Utf16BE) << "UTF-16BE" << false;
    QTest::newRow("UTF-32LE bare") << Encode(bare, QStringEncoder::Utf32LE) << "UTF-32LE" << false;
    QTest::newRow("UTF-32BE bare") << Encode(bare, QStringEncoder::Utf32BE) << "UTF-32BE" << false;
    QTest::newRow("UTF-32LE BOM") << std::string("\xFF\xFE\0\0", 4) + Encode(bare, QStringEncoder::Utf32LE)
                                  << "UTF-32LE" << true;
    QTest::newRow("UTF-32BE BOM") << std::string("\0\0\xFE\xFF", 4) + Encode(bare, QStringEncoder::Utf32BE)
                                  << "UTF-32BE" << true;
}

void TestXmlEncoding::detectsWideFormsWithoutBom()
{
    QFETCH(std::string, bytes);
    QFETCH(QString, encoding);
    QFETCH(bool, bom);
    const XmlDecodeResult loaded = DecodeXmlBytes(bytes);
    QCOMPARE(loaded.hr, S_OK);
    QCOMPARE(QString::fromStdString(loaded.encoding), encoding);
    QCOMPARE(loaded.bom, bom);
    QVERIFY(loaded.utf8.ends_with("<a>縦書き😀</a>"));
}

void TestXmlEncoding::refusesWhatItCannotDecode_data()
{
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<QString>("mentions");
    const auto decl = [](const char* name) {
        return "<?xml version=\"1.0\" encoding=\"" + std::string(name) + "\"?>\n<a>\nあい";
    };
    QTest::newRow("unknown name") << decl("x-penwick-none") + "</a>" << "x-penwick-none";
    // iconv would take the suffix as an order to drop or approximate what it cannot read.
    QTest::newRow("iconv suffix") << decl("UTF-8//IGNORE") + "\xFF</a>" << "UTF-8//IGNORE";
    QTest::newRow("bad UTF-8") << decl("UTF-8") + "\xE3\x81</a>" << "UTF-8 として正しくないバイト (0xE3) が 3 行 3 列";
    QTest::newRow("surrogate in UTF-8") << std::string("<a>\xED\xA0\x80</a>") << "(0xED) が 1 行 4 列";
    QTest::newRow("overlong UTF-8") << std::string("<a>\n\xC0\xBC</a>") << "UTF-8 として正しくないバイト (0xC0) が 2 行 1 列";
    QTest::newRow("bad UTF-8 after BOM") << "\xEF\xBB\xBF" + decl("Shift_JIS") + "\x82\xA0" << "UTF-8";
    QTest::newRow("bad Shift_JIS")
        << std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<a>\n\x82\xA0\x82\xA2\x81\x20</a>")
        << "Shift_JIS として正しくないバイト (0x81) が 3 行 3 列";
    QTest::newRow("cut-off Shift_JIS") << std::string("<?xml version=\"1.0\" encoding=\"SJIS\"?><a/>\x82") << "SJIS";
    QTest::newRow("bad EUC-JP") << std::string("<?xml version=\"1.0\" encoding=\"EUC-JP\"?><a>\xA4\xA2\xA4</a>")
                                << "EUC-JP として正しくないバイト (0xA4) が 1 行 44 列";
    QTest::newRow("not ASCII-compatible") << decl("UNICODELITTLE") + "</a>" << "UNICODELITTLE";
    QTest::newRow("EBCDIC") << decl("IBM037") + "</a>" << "IBM037";
    QTest::newRow("bad US-ASCII") << std::string("<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a>\xE9</a>") << "US-ASCII";
    QTest::newRow("lone surrogate UTF-16")
        << "\xFF\xFE" + Encode(QStringLiteral("<a>\nx"), QStringEncoder::Utf16LE) + std::string("\x00\xD8<\0", 4)
        << "UTF-16LE として正しくないバイト (0x00) が 2 行 2 列";
}

void TestXmlEncoding::refusesWhatItCannotDecode()
{
    QFETCH(std::string, bytes);
    QFETCH(QString, mentions);
    const XmlDecodeResult loaded = DecodeXmlBytes(bytes);
    QCOMPARE(loaded.hr, E_XML_ENCODING);
    QVERIFY(loaded.utf8.empty());
    QVERIFY2(QString::fromStdString(loaded.error).contains(mentions), loaded.error.c_str());
}

void TestXmlEncoding::unrepresentableBecomesReference()
{
    // Look-alikes iconv would map onto other characters (〜 -> 0x8160 reads back as ～,
    // ¥ -> 0x5C reads back as a backslash) must not be written that way either.
    const std::string doc = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"
                            "<project title=\"€ &amp; 〜\"><!-- 目次 --><text>¥100 🍣 ～ ①</text></project>";
    const EncodeResult saved = EncodeXmlFromUtf8(doc, "Shift_JIS", false);
    QCOMPARE(saved.hr, S_OK);
    const std::string expected = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"
                                 "<project title=\"&#x20AC; &amp; &#x301C;\"><!-- \x96\xDA\x8E\x9F -->"
                                 "<text>&#xA5;100 &#x1F363; \x81\x60 \x87\x40</text></project>";
    QCOMPARE(saved.bytes, expected);

    const EncodeResult ascii = EncodeXmlFromUtf8("<a b='é'>é</a>", "US-ASCII", false);
    QCOMPARE(ascii.hr, S_OK);
    QCOMPARE(ascii.bytes, std::string("<a b='&#xE9;'>&#xE9;</a>"));
}

void TestXmlEncoding::unrepresentableOutsideTextFails_data()
{
    QTest::addColumn<std::string>("doc");
    QTest::addColumn<QString>("where");
    QTest::newRow("comment") << std::string("<a>\n<!-- 🍣 --></a>") << "コメント (2 行 6 列)";
    QTest::newRow("PI") << std::string("<?sushi 🍣?><a/>") << "処理命令";
    QTest::newRow("CDATA") << std::string("<a><![CDATA[🍣]]></a>") << "CDATA";
    QTest::newRow("element name") << std::string("<a><寿司🍣/></a>") << "要素名または属性名";
    QTest::newRow("attribute name") << std::string("<a 🍣=\"1\"/>") << "要素名または属性名";
}

void TestXmlEncoding::unrepresentableOutsideTextFails()
{
    QFETCH(std::string, doc);
    QFETCH(QString, where);
    const EncodeResult saved = EncodeXmlFromUtf8(doc, "EUC-JP", false);
    QCOMPARE(saved.hr, E_XML_ENCODING);
    const QString error = QString::fromStdString(saved.error);
    QVERIFY2(error.contains(where) && error.contains("U+1F363") && error.contains("EUC-JP"), saved.error.c_str());
}

void TestXmlEncoding::protectionAndReferencesInOnePass()
{
    // A saved project: white-space-only text and carriage returns inside elements become
    // references (so they load back as written), characters Shift_JIS lacks too; layout
    // outside the document element, a '>' inside an attribute value and the markup of a
    // comment are left alone.
    const std::string doc = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                            "<p t=\"a>b\"><c> \t</c><!-- <c> --><c>行\r\n🍣</c><c/><c>\n</c></p>\n";
    const std::string expected = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                                 "<p t=\"a>b\"><c>&#32;&#9;</c><!-- <c> --><c>\x8D\x73&#13;\n&#x1F363;</c><c/>"
                                 "<c>&#10;</c></p>\n";
    const EncodeResult saved = EncodeXmlFromUtf8(doc, "Shift_JIS", false, true);
    QCOMPARE(saved.hr, S_OK);
    QCOMPARE(saved.bytes, expected);
    // The same pass without a target to fit: only the protection.
    const EncodeResult utf8 = EncodeXmlFromUtf8("<p><c>\r</c> <c> </c></p>", "UTF-8", false, true);
    QCOMPARE(utf8.bytes, std::string("<p><c>&#13;</c>&#32;<c>&#32;</c></p>"));
    // Without protection the text stays as written.
    QCOMPARE(EncodeXmlFromUtf8("<p><c> </c></p>", "UTF-8", false).bytes, std::string("<p><c> </c></p>"));
}

// The save's quick check against the one decoder, on random byte soup built from the
// pieces that trip checks up (cut sequences, overlongs, surrogates, ASCII runs between
// kana), and on a long document whose fault sits near its end (checked on another thread).
void TestXmlEncoding::utf8CheckAgreesWithTheDecoder()
{
    const char* pieces[] = {"a", "abcdefgh", "あ", "漢", "\xEF\xBC\x81", "\xE3\x81", "\xE3", "\x81", "\xC0\xAF",
                            "\xED\xA0\x80", "\xF0\x9F\x8D\xA3", "\xF4\x90\x80\x80", "\xC2\x85", "\xFF", "\xE0\x9F\xBF"};
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        for (int n = int(rng() % 16); n > 0; --n)
            bytes += pieces[rng() % std::size(pieces)];
        std::size_t expectedBad = std::string::npos;
        for (std::size_t i = 0; i < bytes.size();) {
            const Utf8Char c = DecodeUtf8(bytes.data() + i, bytes.data() + bytes.size());
            if (!c.valid) {
                expectedBad = i;
                break;
            }
            i += c.len;
        }
        std::size_t bad = std::string::npos;
        QCOMPARE(IsValidUtf8(bytes, &bad), expectedBad == std::string::npos);
        QCOMPARE(bad, expectedBad);
    }
    std::string doc = "<a>";
    while (doc.size() < (3u << 20))
        doc += "<p>吾輩は猫である。名前はまだ無い。</p>\n";
    doc += "<p>\xE3\x81</p></a>";
    const EncodeResult saved = EncodeXmlFromUtf8(doc, "UTF-8", false, true);
    QCOMPARE(saved.hr, E_XML_ENCODING);
    QVERIFY(saved.bytes.empty());
}

void TestXmlEncoding::textFiles_data()
{
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("replaced");
    QTest::newRow("UTF-8") << std::string("縦書き\r\n") << int(TextEncoding::Utf8) << "縦書き\r\n" << 0;
    QTest::newRow("ASCII") << std::string("plain") << int(TextEncoding::Utf8) << "plain" << 0;
    QTest::newRow("UTF-8 BOM") << std::string("\xEF\xBB\xBF縦") << int(TextEncoding::Utf8Bom) << "縦" << 0;
    QTest::newRow("UTF-16LE") << "\xFF\xFE" + Encode(QStringLiteral("縦😀"), QStringEncoder::Utf16LE)
                              << int(TextEncoding::Utf16LE) << "縦😀" << 0;
    QTest::newRow("UTF-16BE") << "\xFE\xFF" + Encode(QStringLiteral("縦😀"), QStringEncoder::Utf16BE)
                              << int(TextEncoding::Utf16BE) << "縦😀" << 0;
    QTest::newRow("CP932") << std::string("\x8F\x63\x8F\x91\x82\xAB\x87\x40\x81\x60") << int(TextEncoding::Cp932)
                           << "縦書き①\uFF5E" << 0;
    // Damaged bytes show up as U+FFFD instead of vanishing.
    QTest::newRow("CP932 damaged") << std::string("\x8F\x63\xA0\x81\n\xFD") << int(TextEncoding::Cp932)
                                   << "縦\uFFFD\uFFFD\n\uFFFD" << 3;
    // A cut-off character is one maximal ill-formed subpart: one U+FFFD, as counting reads it.
    QTest::newRow("UTF-8 BOM damaged") << std::string("\xEF\xBB\xBF\xE7\xB8") << int(TextEncoding::Utf8Bom)
                                       << "\uFFFD" << 1;
    QTest::newRow("UTF-8 BOM maximal subparts") << std::string("\xEF\xBB\xBF\xE3\x81\x41\xFF\xE3\x81\x82\xED\xA0\x80")
                                                << int(TextEncoding::Utf8Bom) << "\uFFFDA\uFFFDあ\uFFFD\uFFFD\uFFFD" << 5;
    QTest::newRow("UTF-16LE lone surrogate") << std::string("\xFF\xFE\x3D\xD8\x41\x00", 6)
                                             << int(TextEncoding::Utf16LE) << "\uFFFDA" << 1;
}

void TestXmlEncoding::textFiles()
{
    QFETCH(std::string, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, text);
    QFETCH(int, replaced);
    const TextDecodeResult read = DecodeTextFile(bytes);
    QCOMPARE(int(read.encoding), encoding);
    QCOMPARE(QString::fromStdString(read.utf8), text);
    QCOMPARE(int(read.replaced), replaced);

    const EncodeResult written = EncodeTextFile(read.utf8, read.encoding);
    if (replaced == 0) {
        QCOMPARE(written.hr, S_OK);
        QCOMPARE(written.bytes, bytes);
    } else if (read.encoding == TextEncoding::Cp932) {
        // Saving would lose the damaged bytes for good: refused, naming the stand-in.
        QCOMPARE(written.hr, E_XML_ENCODING);
        QVERIFY(QString::fromStdString(written.error).contains("U+FFFD"));
    }
}

void TestXmlEncoding::textSaveNamesUnrepresentable()
{
    const EncodeResult written = EncodeTextFile("一行目\n二行目の🍣です", TextEncoding::Cp932);
    QCOMPARE(written.hr, E_XML_ENCODING);
    const QString error = QString::fromStdString(written.error);
    QVERIFY2(error.contains("「🍣」(U+1F363)") && error.contains("2 行 5 列"), written.error.c_str());

    // Plain text has no references: iconv's customary look-alike is the best it can hold.
    const EncodeResult exported = Utf8ToCp932("〜～");
    QCOMPARE(exported.hr, S_OK);
    QCOMPARE(exported.bytes, std::string("\x81\x60\x81\x60"));
}

QTEST_APPLESS_MAIN(TestXmlEncoding)
#include "tst_xmlencoding.moc"
