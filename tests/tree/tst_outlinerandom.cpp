// SPDX-License-Identifier: GPL-3.0-or-later
// Random sequences of add, delete, cut, copy and paste on a generated project: after
// every step the tree must show exactly the document's outline, each item carrying its
// own node, and the editor must hold the current node's text. The seed is fixed, so a
// failure names a step that can be replayed.
#include "CommandIds.h"
#include "OutlineFixture.h"
#include "WellFormed.h"

#include <QTest>

#include <functional>
#include <random>

namespace {

// Chapters with paragraphs nested up to three levels, every node with its own text but
// for one in three of those with sub-nodes, which lack their text element as files from
// other tools may (a node with no child at all is reported on selection, as it should be).
QByteArray GeneratedProject(std::mt19937& rng)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"生成\">";
    int serial = 0;
    const std::function<void(const char*, int)> node = [&](const char* name, int level) {
        ++serial;
        const int children = level > 3 ? 0 : int(rng() % 3);
        const bool bare = children > 0 && rng() % 3 == 0;
        xml += "<" + QByteArray(name) + " title=\"n" + QByteArray::number(serial) + "\" textout=\"yes\" type=\"Basic\">";
        if (!bare)
            xml += "<text>本文" + QByteArray::number(serial) + "</text>";
        for (int i = 0; i < children; ++i)
            node("paragraph", level + 1);
        xml += "</" + QByteArray(name) + ">";
    };
    for (int c = 0; c < 5; ++c)
        node("chapter", 0);
    return xml + "</project>";
}

std::vector<QPersistentModelIndex> AllItems(const VellTreeView* tree)
{
    std::vector<QPersistentModelIndex> out;
    ForEachItem(tree, [&](const QModelIndex& item) { out.push_back(item); });
    return out;
}

// Queues what the command's questions will be answered, at random: the properties of a new
// node, the copy question (a cut's may be cancelled), the refusal of a paste of another type.
void AnswerFor(OutlineFixture& f, int id, std::mt19937& rng, int* serial)
{
    switch (id) {
    case ID_TREE_ADDCHILD:
    case ID_TREE_INSERTAFTER:
    case ID_TREE_INSERTBEFORE:
    case ID_TREE_PROPERTY:
        f.answerProperties(QStringLiteral("新%1").arg(++*serial), rng() % 2, QStringLiteral("会話"));
        break;
    case ID_TREE_CUT:
    case ID_TREE_COPY:
        f.prompts->answer(id == ID_TREE_CUT && rng() % 5 == 0 ? PromptAnswer::Cancel
                          : rng() % 2                        ? PromptAnswer::Yes
                                                              : PromptAnswer::No);
        break;
    case ID_TREE_PASTE:
    case ID_TREE_PASTEBEFORE:
        if (f.tree->m_pClipNode.nodeName() != VellTreeView::NodeOf(f.tree->m_hSelectedItem).nodeName())
            f.prompts->answer(PromptAnswer::Ok);
        break;
    default:
        break;
    }
}

// Moves and drops in the command mix (not menu commands).
constexpr int kMove = -1, kDrop = -2;

}  // namespace

