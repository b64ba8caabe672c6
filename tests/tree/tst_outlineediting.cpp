// SPDX-License-Identifier: GPL-3.0-or-later
// Node editing, the node clipboard and the tree's context menu, driven through the real
// main window with scripted prompts. After every command the tree must mirror the document.
#include "CommandIds.h"
#include "CProjectTitleDlg.h"
#include "OutlineFixture.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

using penwick::DomNode;

namespace {

const char kNovel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>一</text></chapter>"
    "<chapter title=\"第二章\" textout=\"no\" type=\"会話\"><text>二</text>"
    "<paragraph title=\"二の一\" textout=\"yes\" type=\"Basic\"><text>a</text></paragraph>"
    "<paragraph title=\"二の二\" textout=\"yes\" type=\"Basic\"><text>b</text></paragraph>"
    "</chapter>"
    "<chapter title=\"第三章\" textout=\"yes\" type=\"Basic\"><text>三</text></chapter>"
    "<note title=\"メモ\" textout=\"no\" type=\"Basic\"><text/></note>"
    "</project>";

const QStringList kNovelOutline = {"chapter:第一章", "chapter:第二章", " paragraph:二の一",
                                   " paragraph:二の二", "chapter:第三章", "note:メモ"};

// A chain of paragraphs whose deepest text element sits exactly at the depth limit.
QByteArray DeepChain()
{
    QByteArray xml = "<project title=\"深\"><chapter title=\"c\" textout=\"yes\" type=\"Basic\"><text/>";
    const int paragraphs = penwick::kMaxDepth - 3;   // root, chapter and the last text
    for (int i = 1; i <= paragraphs; ++i)
        xml += "<paragraph title=\"p" + QByteArray::number(i) + "\" textout=\"yes\" type=\"Basic\"><text/>";
    for (int i = 0; i < paragraphs; ++i)
        xml += "</paragraph>";
    return xml + "</chapter></project>";
}

}  // namespace

class TestOutlineEditing : public QObject {
    Q_OBJECT
private:
    OutlineFixture f;

    // Items by label path: "第二章/二の一".
    QModelIndex item(const QString& path) const
    {
        QModelIndex at;
        for (const QString& label : path.split(QLatin1Char('/'))) {
            const int count = f.tree->model()->rowCount(at);
            QModelIndex found;
            for (int i = 0; i < count && !found.isValid(); ++i) {
                const QModelIndex c = f.tree->model()->index(i, 0, at);
                if (Title(c) == label)
                    found = c;
            }
            if (!found.isValid())
                return {};
            at = found;
        }
        return at;
    }
    void select(const QString& path) { f.tree->setCurrentIndex(item(path)); }
    void copy(const QString& path, bool all)
    {
        select(path);
        f.prompts->answer(all ? PromptAnswer::Yes : PromptAnswer::No);
        QVERIFY(f.frame->RouteCommand(ID_TREE_COPY));
    }
    // The entries' enabling in the context menu, and their ids in order (0 = separator).
    QMap<int, bool> popupEnabling(QList<int>* order = nullptr)
    {
        std::unique_ptr<QMenu> menu(f.tree->CreatePopupMenu(nullptr));
        QMap<int, bool> out;
        for (QAction* a : menu->actions()) {
            if (order)
                *order << (a->isSeparator() ? 0 : a->data().toInt());
            if (!a->isSeparator())
                out[a->data().toInt()] = a->isEnabled();
        }
        return out;
    }
private slots:
    void init()
    {
        QVERIFY(f.start());
        QVERIFY(f.open(kNovel));
    }
    void cleanup()
    {
        QCOMPARE(f.mismatch(), QString());
        QCOMPARE(f.prompts->unexpectedCount(), 0);
        QVERIFY(f.prompts->allAnswered());
        f.app.reset();
    }

    // ---- node editing ----

