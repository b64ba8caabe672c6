// SPDX-License-Identifier: GPL-3.0-or-later
// penwick-cli as a user runs it: output, exit status and messages.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <sys/stat.h>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run cli(const QStringList& args, const QString& configHome = QString())
{
    QProcess p;
    if (!configHome.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", configHome);
        p.setProcessEnvironment(env);
    }
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
    void exportWritesTheFlaggedTexts();
    void exportOfABrokenProjectWritesNothing();
    void countReportsLikeTheCounterDialog();
    void countPassesOptionsThrough();
    void usageErrors();
    void exportNeverReplacesItsProject();
    void specialFilesAreRefusedWithoutBlocking();
    void unholdableCharactersAreReplacedAndSaid();
    void grepPrintsMatchingLinesLikeGrep();
    void exportWritesAnEpubBySuffixOrFormat();
    void exportWritesManuscriptPaperBySuffixOrFormat();
    void gridPresetsComeFromTheSettingsFile();
    void targetAndStats();
    void proofreadListsFindingsWithGrepsExitStatus();
};

// One finding a line in outline order; --rule narrows, the settings switch rules off, --json
// carries fixes and groups; exit 0 clean, 1 findings, 2 errors.
void TestCli::proofreadListsFindingsWithGrepsExitStatus()
{
    QTemporaryDir dir;
    const QString project = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>吾輩は猫…\r\n　出来る。できる。出来る。</text>"
        "<paragraph title=\"一の一\" textout=\"yes\" type=\"Basic\"><text>「はい。」</text></paragraph></chapter></project>");
    const Run all = cli({"proofread", project}, dir.path());
    QCOMPARE(all.status, 1);
    QCOMPARE(all.out, QString("一\t1\t1\tparagraph-start\t段落の始めは全角スペースで字下げします\n"
                              "一\t1\t5\teven-leaders\t「…」は二つずつ続けて使います（……）\n"
                              "一\t2\t6\tspelling-variants\t表記ゆれ：「出来る」2、「できる」1（「できる」一 2行）\n"
                              "一 › 一の一\t1\t4\tpunct-before-close\t閉じ括弧の直前に句読点は付けません\n"));
    QCOMPARE(all.err, QString());
    QCOMPARE(cli({"proofread", project, "--rule", "even-leaders", "--rule", "brackets"}, dir.path()).out,
             QString("一\t1\t5\teven-leaders\t「…」は二つずつ続けて使います（……）\n"));

    const Run json = cli({"proofread", project, "--json", "--rule", "even-leaders", "--rule", "spelling-variants"}, dir.path());
    QCOMPARE(json.status, 1);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonArray findings = o["findings"].toArray();
    QCOMPARE(findings.size(), 2);
    QCOMPARE(findings[0].toObject()["fix"].toString(), QString("……"));
    QCOMPARE(findings[0].toObject()["text"].toString(), QString("…"));
    QCOMPARE(findings[1].toObject()["rule"].toString(), QString("spelling-variants"));
    QCOMPARE(o["variants"].toArray().size(), 1);
    QCOMPARE(o["variants"].toArray()[0].toArray()[1].toObject()["form"].toString(), QString("できる"));

    // Rules switched off in the settings; a clean project exits 0.
    QVERIFY(QDir(dir.path()).mkpath("penwick"));
    write(dir, "penwick/penwick.conf", "[proofread]\nparagraph-start=false\neven-leaders=false\nspelling-variants=false\n"
                                        "punct-before-close=false\n");
    const Run off = cli({"proofread", project}, dir.path());
    QCOMPARE(off.status, 0);
    QCOMPARE(off.out, QString());

    QCOMPARE(cli({"proofread", project, "--rule", "no-such-rule"}, dir.path()).status, 2);
    QCOMPARE(cli({"proofread", dir.filePath("none.xml")}, dir.path()).status, 2);
    QCOMPARE(cli({"proofread"}, dir.path()).status, 2);
}

