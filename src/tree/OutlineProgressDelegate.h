// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the outline's rows as usual and, below the title of a node that has a target, a
// thin bar of how far its text has come. What a node's progress is, the frame says (the
// targets and the grid are its); the tree only draws it.
#pragma once

#include <QStyledItemDelegate>

#include <functional>
#include <optional>

class OutlineProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // 0 .. 1 for a node with a target; nothing for the others.
    using Progress = std::function<std::optional<double>(const QModelIndex&)>;

    explicit OutlineProgressDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Progress m_progress;
};
