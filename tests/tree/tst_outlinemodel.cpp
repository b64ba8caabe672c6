// SPDX-License-Identifier: GPL-3.0-or-later
// The outline model over a session, without any widget: Qt's model tester watches every
// signal while random outline commands (and their inverses) run, and after each step the
// rows must be exactly what the document says.
#include "OutlineModel.h"
#include "ProjectSession.h"
#include "RandomOutlineCommand.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <map>
#include <random>

using namespace penwick;

namespace {

// Chapters with paragraphs, a comment, and a group without attributes whose children
// stand at the top level.
const char kProject[] =
    "<project title=\"P\">"
    "<chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>a</text>"
    "<paragraph title=\"A1\" textout=\"yes\" type=\"Basic\"><text>a1</text></paragraph>"
    "<paragraph title=\"A2\" textout=\"yes\" type=\"Basic\"><text>a2</text></paragraph></chapter>"
    "<!-- kept -->"
    "<chapter title=\"B\" textout=\"yes\" type=\"Basic\"><text>b</text>"
    "<group><paragraph title=\"G1\" textout=\"yes\" type=\"Basic\"><text>g</text></paragraph></group>"
    "</chapter>"
    "<chapter title=\"C\" textout=\"no\" type=\"Basic\"><text/></chapter>"
    "</project>";

std::unique_ptr<DomDocument> Parse(const char* xml)
{
    auto doc = std::make_unique<DomDocument>();
    if (!doc->loadFromBytes(xml, "test.xml"))
        return nullptr;
    return doc;
}

std::string Bytes(const ProjectSession& s)
{
    std::string out;
    s.document().serialize(out);
    return out;
}

bool HasRow(DomNode n) { return n.nodeType() == DomNodeType::Element && n.firstAttribute(); }

// The rows the document calls for, worked out from the rule rather than from the model:
// each element with attributes under its parent element's row when that has one, else at
// the top level (null key), all in document order.
std::map<const void*, std::vector<DomNode>> ExpectedRows(const DomDocument& doc)
{
    std::map<const void*, std::vector<DomNode>> rows;
    std::vector<DomNode> todo;
    const DomNode root = doc.documentElement();
    for (DomNode c = root.lastChild(); c; c = c.previousSibling())
        todo.push_back(c);
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        if (HasRow(n)) {
            const DomNode p = n.parentNode();
            rows[p != root && HasRow(p) ? p.internal() : nullptr].push_back(n);
        }
        for (DomNode c = n.lastChild(); c; c = c.previousSibling())
            todo.push_back(c);
    }
    return rows;
}

// The first difference between the model and the document, or empty.
QString Mismatch(const OutlineModel& model, const DomDocument& doc)
{
    const auto rows = ExpectedRows(doc);
    std::vector<QModelIndex> todo{QModelIndex()};
    int seen = 0;
    while (!todo.empty()) {
        const QModelIndex at = todo.back();
        todo.pop_back();
        const auto it = rows.find(at.isValid() ? OutlineModel::NodeOf(at).internal() : nullptr);
        const std::size_t want = it == rows.end() ? 0 : it->second.size();
        if (std::size_t(model.rowCount(at)) != want)
            return QStringLiteral("%1 rows under %2, %3 expected").arg(model.rowCount(at)).arg(OutlineModel::TitleOf(at)).arg(want);
        for (int r = 0; r < model.rowCount(at); ++r) {
            const QModelIndex row = model.index(r, 0, at);
            const DomNode node = it->second[std::size_t(r)];
            if (OutlineModel::NodeOf(row) != node || model.indexOf(node) != row)
                return QStringLiteral("row %1 under %2 is %3").arg(r).arg(OutlineModel::TitleOf(at), OutlineModel::TitleOf(row));
            if (OutlineModel::TitleOf(row) != QString::fromStdString(node.firstAttribute().value()))
                return QStringLiteral("label %1").arg(OutlineModel::TitleOf(row));
            todo.push_back(row);
            ++seen;
        }
    }
    std::size_t total = 0;
    for (const auto& [parent, list] : rows)
        total += list.size();
    return std::size_t(seen) == total ? QString() : QStringLiteral("%1 rows, %2 expected").arg(seen).arg(total);
}

