// SPDX-License-Identifier: GPL-3.0-or-later
// The project session without a window: each outline command and the inverse it hands
// back (the saved bytes must come back exactly), a long random run undone and redone, the
// recovery snapshot that leaves the document untouched, and the modified state and disk
// stamp around saves.
#include "ProjectFormat.h"
#include "ProjectPreload.h"
#include "ProjectSession.h"
#include "RandomOutlineCommand.h"
#include "WellFormed.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

Q_DECLARE_METATYPE(penwick::NodePath)

using namespace penwick;

namespace {

const char kProject[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<project title=\"小説\">"
    "<chapter title=\"一\" textout=\"yes\" type=\"Basic\"><text>はじめ</text>"
    "<paragraph title=\"一の一\" textout=\"yes\" type=\"Basic\"><text>a</text></paragraph>"
    "<!-- note --><paragraph title=\"一の二\" textout=\"no\" type=\"会話\"><text>b</text></paragraph>"
    "</chapter>"
    "<chapter title=\"二\" textout=\"yes\" type=\"Basic\"><text/></chapter>"
    "<chapter title=\"三\"><text>c</text></chapter>"
    "</project>";

std::string Bytes(const ProjectSession& s)
{
    std::string out;
    if (!s.document().serialize(out))
        return "<unserialisable>";
    return out;
}

std::unique_ptr<DomDocument> Parse(const char* xml)
{
    auto doc = std::make_unique<DomDocument>();
    if (!doc->loadFromBytes(xml, "t.xml"))
        return nullptr;
    return doc;
}

std::shared_ptr<const DetachedSubtree> NewChapter(const char* title)
{
    DomDocument scratch;
    DomNode element;
    if (FAILED(format::CreateOutlineElement(scratch, format::kChapter, title, true, format::kBasicType, &element)))
        return nullptr;
    return DetachedSubtree::copyOf(element);
}

// Hears every event and checks that each "about to" is followed by its "changed".
struct Recorder : SessionObserver {
    QStringList log;
    int open = 0;
    void outlineAboutToChange(const OutlineEvent& e) override
    {
        ++open;
        log << QStringLiteral("about %1").arg(int(e.kind));
    }
    void outlineChanged(const OutlineEvent& e) override
    {
        --open;
        log << QStringLiteral("changed %1").arg(int(e.kind));
    }
    void documentReplaced() override { log << QStringLiteral("replaced"); }
    void modifiedChanged(bool m) override { log << QStringLiteral("modified %1").arg(m); }
};

}  // namespace

class TestProjectSession : public QObject {
    Q_OBJECT
private slots:
    void eachCommandAndItsInverse_data();
    void eachCommandAndItsInverse();
    void refusedCommandsChangeNothing();
    void pathsFollowEveryNode();
    void randomRunUndoneAndRedone();
    void snapshotLeavesTheDocumentAsItWas_data();
    void snapshotLeavesTheDocumentAsItWas();
    void savesClearTheModifiedStateAndNoticeOtherWriters();
    void preloadIsTakenOnlyForTheSameUnchangedFile();
};

void TestProjectSession::eachCommandAndItsInverse_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("expected");   // the outline after the command
    QTest::newRow("insert first") << 0 << "新|一|.一の一|.一の二|二|三";
    QTest::newRow("insert at end") << 1 << "一|.一の一|.一の二|二|三|新";
    QTest::newRow("remove a chapter with paragraphs") << 2 << "二|三";
    QTest::newRow("move a paragraph to chapter level") << 3 << "一|.一の一|一の二|二|三";
    QTest::newRow("move a chapter into a later one") << 4 << "二|.一|..一の一|..一の二|三";
    QTest::newRow("move a chapter to the end") << 5 << "二|三|一|.一の一|.一の二";
    QTest::newRow("move to where it is") << 6 << "一|.一の一|.一の二|二|三";
    QTest::newRow("node properties") << 7 << "一|.一の一|.改|二|三";
    QTest::newRow("properties of a node with fewer attributes") << 8 << "一|.一の一|.一の二|二|参";
    QTest::newRow("project title") << 9 << "一|.一の一|.一の二|二|三";
    QTest::newRow("element name") << 10 << "一|.一の一|.一の二|二|三";
}

