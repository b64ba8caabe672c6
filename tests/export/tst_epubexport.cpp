// SPDX-License-Identifier: GPL-3.0-or-later
// The vertical EPUB: the container as readers expect it (mimetype first and stored), one
// document per chapter with headings, flagged texts, ruby, emphasis and upright numbers,
// a stable identifier, and epubcheck's verdict (no error, no warning).
#include "EpubExport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

using namespace penwick;

namespace {

const char kProject[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"雨の日&amp;晴れ\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>|魔法使い《ウィザード》が来た。\r\n\r\n"
    "これは《《傍点》》で、第12話と2024年。&lt;タグ&gt;</text>"
    "<paragraph title=\"一\" textout=\"no\" type=\"Basic\"><text>見せない本文</text>"
    "<paragraph title=\"深い\" textout=\"yes\" type=\"Basic\"><text>深い本文</text></paragraph></paragraph>"
    "</chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text>漢字《かんじ》</text></chapter>"
    "</project>";

struct Book {
    QStringList names;
    QMap<QString, QString> files;
    bool mimetypeStored = false;
};

Book Open(const std::string& bytes)
{
    Book book;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* z = zip_open_from_source(src, ZIP_RDONLY, &error);
    if (!z)
        return book;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        const QString name = QString::fromUtf8(st.name);
        book.names << name;
        if (name == "mimetype")
            book.mimetypeStored = st.comp_method == ZIP_CM_STORE;
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        book.files[name] = QString::fromUtf8(data);
    }
    zip_close(z);
    return book;
}

std::string Export(const char* xml, const std::string& path = "/home/writer/雨.xml")
{
    DomDocument doc;
    if (!doc.loadFromBytes(xml, "p.xml"))
        return {};
    std::string bytes;
    if (!AssembleEpub(doc, {path, 1700000000}, [](HRESULT, std::string_view) {}, &bytes))
        return {};
    return bytes;
}

}  // namespace

class TestEpubExport : public QObject {
    Q_OBJECT
private slots:
    void containerAndDocuments()
    {
        const std::string bytes = Export(kProject);
        QVERIFY(!bytes.empty());
        QCOMPARE(bytes.substr(30, 8), std::string("mimetype"));   // the first local header's name
        const Book book = Open(bytes);
        QCOMPARE(book.names.first(), QStringLiteral("mimetype"));
        QVERIFY(book.mimetypeStored);
        QCOMPARE(book.files["mimetype"], QStringLiteral("application/epub+zip"));
        const QString one = book.files["OEBPS/chapter1.xhtml"], two = book.files["OEBPS/chapter2.xhtml"];
        QVERIFY(one.contains("<h1>第一章</h1>"));
        QVERIFY(one.contains("<ruby>魔法使い<rt>ウィザード</rt></ruby>が来た。"));
        QVERIFY(one.contains("<p><br/></p>"));                       // the empty line kept
        QVERIFY(one.contains("<span class=\"em\">傍点</span>"));
        QVERIFY(one.contains("第<span class=\"tcy\">12</span>話と2024年"));
        QVERIFY(one.contains("&lt;タグ&gt;"));
        QVERIFY(one.contains("<section>\n<h2>一</h2>"));
        QVERIFY(!one.contains("見せない本文"));                       // not flagged for export
        QVERIFY(one.contains("<h3>深い</h3>\n<p>深い本文</p>"));
        QVERIFY(two.contains("<ruby>漢字<rt>かんじ</rt></ruby>"));
        const QString opf = book.files["OEBPS/content.opf"];
        QVERIFY(opf.contains("page-progression-direction=\"rtl\""));
        QVERIFY(opf.contains("<dc:title>雨の日&amp;晴れ</dc:title>"));
        QVERIFY(opf.contains("<dc:language>ja</dc:language>"));
        QVERIFY(book.files["OEBPS/style.css"].contains("writing-mode: vertical-rl"));
        QVERIFY(book.files["OEBPS/nav.xhtml"].contains("chapter2.xhtml"));
    }

    void theIdentifierStaysForOneProject()
    {
        const auto id = [](const std::string& bytes) {
            const QString opf = Open(bytes).files["OEBPS/content.opf"];
            const int at = opf.indexOf("urn:uuid:");
            return opf.mid(at, 45);
        };
        QCOMPARE(id(Export(kProject)), id(Export(kProject)));
        QVERIFY(id(Export(kProject)) != id(Export(kProject, "/home/writer/別.xml")));
    }

    void epubcheckFindsNothing()
    {
        const QString jar = QStringLiteral("/usr/share/java/epubcheck.jar");
        if (!QFile::exists(jar))
            QSKIP("epubcheck is not installed (Debian package epubcheck; scripts/deps.sh test installs it)");
        QTemporaryDir dir;
        for (const char* xml : {kProject, "<project title=\"空\"/>"}) {
            const QString path = dir.filePath("book.epub");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            const std::string bytes = Export(xml);
            QVERIFY(!bytes.empty());
            f.write(bytes.data(), qint64(bytes.size()));
            f.close();
            QProcess check;
            check.start(QStringLiteral("java"), {"-jar", jar, path});
            QVERIFY(check.waitForFinished(240000));
            const QString out = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
            QVERIFY2(check.exitCode() == 0 && out.contains("No errors or warnings detected"), qPrintable(out));
        }
    }
};

QTEST_APPLESS_MAIN(TestEpubExport)
#include "tst_epubexport.moc"
