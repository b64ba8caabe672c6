// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutlineProgressDelegate.h"

#include <QPainter>

void OutlineProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const std::optional<double> fraction = m_progress ? m_progress(index) : std::nullopt;
    if (!fraction)
        return;
    // Three pixels at the foot of the row, under the title: the whole in grey, the part
    // written in the highlight colour (green once reached).
    const QRect bar(option.rect.left() + 2, option.rect.bottom() - 2, std::max(8, option.rect.width() - 4), 3);
    painter->save();
    painter->fillRect(bar, QColor(0xd8, 0xd8, 0xd8));
    QRect done = bar;
    done.setWidth(int(bar.width() * std::clamp(*fraction, 0.0, 1.0)));
    painter->fillRect(done, *fraction >= 1.0 ? QColor(0x3a, 0x9a, 0x4a) : option.palette.color(QPalette::Highlight));
    painter->restore();
}