void TestProjectSession::eachCommandAndItsInverse()
{
    QFETCH(int, which);
    QFETCH(QString, expected);
    ProjectSession s;
    s.install(Parse(kProject), {});
    Recorder rec;
    s.addObserver(&rec);
    const std::string original = Bytes(s);

    const OutlineCommand commands[] = {
        OutlineCommand::insert({0}, NewChapter("新")),
        OutlineCommand::insert({3}, NewChapter("新")),
        OutlineCommand::remove({0}),
        // The second paragraph of 一 goes after 一 (index 1 once it has left).
        OutlineCommand::move({0, 3}, {1}),
        // 一 leaves; 二 is then at 0, and 一 becomes its last child (after its text).
        OutlineCommand::move({0}, {0, 1}),
        OutlineCommand::move({0}, {2}),
        OutlineCommand::move({1}, {1}),
        OutlineCommand::setAttributes({0, 3}, {"改", "yes", "Basic"}),
        OutlineCommand::setAttributes({2}, {"参", "no", "Basic"}),
        OutlineCommand::setAttributes({}, {"新しい題"}),
        OutlineCommand::rename({0, 3}, "chapter"),
    };
    const OutlineCommand& command = commands[which];
    OutlineCommand inverse;
    const HRESULT hr = s.apply(command, &inverse);
    QCOMPARE(hr, which == 8 ? S_FALSE : S_OK);
    QVERIFY(s.modified());
    QCOMPARE(rec.open, 0);
    QCOMPARE(rec.log.value(0), QStringLiteral("about %1").arg(int(command.kind)));
    const std::string changed = Bytes(s);
    QCOMPARE(changed == original, which == 6);
    QCOMPARE(penwick::test::XmlProblem(changed), std::string());

    QStringList outline;
    std::vector<DomNode> todo{s.document().documentElement()};
    std::vector<DomNode> order;
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        if (format::IsOutlineNode(n) && n != s.document().documentElement())
            outline << QString(n.depth() - 2, QLatin1Char('.')) + QString::fromStdString(format::NodeTitle(n));
        std::vector<DomNode> children;
        for (DomNode c = n.firstChild(); c; c = c.nextSibling())
            children.push_back(c);
        todo.insert(todo.end(), children.rbegin(), children.rend());
    }
    QCOMPARE(outline.join('|'), expected);
    if (which == 10)
        QCOMPARE(NodeAt(s.document(), {0, 3}).nodeName(), std::string("chapter"));
    if (which == 9) {
        std::string title;
        QVERIFY(SUCCEEDED(s.title(&title)));
        QCOMPARE(title, std::string("新しい題"));
    }

    // The inverse takes it back byte for byte, and its own inverse does it again.
    OutlineCommand redo;
    QVERIFY(SUCCEEDED(s.apply(inverse, &redo)));
    QCOMPARE(Bytes(s), original);
    QVERIFY(SUCCEEDED(s.apply(redo)));
    QCOMPARE(Bytes(s), changed);
    s.removeObserver(&rec);
}

void TestProjectSession::refusedCommandsChangeNothing()
{
    ProjectSession s;
    s.install(Parse(kProject), {});
    const std::string original = Bytes(s);
    Recorder rec;
    s.addObserver(&rec);
    QCOMPARE(s.apply(OutlineCommand::remove({7})), E_POINTER);
    QCOMPARE(s.apply(OutlineCommand::remove({})), E_INVALIDARG);
    QCOMPARE(s.apply(OutlineCommand::insert({0, 9}, NewChapter("x"))), E_POINTER);
    QCOMPARE(s.apply(OutlineCommand::insert({0}, nullptr)), E_POINTER);
    QCOMPARE(s.apply(OutlineCommand::move({0}, {5})), E_POINTER);
    QCOMPARE(s.apply(OutlineCommand::move({0}, {})), E_INVALIDARG);
    QCOMPARE(s.apply(OutlineCommand::setAttributes({0, 0, 0}, {"x"})), E_POINTER);   // character data
    QCOMPARE(s.apply(OutlineCommand::rename({}, "x")), E_POINTER);                   // the document element
    QCOMPARE(s.apply(OutlineCommand::rename({0}, "1 x")), E_INVALIDARG);             // no XML name
    QCOMPARE(Bytes(s), original);

    // Too deep: a chain at the limit cannot take one more level.
    QByteArray deep = "<project title=\"d\">";
    for (int i = 1; i < kMaxDepth; ++i)
        deep += "<paragraph title=\"" + QByteArray::number(i) + "\">";
    for (int i = 1; i < kMaxDepth; ++i)
        deep += "</paragraph>";
    deep += "<chapter title=\"c\"/></project>";
    s.install(Parse(deep.constData()), {});
    QVERIFY(s.document().documentElement());
    const std::string deepBytes = Bytes(s);
    NodePath bottom(kMaxDepth - 1, 0);   // the innermost paragraph
    bottom.push_back(0);
    QCOMPARE(s.apply(OutlineCommand::insert(bottom, NewChapter("x"))), E_XML_TOO_DEEP);
    QCOMPARE(s.apply(OutlineCommand::move({1}, bottom)), E_XML_TOO_DEEP);
    QCOMPARE(Bytes(s), deepBytes);
    QVERIFY(!s.modified());
    QCOMPARE(rec.open, 0);
    QVERIFY(!rec.log.contains(QStringLiteral("about 0")));
    s.removeObserver(&rec);
}