// The target beside the project, set and shown; stats: the whole, each chapter, the
// target's progress, as text and JSON; bad targets and deadlines are refused.
void TestCli::targetAndStats()
{
    QTemporaryDir dir;
    const QString project = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>" + QByteArray(20, 'a')
            + "</text></chapter><chapter title=\"二\" textout=\"yes\" type=\"Basic\"><text>" + QByteArray(10, 'b')
            + "</text></chapter></project>");
    QCOMPARE(cli({"target", project}, dir.path()).out, QString("(no target)\n"));
    const Run set = cli({"target", project, "100字", "--deadline", "2999-12-31"}, dir.path());
    QCOMPARE(set.status, 0);
    QVERIFY2(set.out.startsWith("30 / 100字 · 残り 70字 · 締切まで "), qPrintable(set.out));
    QVERIFY(QFile::exists(project + ".targets"));
    const Run node = cli({"target", project, "5枚", "--node", "一"}, dir.path());
    QCOMPARE(node.status, 0);
    QVERIFY2(node.out.startsWith("一\t5枚\n30 / 100字"), qPrintable(node.out));
    QCOMPARE(cli({"target", project, "--node", "一"}, dir.path()).status, 2);
    QCOMPARE(cli({"target", project, "百字"}, dir.path()).status, 2);
    QCOMPARE(cli({"target", project, "--deadline", "2027-02-30"}, dir.path()).status, 2);
    QCOMPARE(cli({"target", dir.filePath("none.xml")}, dir.path()).status, 1);

    const Run stats = cli({"stats", project, "--grid", "10x2"}, dir.path());
    QCOMPARE(stats.status, 0);
    const QStringList lines = stats.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QString("全体\t1.5枚\t30字\t(10x2)"));
    QCOMPARE(lines.value(1), QString("一\t1.0枚\t20字"));
    QCOMPARE(lines.value(2), QString("二\t0.5枚\t10字"));
    QVERIFY(lines.value(3).startsWith("目標\t30 / 100字"));
    const QJsonObject json = QJsonDocument::fromJson(cli({"stats", project, "--json"}, dir.path()).out.toUtf8()).object();
    QCOMPARE(json["grid"].toString(), QString("20x20"));
    QCOMPARE(json["total"].toObject()["chars"].toInt(), 30);
    QCOMPARE(json["chapters"].toArray().size(), 2);
    QCOMPARE(json["target"].toObject()["target"].toString(), QString("100字"));
    QCOMPARE(cli({"target", project, "--clear"}, dir.path()).out, QString("(no target)\n"));
    QVERIFY(!QFile::exists(project + ".targets"));
}

// --preset takes a grid of [grids] in penwick.conf for count and the manuscript paper;
// options after it override it; an unknown name is refused with the names there are.
void TestCli::gridPresetsComeFromTheSettingsFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("penwick"));
    write(dir, "penwick/penwick.conf", "[grids]\nsmall=10x2\nsmall.mode=0\n");
    const QString text = write(dir, "t.txt", QByteArray(45, 'a'));
    QCOMPARE(cli({"count", "--text", text, "--preset", "small"}, dir.path()).out, QString("2枚と1行 45文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--preset", "small", "--grid", "20x20"}, dir.path()).out,
             QString("0枚と3行 45文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--preset", "default"}, dir.path()).out, QString("0枚と3行 45文字\n"));
    const QString project = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>" + QByteArray(45, 'a')
            + "</text></chapter></project>");
    QCOMPARE(cli({"export", project, dir.filePath("p.pdf"), "--preset", "small"}, dir.path()).status, 0);
    QFile pdf(dir.filePath("p.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().contains("/Count 3 "));
    const Run unknown = cli({"count", "--text", text, "--preset", "bunko"}, dir.path());
    QCOMPARE(unknown.status, 2);
    QVERIFY(unknown.err.contains("bunko"));
    QVERIFY(unknown.err.contains("default small"));
}

void TestCli::exportWritesAnEpubBySuffixOrFormat()
{
    QTemporaryDir dir;
    const QString path = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>漢字《かんじ》</text></chapter></project>");
    for (const QStringList& args : {QStringList{"export", path, dir.filePath("b.epub")},
                                    QStringList{"export", path, dir.filePath("b.bin"), "--format", "epub"}}) {
        const Run r = cli(args);
        QCOMPARE(r.status, 0);
        QFile f(args[2]);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(58).mid(30), QByteArray("mimetypeapplication/epub+zip"));
    }
    QCOMPARE(cli({"export", path, dir.filePath("c.txt"), "--format", "docx"}).status, 2);
    QVERIFY(!QFile::exists(dir.filePath("c.txt")));
}