    void addingPlacesTheNode_data()
    {
        QTest::addColumn<QString>("selected");   // empty: nothing selected
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("outline");
        const auto with = [](int at, const QString& line) {
            QStringList o = kNovelOutline;
            o.insert(at, line);
            return o;
        };
        QTest::newRow("child, nothing selected") << QString() << int(ID_TREE_ADDCHILD) << with(6, "chapter:新");
        QTest::newRow("child of a chapter") << "第二章" << int(ID_TREE_ADDCHILD) << with(4, " paragraph:新");
        QTest::newRow("child of a paragraph") << "第二章/二の一" << int(ID_TREE_ADDCHILD) << with(3, "  paragraph:新");
        QTest::newRow("below a middle paragraph") << "第二章/二の一" << int(ID_TREE_INSERTAFTER) << with(3, " paragraph:新");
        QTest::newRow("below the last node") << "メモ" << int(ID_TREE_INSERTAFTER) << with(6, "chapter:新");
        QTest::newRow("above the first chapter") << "第一章" << int(ID_TREE_INSERTBEFORE) << with(0, "chapter:新");
        QTest::newRow("above the first paragraph") << "第二章/二の一" << int(ID_TREE_INSERTBEFORE) << with(2, " paragraph:新");
        QTest::newRow("beside another name") << "メモ" << int(ID_TREE_INSERTBEFORE) << with(5, "chapter:新");
    }
    void addingPlacesTheNode()
    {
        QFETCH(QString, selected);
        QFETCH(int, command);
        QFETCH(QStringList, outline);
        if (!selected.isEmpty())
            select(selected);
        const QPersistentModelIndex current = f.tree->m_hSelectedItem;
        const QString editorText = f.edit->toPlainText();
        f.answerProperties(QStringLiteral("新"), false);
        QVERIFY(f.frame->RouteCommand(command));

        QCOMPARE(f.outline(), outline);
        const QModelIndex added = f.tree->model()->match(f.tree->model()->index(0, 0), Qt::DisplayRole,
                                                         QStringLiteral("新"), 1, Qt::MatchRecursive).value(0);
        QVERIFY(added.isValid() && f.tree->isExpanded(added));
        const DomNode node = VellTreeView::NodeOf(added);
        QCOMPARE(node.attributes().length(), 3);
        const QStringList attributes = {QString::fromStdString(node.attribute(0).name() + "=" + node.attribute(0).value()),
                                        QString::fromStdString(node.attribute(1).name() + "=" + node.attribute(1).value()),
                                        QString::fromStdString(node.attribute(2).name() + "=" + node.attribute(2).value())};
        QCOMPARE(attributes, (QStringList{"title=新", "textout=no", "type=Basic"}));
        QCOMPARE(node.firstChild().nodeName(), std::string("text"));
        QVERIFY(!node.firstChild().firstChild() && !node.firstChild().nextSibling());
        // A parent's own text stays its first child.
        if (const DomNode parent = node.parentNode(); parent.nodeName() != "project")
            QCOMPARE(parent.firstChild().nodeName(), std::string("text"));
        // The new node is not selected: the current node and the editor stay.
        QCOMPARE(f.tree->m_hSelectedItem, current);
        QCOMPARE(f.tree->GetSelectedItem(), current);
        QCOMPARE(f.edit->toPlainText(), editorText);
        QVERIFY(f.frame->IsProjectModified());
    }