void TestProjectSession::pathsFollowEveryNode()
{
    ProjectSession s;
    s.install(Parse(kProject), {});
    std::vector<DomNode> todo{s.document().documentElement()};
    int seen = 0;
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        QCOMPARE(NodeAt(s.document(), PathOf(n)), n);
        ++seen;
        for (DomNode c = n.firstChild(); c; c = c.nextSibling())
            todo.push_back(c);
    }
    QVERIFY(seen > 15);
    QVERIFY(!NodeAt(s.document(), {0, 99}));
    QVERIFY(!NodeAt(s.document(), {-1}));
    QVERIFY(PathOf(s.document().documentNode()).empty());
}

void TestProjectSession::randomRunUndoneAndRedone()
{
    // Every step is undone in reverse order and redone in order: each time the document
    // must be byte for byte what it was at that step.
    ProjectSession s;
    s.install(Parse(kProject), {});
    std::mt19937 rng(20261207);
    std::vector<OutlineCommand> inverses, commands;
    std::vector<std::string> states{Bytes(s)};
    auto outlineNodes = [&] {
        std::vector<DomNode> out, todo{s.document().documentElement()};
        while (!todo.empty()) {
            const DomNode n = todo.back();
            todo.pop_back();
            for (DomNode c = n.firstChild(); c; c = c.nextSibling())
                if (format::IsOutlineNode(c)) {
                    out.push_back(c);
                    todo.push_back(c);
                }
        }
        return out;
    };
    int applied = 0;
    for (int step = 0; step < 400; ++step) {
        const std::vector<DomNode> nodes = outlineNodes();
        OutlineCommand c;
        const auto fresh = [&] { return NewChapter(("n" + std::to_string(step)).c_str()); };
        if (!penwick::test::RandomOutlineCommand(s, rng, nodes, fresh, step, 0, &c))
            continue;
        OutlineCommand inverse;
        const HRESULT hr = s.apply(c, &inverse);
        if (FAILED(hr)) {
            QCOMPARE(Bytes(s), states.back());
            continue;
        }
        ++applied;
        commands.push_back(c);
        inverses.push_back(inverse);
        states.push_back(Bytes(s));
        QCOMPARE(penwick::test::XmlProblem(states.back()), std::string());
    }
    QVERIFY(applied > 250);
    std::vector<OutlineCommand> redos;
    for (std::size_t i = inverses.size(); i-- > 0;) {
        OutlineCommand redo;
        QVERIFY(SUCCEEDED(s.apply(inverses[i], &redo)));
        QCOMPARE(Bytes(s), states[i]);
        redos.push_back(redo);
    }
    for (std::size_t i = 0; i < redos.size(); ++i) {
        QVERIFY(SUCCEEDED(s.apply(redos[redos.size() - 1 - i])));
        QCOMPARE(Bytes(s), states[i + 1]);
    }
}

void TestProjectSession::snapshotLeavesTheDocumentAsItWas_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<NodePath>("node");
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project title=\"P\">";
    QTest::newRow("text element") << head + "<chapter title=\"A\"><text>old</text></chapter></project>" << NodePath{0};
    QTest::newRow("text directly") << head + "<chapter title=\"A\">old</chapter></project>" << NodePath{0};
    QTest::newRow("holder with elements between its texts")
        << head + "<chapter title=\"A\"><text>x<b/>y<![CDATA[z]]><i/>w</text></chapter></project>" << NodePath{0};
    QTest::newRow("no holder, a paragraph first")
        << head + "<chapter title=\"A\"><paragraph title=\"p\"><text>q</text></paragraph></chapter></project>"
        << NodePath{0};
    QTest::newRow("empty node") << head + "<chapter title=\"A\"/></project>" << NodePath{0};
}