// Manuscript paper by suffix or --format pdf, with the counter's grid options; they make
// sense for nothing else.
void TestCli::exportWritesManuscriptPaperBySuffixOrFormat()
{
    QTemporaryDir dir;
    const QString path = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>本文</text></chapter></project>");
    for (const QStringList& args :
         {QStringList{"export", path, dir.filePath("b.pdf")},
          QStringList{"export", path, dir.filePath("b.bin"), "--format", "pdf", "--grid", "20x10", "--ruling", "grey",
                      "--kinsoku", "。", "--mode", "0"}}) {
        const Run r = cli(args);
        QCOMPARE(r.status, 0);
        QFile f(args[2]);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray pdf = f.readAll();
        QVERIFY(pdf.startsWith("%PDF-1.7"));
        QVERIFY(pdf.contains("/Count 1 "));
    }
    for (const QStringList& args : {QStringList{"export", path, dir.filePath("c.txt"), "--grid", "20x10"},
                                    QStringList{"export", path, dir.filePath("c.pdf"), "--ruling", "blue"},
                                    QStringList{"export", path, dir.filePath("c.pdf"), "--grid", "20"}})
        QCOMPARE(cli(args).status, 2);
    const Run r = cli({"export", path, dir.filePath("c.pdf"), "--grid", "0x20"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("500"));
    QVERIFY(!QFile::exists(dir.filePath("c.txt")));
    QVERIFY(!QFile::exists(dir.filePath("c.pdf")));
}

// One line per matching line of a node's text (however many matches it holds), in outline
// order: titles path, line number, line. Exit 0 found, 1 none, 2 an error.
void TestCli::grepPrintsMatchingLinesLikeGrep()
{
    QTemporaryDir dir;
    const QString path = write(dir, "p.xml",
        "<project title=\"p\"><chapter title=\"第一章\"><text>猫と猫\r\nCat</text>"
        "<paragraph title=\"一\"><text>concat の猫</text></paragraph></chapter></project>");
    Run r = cli({"grep", "猫", path});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("第一章\t1\t猫と猫\n第一章 › 一\t1\tconcat の猫\n"));
    r = cli({"grep", "cat", path});
    QCOMPARE(r.out, QStringLiteral("第一章\t2\tCat\n第一章 › 一\t1\tconcat の猫\n"));
    QCOMPARE(cli({"grep", "cat", path, "--case"}).out, QStringLiteral("第一章 › 一\t1\tconcat の猫\n"));
    QCOMPARE(cli({"grep", "--word", "cat", path}).out, QStringLiteral("第一章\t2\tCat\n"));
    r = cli({"grep", "犬", path});
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(cli({"grep", "猫", dir.filePath("none.xml")}).status, 2);
    QCOMPARE(cli({"grep", "猫"}).status, 2);
    QCOMPARE(cli({"grep", "猫", path, "--regex"}).status, 2);
}

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

void TestCli::exportWritesTheFlaggedTexts()
{
    QTemporaryDir dir;
    const QString project = write(dir, "p.xml",
        "<project title=\"P\">"
        "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>AAA</text>"
        "<paragraph title=\"P1\" textout=\"yes\" type=\"Basic\"><text>p1</text></paragraph>"
        "<paragraph title=\"P2\" textout=\"no\" type=\"Basic\"><text>p2</text></paragraph>"
        "</chapter>"
        "<chapter title=\"B\" textout=\"yes\" type=\"Basic\"><text>BBB</text></chapter></project>");
    const QString out = dir.filePath("out.txt");
    QCOMPARE(cli({"export", project, out}).status, 0);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("AAA\n\np1\n\n\nBBB\n"));

    const QString japanese = write(dir, "j.xml",
        "<project title=\"P\"><chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>あ①～</text></chapter></project>");
    const QString sjis = dir.filePath("sjis.txt");
    QCOMPARE(cli({"export", japanese, sjis, "--encoding", "cp932"}).status, 0);
    QFile g(sjis);
    QVERIFY(g.open(QIODevice::ReadOnly));
    QCOMPARE(g.readAll(), QByteArray("\x82\xA0\x87\x40\x81\x60\n"));
}

