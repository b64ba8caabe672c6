// penwick-cli as a user runs it: output, exit status and messages.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run cli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(PENWICK_BIN_DIR "/penwick-cli"), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void infoPrintsTitleAndOutline();
    void infoReadsShiftJisProjects();
    void infoRefusesUnreadableFiles();
    void usageErrors();
};

void TestCli::infoPrintsTitleAndOutline()
{
    QTemporaryDir dir;
    const QString path = write(dir, "p.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<project title=\"小説\">\n"
        " <chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>吾輩は猫である。</text>\n"
        "  <paragraph title=\"一\" textout=\"no\" type=\"Basic\"><text>名前は\nまだ無い。</text>\n"
        "   <paragraph title=\"深\" textout=\"yes\" type=\"Basic\"><text/></paragraph>\n"
        "  </paragraph>\n"
        " </chapter>\n"
        " <!-- a comment is not part of the outline -->\n"
        " <chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text>ab</text></chapter>\n"
        "</project>\n");
    const Run r = cli({"info", path});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QString("小説\n"
                            "第一章\tyes\t8\n"
                            "  一\tno\t9\n"
                            "    深\tyes\t0\n"
                            "第二章\tyes\t2\n"));
}

void TestCli::infoReadsShiftJisProjects()
{
    QTemporaryDir dir;
    // <p title="①"><c title="～" textout="yes"><text>あ</text></c></p> in Shift_JIS (CP932 bytes)
    const QString path = write(dir, "sjis.xml",
        QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><p title=\"\x87\x40\">"
                   "<c title=\"\x81\x60\" textout=\"yes\"><text>\x82\xA0</text></c></p>"));
    const Run r = cli({"info", path});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("①\n～\tyes\t1\n"));
}

void TestCli::infoRefusesUnreadableFiles()
{
    QTemporaryDir dir;
    const QString bad = write(dir, "bad.xml", "<project title=\"x\">\n<chapter>\n</project>");
    Run r = cli({"info", bad});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(bad) && r.err.contains("3 行"), qPrintable(r.err));

    r = cli({"info", dir.filePath("missing.xml")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("missing.xml"), qPrintable(r.err));

    const QString noTitle = write(dir, "notitle.xml", "<project/>");
    r = cli({"info", noTitle});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("notitle.xml"));
}

void TestCli::usageErrors()
{
    for (const QStringList& args : {QStringList{}, QStringList{"info"}, QStringList{"info", "a", "b"},
                                    QStringList{"frobnicate"}}) {
        const Run r = cli(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("usage"));
    }
}

QTEST_APPLESS_MAIN(TestCli)
#include "tst_cli.moc"
