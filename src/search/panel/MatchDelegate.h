// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the project's result lists (search, 校正): a place, then the line with one
// span marked on the highlight colour, and, where a row has one, a second line below
// (the 校正 panel's message).

#include <QStyledItemDelegate>

#include <string>

class QListWidgetItem;

class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A row: prefix, then the line from a little before the span (UTF-8, its bytes
    // [start, start + length) marked), and the detail below it when there is one; the whole
    // line (or the detail) as its tooltip.
    static QListWidgetItem* makeItem(const QString& prefix, const std::string& line, std::size_t start,
                                     std::size_t length, const QString& detail = {});
};