    void dialogCancelledOrTitleEmptied_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("ok");
        for (int id : {ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER, ID_TREE_INSERTBEFORE, ID_TREE_PROPERTY}) {
            QTest::addRow("%d cancelled", id) << id << false;
            QTest::addRow("%d empty title", id) << id << true;
        }
    }
    void dialogCancelledOrTitleEmptied()
    {
        QFETCH(int, command);
        QFETCH(bool, ok);
        select(QStringLiteral("第一章"));
        const std::string before = f.serialized();
        f.answerProperties(ok ? QString() : QStringLiteral("x"), true, QStringLiteral("Basic"), ok);
        QVERIFY(f.frame->RouteCommand(command));
        QCOMPARE(f.prompts->shown.last().caption, QStringLiteral("ノードプロパティ取得"));
        QCOMPARE(f.serialized(), before);
        QVERIFY(!f.frame->IsProjectModified());
    }

    void propertiesOpenWithTheNodesValues()
    {
        select(QStringLiteral("第二章"));
        const QString caption = f.frame->windowTitle();
        struct {
            QString title;
            bool exported = false;
            QString type;
            QStringList choices;
        } shown;
        bool editable = false;
        // Only the title is changed; flag and type must survive.
        f.prompts->answerDialog([&](QDialog& d) {
            auto& dlg = static_cast<CNodePropertyDlg&>(d);
            shown.title = dlg.titleEdit()->text();
            shown.exported = dlg.exportCheck()->isChecked();
            shown.type = dlg.typeCombo()->currentText();
            for (int i = 0; i < dlg.typeCombo()->count(); ++i)
                shown.choices << dlg.typeCombo()->itemText(i);
            editable = dlg.typeCombo()->isEditable();
            dlg.titleEdit()->setText(QStringLiteral("第二章 改"));
            return int(QDialog::Accepted);
        });
        QVERIFY(f.frame->RouteCommand(ID_TREE_PROPERTY));
        QCOMPARE(shown.title, QStringLiteral("第二章"));
        QVERIFY(editable);
        QVERIFY(!shown.exported);
        QCOMPARE(shown.type, QStringLiteral("会話"));
        QVERIFY(shown.choices.contains(QStringLiteral("Basic")));
        const DomNode node = VellTreeView::NodeOf(f.tree->m_hSelectedItem);
        QCOMPARE(node.attribute(0).value(), std::string("第二章 改"));
        QCOMPARE(node.attribute(1).value(), std::string("no"));
        QCOMPARE(node.attribute(2).value(), std::string("会話"));
        QCOMPARE(Title(f.tree->m_hSelectedItem), QStringLiteral("第二章 改"));
        QCOMPARE(f.frame->windowTitle(), caption);   // until the next selection change
        QVERIFY(f.frame->IsProjectModified());

        f.answerProperties(QStringLiteral("第二章"), true, QStringLiteral("独白"));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PROPERTY));
        QCOMPARE(node.attribute(1).value(), std::string("yes"));
        QCOMPARE(node.attribute(2).value(), std::string("独白"));
    }

    void deleteTakesTheSubtreeAndLoadsTheNextText_data()
    {
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("next");   // empty: none left
        QTest::addColumn<QString>("nextText");
        QTest::newRow("chapter with paragraphs") << "第二章" << "第三章" << "三";
        QTest::newRow("last paragraph") << "第二章/二の二" << "二の一" << "a";
        QTest::newRow("last node") << "メモ" << "第三章" << "三";
    }
    void deleteTakesTheSubtreeAndLoadsTheNextText()
    {
        QFETCH(QString, deleted);
        QFETCH(QString, next);
        QFETCH(QString, nextText);
        select(deleted);
        f.edit->setPlainText(QStringLiteral("消える編集"));
        f.edit->setModified(true);
        QVERIFY(f.frame->RouteCommand(ID_TREE_DELETE));
        QVERIFY(!item(deleted).isValid());
        QCOMPARE(Title(f.tree->m_hSelectedItem), next);
        QCOMPARE(f.tree->GetSelectedItem(), f.tree->m_hSelectedItem);
        QCOMPARE(f.edit->toPlainText(), nextText);
        QVERIFY(!f.edit->isModified());
        QCOMPARE(f.frame->windowTitle(), "小説 - Penwick - [ " + next + " ]");
        // Moving on stores nothing of the deleted node's editing anywhere.
        select(QStringLiteral("第一章"));
        QVERIFY(f.serialized().find("消える編集") == std::string::npos);
        QVERIFY(f.frame->IsProjectModified());
    }

    void deleteBesideANodeWithoutText()
    {
        QVERIFY(f.open("<project title=\"p\"><chapter title=\"A\" textout=\"yes\" type=\"Basic\"><text>消す</text>"
                       "</chapter><chapter title=\"B\"/></project>"));
        select(QStringLiteral("A"));
        f.prompts->answer(PromptAnswer::Ok);   // B has no text element to show
        QVERIFY(f.frame->RouteCommand(ID_TREE_DELETE));
        QCOMPARE(f.prompts->texts(), QStringList{QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER))});
        QCOMPARE(Title(f.tree->m_hSelectedItem), QStringLiteral("B"));
        QCOMPARE(f.edit->toPlainText(), QString());
    }

    void deletingEverythingEmptiesTheEditor()
    {
        while (TopItemCount(f.tree)) {
            f.tree->setCurrentIndex(TopItem(f.tree, 0));
            QVERIFY(f.frame->RouteCommand(ID_TREE_DELETE));
        }
        QVERIFY(!f.tree->m_hSelectedItem.isValid());
        QCOMPARE(f.edit->toPlainText(), QString());
        QVERIFY(!f.frame->IsCommandEnabled(ID_TREE_DELETE));
        QCOMPARE(f.outline(), QStringList());
    }

    // ---- node clipboard ----

    void copyAsksAndPastesTwice()
    {
        QVERIFY(!f.frame->IsCommandEnabled(ID_TREE_PASTE));
        copy(QStringLiteral("第二章"), true);
        QCOMPARE(f.prompts->messages().last().text, QStringLiteral("子まですべてコピーしますか？"));
        QCOMPARE(f.prompts->messages().last().icon, PromptIcon::Question);
        QCOMPARE(f.prompts->messages().last().buttons, PromptButtons::YesNo);
        QVERIFY(!f.frame->IsProjectModified());
        select(QStringLiteral("第一章"));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTE));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTE));
        const QStringList copy = {"chapter:第二章", " paragraph:二の一", " paragraph:二の二"};
        QCOMPARE(f.outline(), QStringList{"chapter:第一章"} + copy + copy + kNovelOutline.mid(1));
        QCOMPARE(Title(f.tree->m_hSelectedItem), QStringLiteral("第一章"));
        QVERIFY(f.tree->m_pClipNode);
        QVERIFY(f.frame->IsProjectModified());
        // Independent copies: editing one leaves the other.
        VellTreeView::NodeOf(TopItem(f.tree, 1)).attribute(2).setValue("x");
        QCOMPARE(VellTreeView::NodeOf(TopItem(f.tree, 2)).attribute(2).value(), std::string("会話"));
    }

    // A cut removes only what went onto the clipboard: without its children, they stay in
    // the node's place; the question closed (Esc: Cancel) cuts nothing. One undo step each.
    void cutWithoutChildrenKeepsThem()
    {
        select(QStringLiteral("第二章"));
        f.prompts->answer(PromptAnswer::Cancel);
        QVERIFY(f.frame->RouteCommand(ID_TREE_CUT));
        QCOMPARE(f.prompts->messages().last().buttons, PromptButtons::YesNoCancel);
        QCOMPARE(f.outline(), kNovelOutline);
        QVERIFY(!f.tree->m_pClipNode);
        QVERIFY(!f.frame->IsProjectModified());

        f.prompts->answer(PromptAnswer::No);
        QVERIFY(f.frame->RouteCommand(ID_TREE_CUT));
        QCOMPARE(f.outline(), (QStringList{"chapter:第一章", "paragraph:二の一", "paragraph:二の二", "chapter:第三章", "note:メモ"}));
        QCOMPARE(f.tree->history()->count(), 1);
        QVERIFY(f.tree->history()->canUndo());
        f.tree->setFocus();
        QVERIFY(f.frame->RouteCommand(ID_EDIT_UNDO));
        QCOMPARE(f.outline(), kNovelOutline);
        QVERIFY(f.frame->RouteCommand(ID_EDIT_REDO));
        QCOMPARE(f.outline(), (QStringList{"chapter:第一章", "paragraph:二の一", "paragraph:二の二", "chapter:第三章", "note:メモ"}));
        select(QStringLiteral("第三章"));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTE));
        QCOMPARE(f.outline(), (QStringList{"chapter:第一章", "paragraph:二の一", "paragraph:二の二", "chapter:第三章", "chapter:第二章", "note:メモ"}));
        // Title, flag, type and own text came along.
        const DomNode node = VellTreeView::NodeOf(TopItem(f.tree, 4));
        QCOMPARE(node.attribute(1).value() + node.attribute(2).value(), std::string("no会話"));
        QCOMPARE(penwick::format::NodeOwnText(node), std::string("二"));
    }

    // ---- outline undo ----

    // Every outline operation is one step: undone, the document is as it was byte for byte
    // (node texts of what came back included), and done again as it was after. The tree
    // takes 元に戻す and Ctrl+Y while it has the focus; a project save keeps the history.
    void undoAndRedoEachOperation_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("selected");
        QTest::newRow("add child") << int(ID_TREE_ADDCHILD) << "第二章";
        QTest::newRow("sibling below") << int(ID_TREE_INSERTAFTER) << "第一章";
        QTest::newRow("sibling above") << int(ID_TREE_INSERTBEFORE) << "第二章/二の二";
        QTest::newRow("delete") << int(ID_TREE_DELETE) << "第二章";
        QTest::newRow("cut") << int(ID_TREE_CUT) << "第二章";
        QTest::newRow("paste below") << int(ID_TREE_PASTE) << "第一章";
        QTest::newRow("paste above") << int(ID_TREE_PASTEBEFORE) << "第三章";
        QTest::newRow("properties") << int(ID_TREE_PROPERTY) << "第二章/二の一";
        QTest::newRow("project title") << int(ID_PROJECT_TITLE) << "第一章";
    }
    void undoAndRedoEachOperation()
    {
        QFETCH(int, command);
        QFETCH(QString, selected);
        if (command == ID_TREE_PASTE || command == ID_TREE_PASTEBEFORE)
            copy(QStringLiteral("第二章"), true);
        select(selected);
        QTest::keyClicks(f.edit->control(), QStringLiteral("typed "));   // stored by the operation
        std::string before;
        std::string typedIn;
        switch (command) {
        case ID_TREE_ADDCHILD:
        case ID_TREE_INSERTAFTER:
        case ID_TREE_INSERTBEFORE:
        case ID_TREE_PROPERTY:
            f.answerProperties(QStringLiteral("新しい節"), false, QStringLiteral("会話"));
            break;
        case ID_TREE_CUT:
            f.prompts->answer(PromptAnswer::Yes);
            break;
        case ID_PROJECT_TITLE:
            f.prompts->answerDialog([](QDialog& dlg) {
                static_cast<CProjectTitleDlg&>(dlg).titleEdit()->setText(QStringLiteral("改題"));
                return int(QDialog::Accepted);
            });
            break;
        default:
            break;
        }
        f.tree->SaveTextToDOM();
        QVERIFY(f.tree->session().document().serialize(before));
        QVERIFY(f.frame->RouteCommand(command));
        std::string after;
        QVERIFY(f.tree->session().document().serialize(after));
        QVERIFY(after != before);
        QCOMPARE(f.tree->history()->count(), 1);
        const QStringList outlineAfter = f.outline();

        f.tree->setFocus();
        f.frame->SetActiveView(f.tree);
        QVERIFY(f.frame->IsCommandEnabled(ID_EDIT_UNDO));
        QVERIFY(!f.frame->IsCommandEnabled(ID_EDIT_REDO));
        QVERIFY(f.tree->SaveXMLToFile());   // a save keeps the history
        QVERIFY(f.frame->RouteCommand(ID_EDIT_UNDO));
        std::string undone;
        QVERIFY(f.tree->session().document().serialize(undone));
        QCOMPARE(undone, before);
        QCOMPARE(f.outline(), kNovelOutline);
        QVERIFY(f.frame->IsProjectModified());
        QCOMPARE(f.frame->windowTitle().startsWith(QStringLiteral("小説 - Penwick")), true);
        QVERIFY(f.frame->IsCommandEnabled(ID_EDIT_REDO));

        QVERIFY(f.frame->RouteCommand(ID_EDIT_REDO));
        std::string redone;
        QVERIFY(f.tree->session().document().serialize(redone));
        QCOMPARE(redone, after);
        QCOMPARE(f.outline(), outlineAfter);
        // The editor shows the selected node's own text, or nothing when its node went.
        if (f.tree->m_hSelectedItem.isValid())
            QCOMPARE(f.edit->toPlainText(),
                     QString::fromStdString(penwick::format::NodeOwnText(VellTreeView::NodeOf(f.tree->m_hSelectedItem))));
        else
            QCOMPARE(f.edit->toPlainText(), QString());

        // Opening a project starts a new history.
        QVERIFY(f.open(kNovel));
        QVERIFY(!f.tree->history()->canUndo());
        QVERIFY(!f.frame->IsCommandEnabled(ID_EDIT_UNDO));
    }

    // While the editor has the focus, the keys act on its text.
    void undoKeysFollowTheFocus()
    {
        select(QStringLiteral("第一章"));
        f.prompts->answer(PromptAnswer::Yes);   // nothing typed: the copy question only
        QVERIFY(f.frame->RouteCommand(ID_TREE_CUT));
        f.frame->SetActiveView(f.edit);
        QTest::keyClicks(f.edit->control(), QStringLiteral("x"));
        const QString typed = f.edit->toPlainText();
        QVERIFY(f.frame->RouteCommand(ID_EDIT_UNDO));
        QCOMPARE(f.edit->toPlainText().size(), typed.size() - 1);
        QCOMPARE(f.outline(), kNovelOutline.mid(1));   // the cut stays
        QVERIFY(f.frame->RouteCommand(ID_EDIT_REDO));
        QCOMPARE(f.edit->toPlainText(), typed);
        f.frame->SetActiveView(f.tree);
        QVERIFY(f.frame->RouteCommand(ID_EDIT_UNDO));
        QCOMPARE(f.outline(), kNovelOutline);
    }

    void cutKeepsTextTypedIntoTheNode()
    {
        select(QStringLiteral("第一章"));
        QTest::keyClicks(f.edit->control(), QStringLiteral("more "));
        f.prompts->answer(PromptAnswer::Yes);
        QVERIFY(f.frame->RouteCommand(ID_TREE_CUT));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTEBEFORE));
        QCOMPARE(penwick::format::NodeOwnText(VellTreeView::NodeOf(TopItem(f.tree, 0))), std::string("more 一"));
    }

    void pasteRefusedByType_data()
    {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::newRow("chapter beside a paragraph") << "第一章" << "第二章/二の一" << "chapter";
        QTest::newRow("chapter beside another name") << "第一章" << "メモ" << "chapter";
        QTest::newRow("paragraph beside a chapter") << "第二章/二の一" << "第三章" << "paragraph";
    }
    void pasteRefusedByType()
    {
        QFETCH(QString, copied);
        QFETCH(QString, target);
        QFETCH(QString, name);
        copy(copied, true);
        select(target);
        const std::string before = f.serialized();
        for (int id : {ID_TREE_PASTE, ID_TREE_PASTEBEFORE}) {
            f.prompts->answer(PromptAnswer::Ok);
            QVERIFY(f.frame->RouteCommand(id));
            QCOMPARE(f.prompts->messages().last().text,
                     "貼り付けようとしているのは[" + name + "]要素です。ここに貼り付けることはできません。\n手動で変更してください");
            QCOMPARE(f.prompts->messages().last().icon, PromptIcon::Exclamation);
        }
        QCOMPARE(f.serialized(), before);
        QVERIFY(!f.frame->IsProjectModified());
    }

    void otherNamesPasteAnywhere()
    {
        copy(QStringLiteral("メモ"), true);
        select(QStringLiteral("第二章/二の一"));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTEBEFORE));
        QCOMPARE(f.outline().mid(1, 3), (QStringList{"chapter:第二章", " note:メモ", " paragraph:二の一"}));
        QCOMPARE(VellTreeView::NodeOf(item("第二章")).firstChild().nodeName(), std::string("text"));
    }

    void clipboardOutlivesTheProject()
    {
        copy(QStringLiteral("第二章/二の二"), true);
        QVERIFY(f.open("<project title=\"別\"><chapter title=\"X\" textout=\"yes\" type=\"Basic\"><text/>"
                       "<paragraph title=\"Y\" textout=\"yes\" type=\"Basic\"><text/></paragraph></chapter></project>",
                       QStringLiteral("other.xml")));
        QVERIFY(!f.frame->IsCommandEnabled(ID_TREE_PASTE));   // nothing selected yet
        select(QStringLiteral("X/Y"));
        QVERIFY(f.frame->IsCommandEnabled(ID_TREE_PASTE));
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTE));
        QCOMPARE(f.outline(), (QStringList{"chapter:X", " paragraph:Y", " paragraph:二の二"}));
        QCOMPARE(penwick::format::NodeOwnText(VellTreeView::NodeOf(item("X/二の二"))), std::string("b"));
    }

    void depthLimitRefusesAndChangesNothing()
    {
        QVERIFY(f.open(DeepChain(), QStringLiteral("deep.xml")));
        QModelIndex deepest = TopItem(f.tree, 0);
        while (ChildCount(deepest))
            deepest = ChildItem(deepest, 0);
        QModelIndex above = deepest.parent();
        f.tree->setCurrentIndex(above);
        f.prompts->answer(PromptAnswer::Yes);
        QVERIFY(f.frame->RouteCommand(ID_TREE_COPY));   // two paragraphs and their texts

        const std::string before = f.serialized();
        f.tree->setCurrentIndex(deepest);
        for (int id : {ID_TREE_PASTE, ID_TREE_PASTEBEFORE}) {
            f.prompts->answer(PromptAnswer::Ok);
            QVERIFY(f.frame->RouteCommand(id));
        }
        f.answerProperties(QStringLiteral("もっと深く"));
        f.prompts->answer(PromptAnswer::Ok);
        QVERIFY(f.frame->RouteCommand(ID_TREE_ADDCHILD));
        QCOMPARE(f.prompts->texts().mid(1), QStringList(3, VellTreeView::TooDeepText()));
        QCOMPARE(f.serialized(), before);
        QVERIFY(!f.frame->IsProjectModified());

        // One level up the same copy still fits.
        f.tree->setCurrentIndex(above);
        QVERIFY(f.frame->RouteCommand(ID_TREE_PASTE));
        QCOMPARE(ChildCount(above.parent()), 2);
        QCOMPARE(Title(ChildItem(ChildItem(above.parent(), 1), 0)), Title(deepest));
    }

    // ---- context menu ----

    void popupEntriesAndEnabling_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("held");
        QTest::newRow("nothing selected, clipboard empty") << false << false;
        QTest::newRow("nothing selected, clipboard held") << false << true;
        QTest::newRow("selected, clipboard empty") << true << false;
        QTest::newRow("selected, clipboard held") << true << true;
    }
    void popupEntriesAndEnabling()
    {
        QFETCH(bool, selected);
        QFETCH(bool, held);
        if (held) {
            copy(QStringLiteral("第一章"), true);
            QVERIFY(f.open(kNovel));   // the clipboard stays, the selection goes
        }
        if (selected)
            select(QStringLiteral("第三章"));
        QList<int> order;
        const QMap<int, bool> enabled = popupEnabling(&order);
        QCOMPARE(order, (QList<int>{ID_TREE_CUT, ID_TREE_COPY, ID_TREE_PASTE, ID_TREE_PASTEBEFORE, ID_TREE_DELETE, 0,
                                    ID_TREE_PROPERTY, 0, ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER,
                                    ID_TREE_INSERTBEFORE, 0, ID_PROJECT_TITLE}));
        for (auto [id, on] : enabled.asKeyValueRange()) {
            const bool expected = id == ID_TREE_ADDCHILD || id == ID_PROJECT_TITLE ? true
                                  : id == ID_TREE_PASTE || id == ID_TREE_PASTEBEFORE ? held
                                                                                     : selected;
            QVERIFY2(on == expected, qPrintable(QString::number(id)));
        }
        std::unique_ptr<QMenu> menu(f.tree->CreatePopupMenu(nullptr));
        QCOMPARE(menu->objectName(), QStringLiteral("POPUP2"));
        QCOMPARE(menu->actions().at(4)->text(), QStringLiteral("削除(&D)"));
    }

    void rightClick_data()
    {
        QTest::addColumn<bool>("held");         // a node copied in a project opened before
        QTest::addColumn<QString>("selected");  // empty: nothing
        QTest::addColumn<int>("key");           // pressed in the open menu
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<QString>("selectedAfter");
        QStringList withoutThird = kNovelOutline;
        withoutThird.removeAll(QStringLiteral("chapter:第三章"));
        QTest::newRow("acts on the item pressed") << false << "第一章" << int(Qt::Key_D) << withoutThird << "メモ";
        QTest::newRow("dismissed: the item pressed stays selected") << false << "第一章" << int(Qt::Key_Escape) << kNovelOutline << "第三章";
        QStringList pasted = kNovelOutline;
        pasted.insert(5, QStringLiteral("chapter:第一章"));
        QTest::newRow("paste below the item pressed, nothing selected before") << true << QString() << int(Qt::Key_P) << pasted << "第三章";
    }
    void rightClick()
    {
        QFETCH(bool, held);
        QFETCH(QString, selected);
        QFETCH(int, key);
        QFETCH(QStringList, outline);
        QFETCH(QString, selectedAfter);
        if (held) {
            copy(QStringLiteral("第一章"), true);
            QVERIFY(f.open(kNovel));
            QVERIFY(popupEnabling()[ID_TREE_PASTE]);
        }
        if (!selected.isEmpty())
            select(selected);
        f.prompts->shown.clear();
        // Pressed on another item than the selected one; the menu answers the key.
        QTimer::singleShot(0, this, [key] {
            if (QWidget* popup = QApplication::activePopupWidget())
                QTest::keyClick(popup, Qt::Key(key));
        });
        const QRect at = f.tree->visualRect(item(QStringLiteral("第三章")));
        QTest::mouseClick(f.tree->viewport(), Qt::RightButton, {}, at.center());
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(f.outline(), outline);
        QCOMPARE(Title(f.tree->GetSelectedItem()), selectedAfter);
        QVERIFY(f.prompts->shown.isEmpty());
        QCOMPARE(f.frame->IsProjectModified(), outline != kNovelOutline);
    }

    // Alt+arrow keys in the tree: up and down among siblings, right under the sibling
    // above, left out beside the parent; the element name follows the level, attributes and
    // text stay; each is one undo step, and the editor keeps its node, text and caret.
    void altArrowsMoveTheSelectedNode_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("outline");
        QTest::newRow("up") << "第二章/二の二" << int(Qt::Key_Up)
                            << QStringList{"chapter:第一章", "chapter:第二章", " paragraph:二の二", " paragraph:二の一",
                                           "chapter:第三章", "note:メモ"};
        QTest::newRow("down") << "第一章" << int(Qt::Key_Down)
                              << QStringList{"chapter:第二章", " paragraph:二の一", " paragraph:二の二", "chapter:第一章",
                                             "chapter:第三章", "note:メモ"};
        QTest::newRow("indent") << "第三章" << int(Qt::Key_Right)
                                << QStringList{"chapter:第一章", "chapter:第二章", " paragraph:二の一", " paragraph:二の二",
                                               " paragraph:第三章", "note:メモ"};
        QTest::newRow("outdent") << "第二章/二の一" << int(Qt::Key_Left)
                                 << QStringList{"chapter:第一章", "chapter:第二章", " paragraph:二の二", "chapter:二の一",
                                                "chapter:第三章", "note:メモ"};
        QTest::newRow("other names stay") << "メモ" << int(Qt::Key_Right)
                                          << QStringList{"chapter:第一章", "chapter:第二章", " paragraph:二の一",
                                                         " paragraph:二の二", "chapter:第三章", " note:メモ"};
        QTest::newRow("first stays first") << "第一章" << int(Qt::Key_Up) << kNovelOutline;
        QTest::newRow("top stays top") << "第一章" << int(Qt::Key_Left) << kNovelOutline;
    }
    void altArrowsMoveTheSelectedNode()
    {
        QFETCH(QString, node);
        QFETCH(int, key);
        QFETCH(QStringList, outline);
        select(node);
        const int steps = f.tree->history()->count();
        f.edit->setPlainText(QStringLiteral("書きかけの文"));
        f.edit->setModified(true);
        f.edit->setSelection(2, 4);
        f.tree->setFocus();
        QTest::keyClick(f.tree, Qt::Key(key), Qt::AltModifier);
        QCOMPARE(f.outline(), outline);
        QCOMPARE(Title(f.tree->GetSelectedItem()), node.section(QLatin1Char('/'), -1));
        QCOMPARE(f.edit->toPlainText(), QStringLiteral("書きかけの文"));
        int start = 0, end = 0;
        f.edit->selection(&start, &end);
        QCOMPARE(std::make_pair(start, end), std::make_pair(2, 4));
        if (outline == kNovelOutline)
            return;
        // The text went into the node before it moved; the move is one step.
        const DomNode moved = VellTreeView::NodeOf(f.tree->GetSelectedItem());
        QCOMPARE(QString::fromStdString(penwick::format::NodeOwnText(moved)), QStringLiteral("書きかけの文"));
        QCOMPARE(f.tree->history()->count(), steps + 1);
        f.tree->RunCommand(ID_EDIT_UNDO);   // the tree's 元に戻す
        QCOMPARE(f.outline(), kNovelOutline);
    }

    // A copy placed by a drop (Ctrl) goes in beside the node with its sub-nodes; a node never
    // goes into its own subtree; the depth limit holds.
    void placingCopiesAndRefusals()
    {
        const QModelIndex second = item(QStringLiteral("第二章"));
        select(QStringLiteral("第二章"));
        const DomNode node = VellTreeView::NodeOf(second);
        const DomNode root = f.tree->session().document().documentElement();
        QVERIFY(f.tree->PlaceNode(node, VellTreeView::NodeOf(item(QStringLiteral("第三章"))), {}, true));
        QCOMPARE(f.outline(), (QStringList{"chapter:第一章", "chapter:第二章", " paragraph:二の一", " paragraph:二の二",
                                          "chapter:第三章", " paragraph:第二章", "  paragraph:二の一", "  paragraph:二の二",
                                          "note:メモ"}));
        f.tree->history()->undo();
        QCOMPARE(f.outline(), kNovelOutline);
        QVERIFY(!f.tree->PlaceNode(node, VellTreeView::NodeOf(item(QStringLiteral("第二章/二の一"))), {}, false));
        QCOMPARE(f.outline(), kNovelOutline);
        QVERIFY(root);
    }

    void movesStopAtTheDepthLimit()
    {
        QByteArray xml = DeepChain();
        xml.replace("</chapter></project>",
                    "</chapter><chapter title=\"d\" textout=\"yes\" type=\"Basic\"><text/></chapter></project>");
        QVERIFY(f.open(xml));
        QModelIndex deepest = item(QStringLiteral("c"));
        while (f.tree->model()->rowCount(deepest) > 0)
            deepest = f.tree->model()->index(0, 0, deepest);
        select(QStringLiteral("d"));
        const std::string before = f.serialized();
        f.prompts->answer(PromptAnswer::Ok);
        QVERIFY(!f.tree->PlaceNode(VellTreeView::NodeOf(item(QStringLiteral("d"))), VellTreeView::NodeOf(deepest), {}, false));
        QVERIFY(f.prompts->texts().last().contains(QString::number(penwick::kMaxDepth)));
        QCOMPARE(f.serialized(), before);
        QVERIFY(f.tree->PlaceNode(VellTreeView::NodeOf(item(QStringLiteral("d"))), VellTreeView::NodeOf(item(QStringLiteral("c"))), {}, false));
    }
};

QTEST_MAIN(TestOutlineEditing)
#include "tst_outlineediting.moc"
