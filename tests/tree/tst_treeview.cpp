// SPDX-License-Identifier: GPL-3.0-or-later
// The project tree built from good and odd project files inside the real main window,
// with every failure report read back from the scripted prompts.
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "AppHarness.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using penwick::DomNode;

namespace {

const char kThreeChapters[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<project title=\"小説\">"
    "<chapter title=\"第一章\" textout=\"yes\" type=\"Basic\"><text>一</text></chapter>"
    "<chapter title=\"第二章\" textout=\"yes\" type=\"Basic\"><text/>"
    "<paragraph title=\"二の一\" textout=\"yes\" type=\"Basic\"><text>a</text></paragraph>"
    "<paragraph title=\"二の二\" textout=\"no\" type=\"Basic\"><text>b</text></paragraph>"
    "</chapter>"
    "<chapter title=\"第三章\" textout=\"yes\" type=\"Basic\"><text/></chapter>"
    "</project>";

// The labels of the whole tree, depth first, indented by level.
QStringList Outline(const VellTreeView* tree)
{
    QStringList out;
    std::vector<std::pair<QModelIndex, int>> stack;
    for (int i = TopItemCount(tree) - 1; i >= 0; --i)
        stack.push_back({TopItem(tree, i), 0});
    while (!stack.empty()) {
        auto [item, level] = stack.back();
        stack.pop_back();
        out << QString(level, QLatin1Char(' ')) + Title(item);
        for (int c = ChildCount(item) - 1; c >= 0; --c)
            stack.push_back({ChildItem(item, c), level + 1});
    }
    return out;
}

}  // namespace

class TestTreeView : public QObject, private AppHarness {
    Q_OBJECT
private:

    // The rebuild order of open project: clear, load, build.
    bool openProject(const QString& path)
    {
        tree->m_bDeleting = true;
        tree->DeleteTreeItem(QModelIndex());
        tree->m_bDeleting = false;
        tree->SetProjectPath(path);
        return tree->InitDomDocument() && tree->RefreshTree();
    }
    static QByteArray Nested(int depth)
    {
        // The document element counts as the first level.
        QByteArray xml = "<project title=\"deep\">";
        for (int i = 1; i < depth; ++i)
            xml += "<paragraph title=\"" + QByteArray::number(i) + "\">";
        for (int i = 1; i < depth; ++i)
            xml += "</paragraph>";
        return xml + "</project>";
    }

private slots:
    void init()
    {
        QVERIFY(start());
    }
    void cleanup()
    {
        QCOMPARE(prompts->unexpectedCount(), 0);
        QVERIFY(prompts->allAnswered());
        app.reset();
    }

    void constructionLoadsTheTemplate()
    {
        QCOMPARE(tree->m_strTemplatePath, QCoreApplication::applicationDirPath() + "/default.xml");
                const DomNode root = tree->session().document().documentElement();
        QVERIFY(root);
        QCOMPARE(QString::fromStdString(root.firstAttribute().value()), QStringLiteral("無題のプロジェクト"));
        QCOMPARE(tree->m_strProjectTitle, QStringLiteral("無題"));
        QVERIFY(tree->ProjectPath().isEmpty());
        QCOMPARE(TopItemCount(tree), 0);
        QCOMPARE(tree->GetEditView(), frame->GetEditView());
        QVERIFY(prompts->shown.isEmpty());
    }

    void threeChaptersSecondWithTwoParagraphs()
    {
        QVERIFY(openProject(writeFile("good.xml", kThreeChapters)));
        QCOMPARE(Outline(tree), (QStringList{"第一章", "第二章", " 二の一", " 二の二", "第三章"}));
        QCOMPARE(tree->m_strProjectTitle, QStringLiteral("小説"));
        QVERIFY(!tree->m_hSelectedItem.isValid());
        QVERIFY(!tree->currentIndex().isValid());
        QVERIFY(frame->IsProjectModified());
        ForEachItem(tree, [&](const QModelIndex& item) {
            QVERIFY(tree->isExpanded(item));
            // Each item carries its element, and shows the element's first attribute.
            const DomNode node = VellTreeView::NodeOf(item);
            QVERIFY(node);
            QCOMPARE(QString::fromStdString(node.firstAttribute().value()), Title(item));
            QCOMPARE(QString::fromStdString(node.nodeName()),
                     item.parent().isValid() ? QStringLiteral("paragraph") : QStringLiteral("chapter"));
        });
        QVERIFY(prompts->shown.isEmpty());
    }