void TestProjectSession::snapshotLeavesTheDocumentAsItWas()
{
    QFETCH(QByteArray, xml);
    QFETCH(NodePath, node);
    ProjectSession s;
    s.install(Parse(xml.constData()), {});
    const std::string before = Bytes(s);
    const DomNode n = NodeAt(s.document(), node);
    const DomNode firstChild = n.firstChild();
    std::string snapshot;
    QVERIFY(s.serializeWithText(n, "新しい\r\n本文", snapshot));
    QCOMPARE(Bytes(s), before);
    QVERIFY(!s.modified());
    QCOMPARE(n.firstChild().nodeType(), firstChild ? firstChild.nodeType() : DomNodeType::Null);

    // The snapshot is what storing the text and saving would write.
    ProjectSession stored;
    stored.install(Parse(xml.constData()), {});
    QVERIFY(SUCCEEDED(stored.storeNodeText(NodeAt(stored.document(), node), "新しい\r\n本文")));
    QVERIFY(stored.modified());
    QCOMPARE(snapshot, Bytes(stored));
}

void TestProjectSession::savesClearTheModifiedStateAndNoticeOtherWriters()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("p.xml").toStdString();
    ProjectSession s;
    Recorder rec;
    s.addObserver(&rec);
    s.install(Parse(kProject), {});
    QVERIFY(!s.save());   // no file name yet
    s.setPath(path);
    QVERIFY(SUCCEEDED(s.storeNodeText(NodeAt(s.document(), {1}), "二の本文")));
    QVERIFY(s.modified());
    QVERIFY(s.save());
    QVERIFY(!s.modified());
    QCOMPARE(rec.log, (QStringList{"replaced", "modified 1", "modified 0"}));

    std::unique_ptr<DomDocument> loaded;
    QVERIFY(ProjectSession::Load(path, loaded));
    QCOMPARE(format::NodeOwnText(NodeAt(*loaded, {1})), std::string("二の本文"));
    std::unique_ptr<DomDocument> missing;
    QVERIFY(!ProjectSession::Load(dir.filePath("none.xml").toStdString(), missing));
    QVERIFY(!missing);

    QVERIFY(!s.changedOnDisk());
    {
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::Append));
        f.write("<!-- another program -->\n");
    }
    QVERIFY(s.changedOnDisk());
    // Another name is a file this session never read: nothing to ask about.
    s.setPath(dir.filePath("q.xml").toStdString());
    QVERIFY(!s.changedOnDisk());
    s.install(std::move(loaded), path);
    QVERIFY(!s.changedOnDisk());
    QVERIFY(!s.modified());
    s.removeObserver(&rec);
}

// A project read while the window starts is used only if it is the file opened and the file
// has not changed since; otherwise the open reads the file itself.
void TestProjectSession::preloadIsTakenOnlyForTheSameUnchangedFile()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("novel.xml").toStdString();
    const auto write = [&](const char* title) {
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("<project title=\"") + title + "\"><chapter title=\"一\"><text/></chapter></project>");
    };
    const auto titleOf = [](const DomDocument& doc) { return doc.documentElement().firstAttribute().value(); };

    write("前");
    ProjectPreload::start(path);
    auto doc = ProjectPreload::take(dir.filePath("./novel.xml").toStdString());   // the same file, spelled otherwise
    QVERIFY(doc);
    QCOMPARE(titleOf(*doc), std::string("前"));
    QVERIFY(!ProjectPreload::take(path));   // taken once

    ProjectPreload::start(path);
    QVERIFY(!ProjectPreload::take(dir.filePath("other.xml").toStdString()));   // another file: dropped
    QVERIFY(!ProjectPreload::take(path));

    ProjectPreload::start(path);
    ProjectPreload::cancel();
    QVERIFY(!ProjectPreload::take(path));

    // Written while (or after) it was read: whatever the order, what is handed out is what
    // the file holds now, or nothing.
    ProjectPreload::start(path);
    write("後 (longer)");
    if (auto taken = ProjectPreload::take(path))
        QCOMPARE(titleOf(*taken), std::string("後 (longer)"));
}

QTEST_GUILESS_MAIN(TestProjectSession)
#include "tst_projectsession.moc"