class TestOutlineRandom : public QObject {
    Q_OBJECT
private slots:
    void treeFollowsTheDocument()
    {
        OutlineFixture f;
        QVERIFY(f.start());
        std::mt19937 rng(20261206);
        QVERIFY(f.open(GeneratedProject(rng)));
        QCOMPARE(f.mismatch(), QString());

        const int commands[] = {ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER, ID_TREE_INSERTBEFORE, ID_TREE_DELETE,
                                ID_TREE_CUT, ID_TREE_COPY, ID_TREE_PASTE, ID_TREE_PASTEBEFORE};
        int serial = 0, ran = 0;
        for (int step = 0; step < 400; ++step) {
            // Move the selection now and then, as the user would between commands, often
            // with text typed first, which the move stores into the node left and no other.
            // Nodes without a text element of their own, where a careless store would
            // replace a sub-node, are typed into more often.
            const auto items = AllItems(f.tree);
            if (!items.empty() && rng() % 3 == 0) {
                std::vector<QModelIndex> bare;
                for (const QModelIndex item : items)
                    if (penwick::format::IsOutlineNode(VellTreeView::NodeOf(item).firstChild()))
                        bare.push_back(item);
                if (!bare.empty() && rng() % 2)
                    f.tree->setCurrentIndex(bare[rng() % bare.size()]);
                QModelIndex left = f.tree->m_hSelectedItem;
                QModelIndex next = items[rng() % items.size()];
                const bool typed = left.isValid() && next != left && rng() % 4 != 0;
                std::vector<std::string> before;
                if (typed) {
                    f.edit->setPlainText(QStringLiteral("打%1").arg(step));
                    f.edit->setModified(true);
                    for (QModelIndex item : items)
                        before.push_back(penwick::format::NodeOwnText(VellTreeView::NodeOf(item)));
                }
                f.tree->setCurrentIndex(next);
                for (std::size_t i = 0; i < before.size(); ++i) {
                    const std::string now = penwick::format::NodeOwnText(VellTreeView::NodeOf(items[i]));
                    const std::string expected = items[i] == left ? "打" + std::to_string(step) : before[i];
                    QVERIFY2(now == expected, qPrintable(QStringLiteral("step %1: the text of %2 became %3")
                                                             .arg(step).arg(Title(items[i]), QString::fromStdString(now))));
                }
            }
            const int id = commands[rng() % std::size(commands)];
            const QString what = QStringLiteral("step %1, command %2").arg(step).arg(id);
            const bool enabled = f.frame->IsCommandEnabled(id);
            if (enabled)
                AnswerFor(f, id, rng, &serial);
            QCOMPARE(f.frame->RouteCommand(id), enabled);
            ran += enabled;
            QVERIFY2(f.prompts->allAnswered() && !f.prompts->unexpectedCount(), qPrintable(what + ": " + f.prompts->texts().join(QLatin1Char('|'))));
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(what + ": " + f.mismatch()));
            QVERIFY2(f.danglingItem().isEmpty(), qPrintable(what + ": dangling " + f.danglingItem()));
            QVERIFY2(f.tree->m_hSelectedItem == f.tree->GetSelectedItem(), qPrintable(what));
            if (f.tree->m_hSelectedItem.isValid()) {
                const auto node = VellTreeView::NodeOf(f.tree->m_hSelectedItem);
                QVERIFY2(f.edit->toPlainText() == QString::fromStdString(penwick::format::NodeOwnText(node)),
                         qPrintable(what + ": editor " + f.edit->toPlainText() + ", node " +
                                    QString::fromStdString(penwick::format::NodeOwnText(node)) + " " + Title(f.tree->m_hSelectedItem)));
            }
        }
        QVERIFY(ran > 200);

