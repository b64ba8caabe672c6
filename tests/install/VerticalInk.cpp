// SPDX-License-Identifier: GPL-3.0-or-later
#include "VerticalInk.h"

#include <QColor>

namespace {
constexpr int kDark = 110;       // grey level below which a pixel counts as ink
constexpr int kMinDarkInX = 3;   // dark pixels an x position needs to belong to a column
constexpr int kBridge = 2;       // blank x positions bridged inside one column
constexpr int kMinWidth = 5;     // narrower runs are lines of the frame, not text
}

QList<InkColumn> inkColumnsRightToLeft(const QImage& picture, const QRect& area)
{
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const QRect r = area.intersected(img.rect());
    QList<InkColumn> columns;
    InkColumn current;
    bool open = false;
    int blank = 0;
    auto close = [&] {
        if (open && current.right - current.left + 1 >= kMinWidth)
            columns.append(current);
        open = false;
    };
    for (int x = r.right(); x >= r.left(); --x) {
        int dark = 0, top = -1, bottom = -1;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            if (qGray(img.pixel(x, y)) < kDark) {
                ++dark;
                if (top < 0)
                    top = y;
                bottom = y;
            }
        }
        if (dark >= kMinDarkInX) {
            if (!open) {
                current = {x, x, top, bottom};
                open = true;
            }
            current.left = x;
            current.top = qMin(current.top, top);
            current.bottom = qMax(current.bottom, bottom);
            blank = 0;
        } else if (open && ++blank > kBridge) {
            close();
        }
    }
    close();
    return columns;
}

bool showsVerticalWriting(const QImage& window, QList<InkColumn>* found)
{
    const int w = window.width(), h = window.height();
    const QRect pane(w * 55 / 100, h * 12 / 100, w * 45 / 100, h * 80 / 100);
    const QList<InkColumn> columns = inkColumnsRightToLeft(window, pane);
    if (found)
        *found = columns;
    if (columns.size() < 3 || columns.first().right < w * 3 / 4)
        return false;
    for (int i = 0; i < 3; ++i) {
        const InkColumn& c = columns.at(i);
        const int width = c.right - c.left + 1;
        if (width > 80 || c.bottom - c.top + 1 < 2 * width)
            return false;
    }
    return true;
}
