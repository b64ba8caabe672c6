// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the outline pane in tests: its rows as items, by position.
#pragma once

#include "OutlineModel.h"
#include "VellTreeView.h"

#include <QModelIndex>
#include <QString>

#include <functional>

// The row-th top-level item, or an invalid index.
inline QModelIndex TopItem(const VellTreeView* tree, int row) { return tree->model()->index(row, 0); }
inline int TopItemCount(const VellTreeView* tree) { return tree->model()->rowCount(); }
inline QModelIndex ChildItem(const QModelIndex& item, int row) { return item.model()->index(row, 0, item); }
inline int ChildCount(const QModelIndex& item) { return item.model()->rowCount(item); }
inline QString Title(const QModelIndex& item) { return OutlineModel::TitleOf(item); }

// Every item of the tree in display order (depth first).
inline void ForEachItem(const VellTreeView* tree, const std::function<void(const QModelIndex&)>& visit)
{
    const QAbstractItemModel* model = tree->model();
    std::vector<QModelIndex> todo;
    for (int r = model->rowCount() - 1; r >= 0; --r)
        todo.push_back(model->index(r, 0));
    while (!todo.empty()) {
        const QModelIndex item = todo.back();
        todo.pop_back();
        visit(item);
        for (int r = model->rowCount(item) - 1; r >= 0; --r)
            todo.push_back(model->index(r, 0, item));
    }
}