std::vector<DomNode> Elements(const DomDocument& doc)
{
    std::vector<DomNode> out, todo{doc.documentElement()};
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        for (DomNode c = n.firstChild(); c; c = c.nextSibling())
            if (c.nodeType() == DomNodeType::Element) {
                out.push_back(c);
                todo.push_back(c);
            }
    }
    return out;
}

}  // namespace

class TestOutlineModel : public QObject {
    Q_OBJECT
private slots:
    void fillShowsTheDocument()
    {
        ProjectSession s;
        s.install(Parse(kProject), {});
        OutlineModel model(s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.fill(), 1);   // the comment
        QCOMPARE(Mismatch(model, s.document()), QString());
        QStringList top;
        for (int r = 0; r < model.rowCount(); ++r)
            top << OutlineModel::TitleOf(model.index(r, 0));
        QCOMPARE(top, (QStringList{"A", "B", "G1", "C"}));
        QCOMPARE(model.rowCount(model.index(0, 0)), 2);
        QVERIFY(!OutlineModel::NodeOf(QModelIndex()));

        // A new document takes every row with the old one.
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        s.install(Parse(kProject), {});
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    void rowsFollowRandomCommandsAndTheirInverses()
    {
        ProjectSession s;
        s.install(Parse(kProject), {});
        OutlineModel model(s);
        model.fill();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        const std::string original = Bytes(s);
        // A row away from every change keeps its persistent index throughout.
        s.apply(OutlineCommand::insert({0},
                                       DetachedSubtree::copyOf(Parse("<chapter title=\"Z\"><text/></chapter>")->documentElement())));
        const QPersistentModelIndex steady = model.index(0, 0);
        QCOMPARE(OutlineModel::TitleOf(steady), QStringLiteral("Z"));

        std::mt19937 rng(20261207);
        std::vector<OutlineCommand> inverses;
        const auto group = Parse("<group><paragraph title=\"g\"><text/></paragraph><!-- c --></group>");
        const auto chapter = Parse("<chapter title=\"n\" textout=\"yes\" type=\"Basic\"><text/>"
                                   "<paragraph title=\"n1\"><text/></paragraph></chapter>");
        int applied = 0;
        for (int step = 0; step < 500; ++step) {
            std::vector<DomNode> nodes = Elements(s.document());
            nodes.erase(nodes.begin());   // not the steady row
            OutlineCommand c;
            const auto fresh = [&] {
                return DetachedSubtree::copyOf(rng() % 3 == 0 ? group->documentElement() : chapter->documentElement());
            };
            if (!penwick::test::RandomOutlineCommand(s, rng, nodes, fresh, step, 1, &c))
                continue;
            OutlineCommand inverse;
            if (FAILED(s.apply(c, &inverse)))
                continue;
            ++applied;
            inverses.push_back(inverse);
            const QString problem = Mismatch(model, s.document());
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("step %1 kind %2: %3").arg(step).arg(int(c.kind)).arg(problem)));
            QVERIFY(steady.isValid() && OutlineModel::TitleOf(steady) == QStringLiteral("Z"));
        }
        QVERIFY(applied > 300);
        for (std::size_t i = inverses.size(); i-- > 0;) {
            QVERIFY(SUCCEEDED(s.apply(inverses[i])));
            QCOMPARE(Mismatch(model, s.document()), QString());
        }
        QVERIFY(SUCCEEDED(s.apply(OutlineCommand::remove({0}))));
        QCOMPARE(Bytes(s), original);
        QVERIFY(!steady.isValid());
    }
};

QTEST_GUILESS_MAIN(TestOutlineModel)
#include "tst_outlinemodel.moc"