        // What the tree shows is also what a save writes and a reopen brings back.
        const QStringList outline = f.outline();
        QVERIFY(f.tree->SaveXMLToFile());
        QFile saved(f.tree->ProjectPath());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(penwick::test::XmlProblem(saved.readAll().toStdString()), std::string());
        QVERIFY(f.tree->OpenProjectFile(f.tree->ProjectPath()));
        QCOMPARE(f.outline(), outline);
        QCOMPARE(f.mismatch(), QString());
    }

    // The tree's commands with undo and redo among them, and moves and drops, at random: the
    // tree follows every step, and at the end undoing everything gives back the opened document byte for byte
    // (as saved), redoing everything the last one.
    void undoAndRedoThroughTheWindow()
    {
        OutlineFixture f;
        QVERIFY(f.start());
        std::mt19937 rng(20261207);
        QVERIFY(f.open(GeneratedProject(rng)));
        const auto savedBytes = [&] {
            if (!f.tree->SaveXMLToFile())
                return QByteArray();
            QFile file(f.tree->ProjectPath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray opened = savedBytes();
        QVERIFY(!opened.isEmpty());
        f.frame->SetActiveView(f.tree);

        const int commands[] = {ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER, ID_TREE_INSERTBEFORE, ID_TREE_DELETE,
                                ID_TREE_CUT,      ID_TREE_COPY,        ID_TREE_PASTE,        ID_TREE_PASTEBEFORE,
                                ID_TREE_PROPERTY, ID_EDIT_UNDO,        ID_EDIT_REDO,         ID_EDIT_UNDO,
                                kMove,            kMove,               kDrop};
        int serial = 0, undos = 0, moves = 0;
        for (int step = 0; step < 300; ++step) {
            const auto items = AllItems(f.tree);
            if (!items.empty() && rng() % 3 == 0)
                f.tree->setCurrentIndex(items[rng() % items.size()]);
            const int id = commands[rng() % std::size(commands)];
            const QString what = QStringLiteral("step %1, command %2").arg(step).arg(id);
            if (id == kMove || id == kDrop) {
                // Alt+arrows on the selected node, or a drop of it (a copy now and then) on
                // another node's upper band, middle or lower band.
                const penwick::DomNode node = VellTreeView::NodeOf(f.tree->m_hSelectedItem);
                if (id == kMove) {
                    const int keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};
                    moves += f.tree->MoveSelected(keys[rng() % 4]);
                } else if (node && !items.empty()) {
                    const penwick::DomNode onto = VellTreeView::NodeOf(items[rng() % items.size()]);
                    const int band = int(rng() % 3);
                    moves += f.tree->PlaceNode(node, band == 1 ? onto : onto.parentNode(),
                                               band == 0 ? onto : band == 1 ? penwick::DomNode() : onto.nextSibling(),
                                               rng() % 4 == 0);
                }
            } else {
                const bool enabled = f.frame->IsCommandEnabled(id);
                if (enabled)
                    AnswerFor(f, id, rng, &serial);
                undos += enabled && id == ID_EDIT_UNDO;
                QCOMPARE(f.frame->RouteCommand(id), enabled);
            }
            // A node left without any child (a bare one whose last sub-node went) is reported
            // when it is selected, as such a node always is; nothing else may ask.
            const QString pointer = QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER));
            int unexpected = 0;
            for (const auto& m : f.prompts->shown)
                unexpected += m.unexpected && m.text != pointer;
            QVERIFY2(f.prompts->allAnswered() && !unexpected, qPrintable(what + ": " + f.prompts->texts().join(QLatin1Char('|'))));
            f.prompts->clear();
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(what + ": " + f.mismatch()));
            QVERIFY2(f.danglingItem().isEmpty(), qPrintable(what + ": dangling " + f.danglingItem()));
            QVERIFY2(f.tree->m_hSelectedItem == f.tree->GetSelectedItem(), qPrintable(what));
            if (f.tree->m_hSelectedItem.isValid())
                QVERIFY2(f.edit->toPlainText() == QString::fromStdString(penwick::format::NodeOwnText(VellTreeView::NodeOf(f.tree->m_hSelectedItem))),
                         qPrintable(what));
        }
        QVERIFY(undos > 20);
        QVERIFY(moves > 30);
        QVERIFY(f.tree->history()->count() > 50);

        const QByteArray last = savedBytes();   // a save keeps the history
        QVERIFY(last != opened);
        while (f.tree->history()->canUndo()) {
            QVERIFY(f.frame->RouteCommand(ID_EDIT_UNDO));
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(f.mismatch()));
        }
        QCOMPARE(savedBytes(), opened);
        while (f.tree->history()->canRedo()) {
            QVERIFY(f.frame->RouteCommand(ID_EDIT_REDO));
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(f.mismatch()));
        }
        QCOMPARE(savedBytes(), last);
    }

    // Outline commands applied to the window's session, moves among them, then every
    // inverse in turn: the tree follows each one, and the document comes back byte for byte.
    void sessionCommandsAndTheirInversesThroughTheWindow()
    {
        OutlineFixture f;
        QVERIFY(f.start());
        std::mt19937 rng(1207);
        QVERIFY(f.open(GeneratedProject(rng)));
        penwick::ProjectSession& session = f.tree->session();
        std::string original;
        QVERIFY(session.document().serialize(original));
        auto outlineNodes = [&] {
            std::vector<penwick::DomNode> out, todo{session.document().documentElement()};
            while (!todo.empty()) {
                const penwick::DomNode n = todo.back();
                todo.pop_back();
                for (penwick::DomNode c = n.firstChild(); c; c = c.nextSibling())
                    if (penwick::format::IsOutlineNode(c)) {
                        out.push_back(c);
                        todo.push_back(c);
                    }
            }
            return out;
        };
        std::vector<penwick::OutlineCommand> inverses;
        for (int step = 0; step < 300; ++step) {
            const std::vector<penwick::DomNode> nodes = outlineNodes();
            if (nodes.empty())
                break;
            const penwick::DomNode node = nodes[rng() % nodes.size()];
            if (!f.tree->m_hSelectedItem.isValid() || rng() % 4 == 0)
                f.tree->setCurrentIndex(f.tree->ItemOf(nodes[rng() % nodes.size()]));
            penwick::OutlineCommand c;
            switch (rng() % 5) {
            case 4:
                c = penwick::OutlineCommand::rename(penwick::PathOf(node), rng() % 2 ? "chapter" : "paragraph");
                break;
            case 0:
                c = penwick::OutlineCommand::insert(penwick::ChildPath(node.parentNode(), node),
                                                    penwick::DetachedSubtree::copyOf(nodes[rng() % nodes.size()]));
                break;
            case 1:
                c = penwick::OutlineCommand::remove(penwick::PathOf(node));
                break;
            case 2: {
                // Beside another node, once the moved one has gone: computed on a copy.
                const penwick::DomNode target = nodes[rng() % nodes.size()];
                penwick::NodePath to = penwick::PathOf(target), from = penwick::PathOf(node);
                if (to.size() >= from.size() && std::equal(from.begin(), from.end(), to.begin()))
                    continue;   // into itself
                const std::size_t level = from.size() - 1;
                if (to.size() > level && std::equal(from.begin(), from.begin() + level, to.begin()) && to[level] > from[level])
                    --to[level];
                c = penwick::OutlineCommand::move(from, to);
                break;
            }
            default:
                c = penwick::OutlineCommand::setAttributes(penwick::PathOf(node), {"改" + std::to_string(step)});
            }
            penwick::OutlineCommand inverse;
            if (penwick::FAILED(session.apply(c, &inverse)))
                continue;
            inverses.push_back(inverse);
            const QString what = QStringLiteral("step %1, kind %2").arg(step).arg(int(c.kind));
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(what + ": " + f.mismatch()));
            QVERIFY2(f.danglingItem().isEmpty(), qPrintable(what + ": dangling " + f.danglingItem()));
            if (f.tree->m_hSelectedItem.isValid())
                QVERIFY2(f.tree->ItemOf(VellTreeView::NodeOf(f.tree->m_hSelectedItem)) == f.tree->m_hSelectedItem, qPrintable(what));
        }
        QVERIFY(inverses.size() > 150);
        while (!inverses.empty()) {
            QVERIFY(penwick::SUCCEEDED(session.apply(inverses.back())));
            inverses.pop_back();
            QVERIFY2(f.mismatch().isEmpty(), qPrintable(f.mismatch()));
        }
        std::string back;
        QVERIFY(session.document().serialize(back));
        QCOMPARE(back, original);
    }
};

QTEST_MAIN(TestOutlineRandom)
#include "tst_outlinerandom.moc"
