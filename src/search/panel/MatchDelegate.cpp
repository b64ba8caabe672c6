// SPDX-License-Identifier: GPL-3.0-or-later
#include "MatchDelegate.h"

#include <QApplication>
#include <QListWidgetItem>
#include <QPainter>

namespace {

// Roles of a row: where its span stands in the row's text.
constexpr int kMatchStart = Qt::UserRole + 100;
constexpr int kMatchLength = Qt::UserRole + 101;
constexpr int kDetail = Qt::UserRole + 102;

// The part of a line a row shows: up to this many characters before the span.
constexpr int kLeadIn = 20;

}  // namespace

void MatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QString text = o.text;
    o.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &o, painter);
    const int start = index.data(kMatchStart).toInt(), length = index.data(kMatchLength).toInt();
    const QString detail = index.data(kDetail).toString();
    const QFontMetrics fm(o.font);
    QRect r = o.rect.adjusted(4, 0, -4, 0);
    if (!detail.isEmpty())
        r.setHeight(r.height() / 2);
    const QString before = text.left(start), match = text.mid(start, length), after = text.mid(start + length);
    const bool selected = o.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(o.font);
    painter->setPen(o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    int x = r.left();
    const int baseline = r.top() + (r.height() + fm.ascent() - fm.descent()) / 2;
    painter->drawText(x, baseline, before);
    x += fm.horizontalAdvance(before);
    // A span of no characters (a place) still shows as a thin bar.
    const int w = std::max(fm.horizontalAdvance(match), length == 0 ? 2 : 0);
    painter->fillRect(QRect(x, r.top() + 2, w, r.height() - 4), selected ? o.palette.base() : o.palette.highlight());
    painter->setPen(o.palette.color(selected ? QPalette::Text : QPalette::HighlightedText));
    painter->drawText(x, baseline, match);
    painter->setPen(o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(x + w, baseline, fm.elidedText(after, Qt::ElideRight, std::max(0, r.right() - x - w)));
    if (!detail.isEmpty()) {
        painter->setPen(o.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(r.left() + fm.horizontalAdvance(QLatin1Char(' ')) * 2, baseline + r.height(),
                          fm.elidedText(detail, Qt::ElideRight, r.width()));
    }
    painter->restore();
}

QSize MatchDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize one = QStyledItemDelegate::sizeHint(option, index);
    return index.data(kDetail).toString().isEmpty() ? one : QSize(one.width(), one.height() * 2);
}

QListWidgetItem* MatchDelegate::makeItem(const QString& prefix, const std::string& line, std::size_t start,
                                         std::size_t length, const QString& detail)
{
    const QString text = QString::fromStdString(line);
    const int at = int(QString::fromStdString(line.substr(0, start)).size());
    const int span = int(QString::fromStdString(line.substr(start, length)).size());
    const int from = std::max(0, at - kLeadIn);
    auto* item = new QListWidgetItem(prefix + (from > 0 ? QStringLiteral("…") : QString()) + text.mid(from));
    item->setData(kMatchStart, int(prefix.size()) + (from > 0 ? 1 : 0) + at - from);
    item->setData(kMatchLength, span);
    item->setData(kDetail, detail);
    item->setToolTip(detail.isEmpty() ? text : detail);
    return item;
}
