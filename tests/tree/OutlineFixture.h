// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the outline editing tests: a running main window with scripted prompts, a
// project opened from XML, and a check that the tree mirrors the document item by item.
#pragma once

#include "CMainFrame.h"
#include "CNodePropertyDlg.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "ProjectFormat.h"
#include "ScriptedPrompts.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <memory>
#include <set>
#include <vector>

struct OutlineFixture {
    std::unique_ptr<CVellApp> app;
    ScriptedPrompts* prompts = nullptr;
    CMainFrame* frame = nullptr;
    VellTreeView* tree = nullptr;
    CVellEditView* edit = nullptr;
    QTemporaryDir dir;

    bool start()
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        const bool ok = app->InitInstance({});
        frame = app->GetMainWnd();
        tree = frame->GetTreeView();
        edit = frame->GetEditView();
        return ok;
    }

    bool open(const QByteArray& xml, const QString& name = QStringLiteral("project.xml"))
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(xml) != xml.size())
            return false;
        f.close();
        return tree->OpenProjectFile(f.fileName());
    }

    // Answers the next node property dialog with these values.
    void answerProperties(const QString& title, bool exported = true,
                          const QString& type = QStringLiteral("Basic"), bool ok = true)
    {
        prompts->answerDialog([=](QDialog& d) {
            auto& dlg = static_cast<CNodePropertyDlg&>(d);
            dlg.titleEdit()->setText(title);
            dlg.exportCheck()->setChecked(exported);
            dlg.typeCombo()->setEditText(type);
            return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }

    // The first difference between the tree and the document, or empty when the tree
    // shows exactly the document's outline nodes, in order, each item carrying its node.
    QString mismatch() const
    {
        struct Level {
            penwick::DomNode node;
            QModelIndex item;   // invalid: the top level
        };
        std::vector<Level> todo{{tree->session().document().documentElement(), QModelIndex()}};
        while (!todo.empty()) {
            const Level level = todo.back();
            todo.pop_back();
            const int count = tree->model()->rowCount(level.item);
            int i = 0;
            for (penwick::DomNode c = level.node.firstChild(); c; c = c.nextSibling()) {
                if (!penwick::format::IsOutlineNode(c))
                    continue;
                const QString title = QString::fromStdString(penwick::format::NodeTitle(c));
                if (i >= count)
                    return QStringLiteral("no item for ") + title;
                const QModelIndex item = tree->model()->index(i, 0, level.item);
                if (VellTreeView::NodeOf(item) != c || Title(item) != title)
                    return QStringLiteral("item %1 in place of %2").arg(Title(item), title);
                todo.push_back({c, item});
                ++i;
            }
            if (i != count)
                return QStringLiteral("%1 items more than nodes").arg(count - i);
        }
        return {};
    }

    // An item whose node is no longer in the document (its handle would read freed
    // memory that no sanitizer sees: the DOM pools its pages), or empty.
    QString danglingItem() const
    {
        std::set<const void*> live;
        std::vector<penwick::DomNode> todo{tree->session().document().documentNode()};
        while (!todo.empty()) {
            const penwick::DomNode n = todo.back();
            todo.pop_back();
            live.insert(n.internal());
            for (penwick::DomNode c = n.firstChild(); c; c = c.nextSibling())
                todo.push_back(c);
        }
        QString dangling;
        ForEachItem(tree, [&](const QModelIndex& item) {
            if (dangling.isEmpty() && !live.count(VellTreeView::NodeOf(item).internal()))
                dangling = Title(item);
        });
        return dangling;
    }

    // The document's outline: "name:title" per node, indented one blank per level.
    QStringList outline() const
    {
        QStringList out;
        std::vector<std::pair<penwick::DomNode, int>> stack;
        const auto pushChildren = [&](penwick::DomNode parent, int level) {
            std::vector<penwick::DomNode> kids;
            for (penwick::DomNode c = parent.firstChild(); c; c = c.nextSibling())
                if (penwick::format::IsOutlineNode(c))
                    kids.push_back(c);
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                stack.push_back({*it, level});
        };
        pushChildren(tree->session().document().documentElement(), 0);
        while (!stack.empty()) {
            auto [node, level] = stack.back();
            stack.pop_back();
            out << QString(level, QLatin1Char(' ')) +
                       QString::fromStdString(node.nodeName() + ":" + penwick::format::NodeTitle(node));
            pushChildren(node, level + 1);
        }
        return out;
    }

    std::string serialized() const
    {
        std::string bytes;
        tree->session().document().serialize(bytes);
        return bytes;
    }
};