    void oddFiles_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<QStringList>("reports");
        const QString pointer = QString::fromStdString(penwick::ResultCodeText(penwick::E_POINTER));
        QTest::newRow("comment among chapters")
            << QByteArray("<p t=\"T\"><chapter title=\"A\"><text/></chapter><!-- note -->"
                          "<chapter title=\"B\"><text/></chapter></p>")
            << QStringList{"A", "B"} << QStringList{pointer};
        QTest::newRow("attributes below an element without")
            << QByteArray("<p t=\"T\"><chapter title=\"A\"><text/><group><paragraph title=\"X\"/></group>"
                          "</chapter><chapter title=\"B\"/></p>")
            << QStringList{"A", "X", "B"} << QStringList{};
        QTest::newRow("empty title and other names")
            << QByteArray("<p t=\"T\"><chapter title=\"\"/><note kind=\"k\"/></p>")
            << QStringList{"", "k"} << QStringList{};
        QTest::newRow("root without attributes")
            << QByteArray("<p><chapter title=\"A\"/></p>") << QStringList{} << QStringList{pointer};
    }
    void oddFiles()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, outline);
        QFETCH(QStringList, reports);
        for (int i = 0; i < reports.size(); ++i)
            prompts->answer(PromptAnswer::Ok);
        const bool built = openProject(writeFile("odd.xml", xml));
        QCOMPARE(built, !xml.startsWith("<p>"));
        QCOMPARE(Outline(tree), outline);
        QCOMPARE(prompts->texts(), reports);
        for (const auto& shown : prompts->messages()) {
            QCOMPARE(shown.caption, QStringLiteral("Penwick"));
            QCOMPARE(shown.buttons, PromptButtons::Ok);
        }
    }

    void fileAtTheDepthLimit()
    {
        QVERIFY(openProject(writeFile("deep.xml", Nested(penwick::kMaxDepth))));
        QModelIndex item = TopItem(tree, 0);
        int levels = 1;
        while (ChildCount(item) == 1) {
            item = ChildItem(item, 0);
            ++levels;
        }
        QCOMPARE(levels, penwick::kMaxDepth - 1);
        QCOMPARE(Title(item), QString::number(penwick::kMaxDepth - 1));
        QVERIFY(tree->isExpanded(item));
        tree->DeleteTreeItem(QModelIndex());
        QCOMPARE(TopItemCount(tree), 0);
    }

    void loadFailuresKeepTheDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("malformed") << QByteArray("<p t=\"T\"><chapter></p>") << true;
        QTest::newRow("too deep") << Nested(penwick::kMaxDepth + 1) << true;
    }
    void loadFailuresKeepTheDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, create);
        QVERIFY(openProject(writeFile("good.xml", kThreeChapters)));
        const QString path = create ? writeFile("bad.xml", bytes) : dir.filePath("absent.xml");
        prompts->answer(PromptAnswer::Ok);
        tree->SetProjectPath(path);
        QVERIFY(!tree->InitDomDocument());
        QCOMPARE(prompts->messages().size(), 1);
        QVERIFY(prompts->messages()[0].text.contains(QStringLiteral("bad.xml")) ||
                prompts->messages()[0].text.contains(QStringLiteral("absent.xml")));
        QCOMPARE(prompts->messages()[0].buttons, PromptButtons::Ok);
        // The document loaded before is still there to rebuild from (and to save).
        QCOMPARE(QString::fromStdString(tree->session().document().documentElement().firstAttribute().value()),
                 QStringLiteral("小説"));
    }

    void deleteTreeItem()
    {
        QVERIFY(openProject(writeFile("good.xml", kThreeChapters)));
        frame->session().setModified(false);
        tree->m_hSelectedItem = TopItem(tree, 0);
        tree->DeleteTreeItem(TopItem(tree, 1));
        QCOMPARE(Outline(tree), (QStringList{"第一章", "第三章"}));
        QVERIFY(frame->IsProjectModified());
        QVERIFY(!tree->m_hSelectedItem.isValid());
        // The DOM is the editing commands' business; deleting items leaves it whole.
        QCOMPARE(tree->session().document().documentElement().firstChild().nextSibling().firstAttribute().value(),
                 std::string("第二章"));

        tree->DeleteTreeItem(QModelIndex());
        QCOMPARE(TopItemCount(tree), 0);
        frame->session().setModified(false);
        tree->DeleteTreeItem(QModelIndex());  // an empty tree still counts as a change
        QVERIFY(frame->IsProjectModified());
    }

    void saveXmlToFile()
    {
        QVERIFY(openProject(writeFile("good.xml", kThreeChapters)));
        tree->SetProjectPath(QString());
        tree->setCurrentIndex(TopItem(tree, 0));   // the editor holds a node's text
        frame->session().setModified(true);
        frame->GetEditView()->setModified(true);

        prompts->answerPath(QString());  // no name chosen: nothing saved, nothing cleared
        QVERIFY(!tree->SaveXMLToFile());
        QVERIFY(frame->IsProjectModified());
        QVERIFY(tree->ProjectPath().isEmpty());

        prompts->answerPath(dir.filePath("copy"));
        QVERIFY(tree->SaveXMLToFile());
        QCOMPARE(tree->ProjectPath(), dir.filePath("copy.xml"));
        QVERIFY(!frame->IsProjectModified());
        QVERIFY(!frame->GetEditView()->isModified());
        QVERIFY(openProject(dir.filePath("copy.xml")));
        QCOMPARE(Outline(tree), (QStringList{"第一章", "第二章", " 二の一", " 二の二", "第三章"}));
    }
};

QTEST_MAIN(TestTreeView)
#include "tst_treeview.moc"