void TestCli::exportOfABrokenProjectWritesNothing()
{
    QTemporaryDir dir;
    const QString project = write(dir, "bad.xml", "<project title=\"P\"><chapter>");
    const QString out = write(dir, "old.txt", "before");
    const Run r = cli({"export", project, out});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("bad.xml"));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("before"));
}

void TestCli::countReportsLikeTheCounterDialog()
{
    QTemporaryDir dir;
    // Chapter 1: 21 characters on 20-cell lines (2 lines; the text ends with the line feed
    // of its holder, which opens no line); chapter 2 is that line feed alone (1 line).
    const QString project = write(dir, "p.xml",
        "<project title=\"P\">"
        "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>あいうえおかきくけこさしすせそたちつてとな</text></chapter>"
        "<chapter title=\"B\" textout=\"yes\" type=\"Basic\"><text/></chapter></project>");
    Run r = cli({"count", project});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("Chapter[1] \t 0枚と2行 21文字\n"
                            "Chapter[2] \t 0枚と1行 0文字\n"
                            "\n総計 \t \t 0枚と3行 21文字\n"));
    r = cli({"count", project, "--json", "--grid", "20x2"});
    QCOMPARE(r.out, QString("{\"chapters\":[{\"chapter\":1,\"sheets\":1,\"lines\":0,\"chars\":21},"
                            "{\"chapter\":2,\"sheets\":0,\"lines\":1,\"chars\":0}],"
                            "\"total\":{\"sheets\":1,\"lines\":1,\"chars\":21}}\n"));
    const QString text = write(dir, "t.txt", "「あ」\n\n");
    r = cli({"count", "--text", text});
    QCOMPARE(r.out, QString("0枚と2行 3文字\n"));
    r = cli({"count", "--text", text, "--json"});
    QCOMPARE(r.out, QString("{\"sheets\":0,\"lines\":2,\"chars\":3}\n"));
    r = cli({"count", "--text", dir.filePath("none.txt")});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("none.txt"));
    // As the novel sites count: without the ruby notation and the readings.
    const QString ruby = write(dir, "r.txt", "|魔法使い《ウィザード》と漢字《かんじ》、《《傍点》》");
    QCOMPARE(cli({"count", "--text", ruby}).out, QString("0枚と2行 27文字\n"));
    QCOMPARE(cli({"count", "--text", ruby, "--ruby", "exclude"}).out, QString("0枚と1行 10文字\n"));
    QCOMPARE(cli({"count", "--text", ruby, "--ruby", "include"}).out, QString("0枚と2行 27文字\n"));
    QCOMPARE(cli({"count", "--text", ruby, "--ruby", "maybe"}).status, 2);
}

void TestCli::countPassesOptionsThrough()
{
    QTemporaryDir dir;
    const QString text = write(dir, "t.txt", "あいう。");
    // Whatever the library answers is shown, for any integers.
    QCOMPARE(cli({"count", "--text", text, "--grid", "0x20"}).out, QString("0枚と0行 0文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--grid", "3x-1"}).out, QString("0枚と0行 0文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--grid", "2147483647x2147483647"}).out, QString("0枚と1行 4文字\n"));
    // 。 hangs after three cells; without kinsoku (mode 0 or an empty set) it wraps.
    QCOMPARE(cli({"count", "--text", text, "--grid", "3x20"}).out, QString("0枚と1行 4文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--grid", "3x20", "--mode", "0"}).out, QString("0枚と2行 4文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--grid", "3x20", "--kinsoku", ""}).out, QString("0枚と2行 4文字\n"));
    QCOMPARE(cli({"count", "--text", text, "--grid", "3x20", "--mode", "-7"}).out, QString("0枚と1行 4文字\n"));
    for (const QStringList& bad : {QStringList{"--grid", "20"}, QStringList{"--grid", "1.5x2"},
                                   QStringList{"--grid", "ax2"}, QStringList{"--mode", "one"},
                                   QStringList{"--grid", "99999999999x2"}, QStringList{"--frob"}}) {
        const Run r = cli(QStringList{"count", "--text", text} + bad);
        QCOMPARE(r.status, 2);
    }
}

