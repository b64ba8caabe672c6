// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the project's result lists (search, 校正): a place, then the line with one
// span marked on the highlight colour.

#include <QStyledItemDelegate>

#include <string>

class QListWidgetItem;

class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A row: prefix, then the line from a little before the span (UTF-8, its bytes
    // [start, start + length) marked); the whole line as its tooltip.
    static QListWidgetItem* makeItem(const QString& prefix, const std::string& line, std::size_t start,
                                     std::size_t length);
};
