// SPDX-License-Identifier: GPL-3.0-or-later
// Manuscript paper as PDF, checked with poppler as a reader would: one page per counted
// sheet on the corpus for several grids, the text extracted in reading order, ink in
// exactly the written cells (and below the grid where a mark hangs), vertical forms, and
// the font embedded as a subset in vertical writing mode.
#include "ManuscriptPdf.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace penwick;

namespace {

QByteArray Corpus(const char* name)
{
    QFile f(QStringLiteral(PENWICK_CORPUS_DIR "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ManuscriptOptions Grid(int vertical, int horizontal, int mode = 1)
{
    ManuscriptOptions o;
    o.vertical = vertical;
    o.horizontal = horizontal;
    o.mode = mode;
    o.title = "原稿";
    o.modified = 1700000000;
    return o;
}

class Poppler {
public:
    bool available() const
    {
        return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    }

    // Writes the PDF of `text` and answers its path ("" when it could not be made).
    QString render(const QByteArray& text, const ManuscriptOptions& options)
    {
        std::string bytes;
        if (!RenderManuscriptPdf(std::string_view(text.constData(), std::size_t(text.size())), options, &bytes))
            return {};
        const QString path = m_dir.filePath(QStringLiteral("m%1.pdf").arg(++m_files));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return {};
        return path;
    }

    QString run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            return QStringLiteral("(%1 failed: %2)").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    int pages(const QString& pdf)
    {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    QImage page(const QString& pdf, int page, int dpi)
    {
        const QString stem = m_dir.filePath(QStringLiteral("p%1").arg(++m_files));
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                         QString::number(page), QStringLiteral("-l"), QString::number(page),
                                         QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, stem});
        return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString WithoutWhiteSpace(QString s)
{
    s.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    return s;
}

// The bounding box of the text's ink (dark, not the ruling's red or grey) in one cell, in
// pixels; empty when the cell is clean.
QRect InkIn(const QImage& image, const SheetGeometry& g, int column, double cell, double dpi)
{
    const double scale = dpi / 72.0;
    const int x0 = int((g.columnRight(column) - g.cell) * scale) + 2, x1 = int(g.columnRight(column) * scale) - 2;
    const int y0 = int((g.pageHeight - g.cellTop(cell)) * scale) + 2,
              y1 = int((g.pageHeight - g.cellTop(cell + 1)) * scale) - 2;
    QRect ink;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qMax(qRed(p), qMax(qGreen(p), qBlue(p))) < 110)
                ink |= QRect(x, y, 1, 1);
        }
    return ink;
}

}  // namespace

class TestManuscriptPdf : public QObject {
    Q_OBJECT
    Poppler poppler;

private slots:
    void initTestCase()
    {
        if (!poppler.available())
            QSKIP("poppler-utils is not installed (scripts/deps.sh test installs it)");
    }

    // The pages are the counter's sheets, plus one for the lines left over.
    void pagesAreTheCountersSheets_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("kinsoku");
        for (const char* file : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"}) {
            const QByteArray name(file);
            QTest::addRow("%s 20x20", file) << name << 20 << 20 << 1 << QByteArray(PENWICK_DEFAULT_KINSOKU);
            QTest::addRow("%s 20x10", file) << name << 20 << 10 << 1 << QByteArray(PENWICK_DEFAULT_KINSOKU);
            QTest::addRow("%s 42x34", file) << name << 42 << 34 << 1 << QByteArray(PENWICK_DEFAULT_KINSOKU);
            QTest::addRow("%s 40x30 no kinsoku", file) << name << 40 << 30 << 0 << QByteArray(PENWICK_DEFAULT_KINSOKU);
            QTest::addRow("%s 7x5 more kinsoku", file)
                << name << 7 << 5 << 1 << QByteArray(PENWICK_DEFAULT_KINSOKU "！？）ー");
        }
    }
    void pagesAreTheCountersSheets()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, vertical);
        QFETCH(int, horizontal);
        QFETCH(int, mode);
        QFETCH(QByteArray, kinsoku);
        ManuscriptOptions options = Grid(vertical, horizontal, mode);
        options.kinsoku = kinsoku.toStdString();
        const QByteArray text = Corpus(file);
        QVERIFY(!text.isEmpty());
        const CountResult counted = CountOneText(text.toStdString(), options);
        const QString pdf = poppler.render(text, options);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(poppler.pages(pdf), counted.nSheets + (counted.nLines > 0 ? 1 : 0));
    }

    // Text extraction reads the columns top to bottom, right to left, page after page:
    // every character, in the order written.
    void textExtractsInReadingOrder()
    {
        for (const char* file : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"})
            for (const auto& [vertical, horizontal] : {std::pair{20, 20}, std::pair{42, 34}}) {
                const QByteArray text = Corpus(file);
                const QString pdf = poppler.render(text, Grid(vertical, horizontal));
                const QString extracted = poppler.run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
                QCOMPARE(WithoutWhiteSpace(extracted), WithoutWhiteSpace(QString::fromUtf8(text)));
            }
        // Blank cells inside a column (after ！, between words) keep it whole, and a Latin
        // word stays in its place.
        const QByteArray mixed = "「何だ！　お前は」と彼は  Sentimentalisme  に言った。\n二行目";
        const QString extracted =
            poppler.run(QStringLiteral("pdftotext"), {poppler.render(mixed, Grid(20, 20)), QStringLiteral("-")});
        QCOMPARE(WithoutWhiteSpace(extracted), WithoutWhiteSpace(QString::fromUtf8(mixed)));
    }

    // A sheet of 5 cells by 4 columns. First source line: five cells, 。 hanging below the
    // grid, then ー and 一 in the next column. Second: 「 would end the column, so it moves
    // to the next with the cell after it. Then an empty line and 終, on the second sheet.
    void inkInExactlyTheWrittenCells()
    {
        const QByteArray text = "一二三四五。ー一\nアイウエ「オ\n\n終";
        const ManuscriptOptions options = Grid(5, 4);
        const QString pdf = poppler.render(text, options);
        QCOMPARE(poppler.pages(pdf), 2);
        const SheetGeometry g = SheetFor(5, 4);
        constexpr int dpi = 60;
        const QImage first = poppler.page(pdf, 1, dpi);
        QVERIFY(!first.isNull());
        const int written[4] = {5, 2, 4, 2};   // cells per column, from the top
        for (int column = 0; column < 4; ++column)
            for (int cell = 0; cell < 5; ++cell)
                QVERIFY2(InkIn(first, g, column, cell, dpi).isEmpty() == (cell >= written[column]),
                         qPrintable(QStringLiteral("column %1, cell %2").arg(column).arg(cell)));
        QVERIFY(!InkIn(first, g, 0, 5, dpi).isEmpty());   // 。 below the first column
        QVERIFY(InkIn(first, g, 1, 5, dpi).isEmpty());

        // Vertical forms: ー stands as a vertical stroke, 一 lies flat.
        const QRect bar = InkIn(first, g, 1, 0, dpi), flat = InkIn(first, g, 1, 1, dpi);
        QVERIFY2(bar.height() > 2 * bar.width(), qPrintable(QStringLiteral("ー %1x%2").arg(bar.width()).arg(bar.height())));
        QVERIFY2(flat.width() > 2 * flat.height(), qPrintable(QStringLiteral("一 %1x%2").arg(flat.width()).arg(flat.height())));

        const QImage second = poppler.page(pdf, 2, dpi);
        for (int column = 0; column < 4; ++column)
            for (int cell = 0; cell < 5; ++cell)
                QCOMPARE(InkIn(second, g, column, cell, dpi).isEmpty(), !(column == 1 && cell == 0));
    }

    // The font travels with the file, cut down to the glyphs used, in vertical mode; an
    // empty text still gets its sheet.
    void fontIsAnEmbeddedSubset()
    {
        const QString pdf = poppler.render("あ", Grid(20, 20));
        const QString fonts = poppler.run(QStringLiteral("pdffonts"), {pdf});
        QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("[A-Z]{6}\\+\\S+\\s.*Identity-V\\s+yes\\s+yes\\s+yes"))),
                 qPrintable(fonts));
        QVERIFY(QFile(pdf).size() < 1024 * 1024);   // the face itself is tens of megabytes
        QCOMPARE(poppler.pages(poppler.render("", Grid(20, 20))), 1);
        QVERIFY(poppler.run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("原稿")));
    }

    void unusableGridsFailAndWriteNothing()
    {
        for (const auto& [vertical, horizontal] : {std::pair{0, 20}, std::pair{20, 0}, std::pair{501, 20}}) {
            std::string bytes = "before";
            const Status s = RenderManuscriptPdf("本文", Grid(vertical, horizontal), &bytes);
            QVERIFY(!s);
            QVERIFY(!s.message.empty());
            QCOMPARE(bytes, std::string("before"));
        }
    }
};

QTEST_GUILESS_MAIN(TestManuscriptPdf)
#include "tst_manuscriptpdf.moc"