void TestCli::usageErrors()
{
    for (const QStringList& args : {QStringList{}, QStringList{"info"}, QStringList{"info", "a", "b"},
                                    QStringList{"frobnicate"}, QStringList{"export", "a.xml"},
                                    QStringList{"export", "a.xml", "b.txt", "--encoding", "latin1"}}) {
        const Run r = cli(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("usage"));
    }
    // One version for both programs; the window's needs no display to say it.
    const Run version = cli({"--version"});
    QCOMPARE(version.status, 0);
    QVERIFY(version.out.startsWith("penwick-cli "));
    if (!QFile::exists(QStringLiteral(PENWICK_BIN_DIR "/penwick")))
        return;   // built without the window
    QProcess window;
    window.start(QStringLiteral(PENWICK_BIN_DIR "/penwick"), {"--version"});
    QVERIFY(window.waitForFinished(60000));
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(window.readAllStandardOutput()).section(' ', 1), version.out.section(' ', 1));
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.remove("DISPLAY");
    noDisplay.remove("WAYLAND_DISPLAY");
    noDisplay.remove("QT_QPA_PLATFORM");
    window.setProcessEnvironment(noDisplay);
    window.start(QStringLiteral(PENWICK_BIN_DIR "/penwick"), {"--help"});
    QVERIFY(window.waitForFinished(60000));
    QCOMPARE(window.exitCode(), 0);
    QVERIFY(window.readAllStandardOutput().startsWith("usage: penwick"));
}

void TestCli::exportNeverReplacesItsProject()
{
    QTemporaryDir dir;
    const QByteArray project = "<p title=\"t\"><c title=\"a\" textout=\"yes\"><text>本文</text></c></p>";
    const QString path = write(dir, "P.xml", project);
    QVERIFY(QFile::link(path, dir.filePath("link.xml")));
    for (const QString& out : {path, dir.filePath("link.xml"), dir.filePath("./P.xml")}) {
        const Run r = cli({"export", path, out});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("プロジェクトファイルそのもの")));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), project);
    // "-" and /dev/stdout write to standard output what a file would hold.
    QCOMPARE(cli({"export", path, dir.filePath("out.txt")}).status, 0);
    QFile written(dir.filePath("out.txt"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QString expected = QString::fromUtf8(written.readAll());
    QVERIFY(expected.startsWith(QStringLiteral("本文")));
    for (const QString& out : {QStringLiteral("-"), QStringLiteral("/dev/stdout")}) {
        const Run r = cli({"export", path, out});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, expected);
    }
}

void TestCli::specialFilesAreRefusedWithoutBlocking()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.xml");
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& file : {fifo, QStringLiteral("/dev/zero")}) {
        for (const QStringList& args : {QStringList{"info", file}, QStringList{"count", file},
                                        QStringList{"count", "--text", file}}) {
            const Run r = cli(args);
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(QStringLiteral("通常のファイルではありません")), qPrintable(r.err));
        }
    }
}

void TestCli::unholdableCharactersAreReplacedAndSaid()
{
    QTemporaryDir dir;
    const QString path = write(dir, "nul.xml", "<p title=\"t\">\n<c title=\"a\" textout=\"yes\"><text>前&#0;後</text></c></p>");
    const Run info = cli({"info", path});
    QCOMPARE(info.status, 0);
    QCOMPARE(info.out, QStringLiteral("t\na\tyes\t3\n"));   // the text after &#0; is there
    QVERIFY2(info.err.contains(QStringLiteral("2 行 35 列の &#0;")), qPrintable(info.err));
    const Run exported = cli({"export", path, "-"});
    QVERIFY(exported.out.startsWith(QStringLiteral("前\uFFFD後")));
}

QTEST_APPLESS_MAIN(TestCli)
#include "tst_cli.moc"
