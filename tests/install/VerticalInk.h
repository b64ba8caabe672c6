// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a screenshot of the main window and tells whether its editor pane shows vertical
// writing: from the right edge leftwards, tall columns of ink separated by blank gaps.
// Horizontal text or an empty pane gives no such columns.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>

struct InkColumn {
    int left = 0;    // x range in the picture, inclusive
    int right = 0;
    int top = 0;     // extent of the dark pixels in y
    int bottom = 0;
};

// The ink columns in area, rightmost first. A column is a run of x positions with dark
// pixels (gaps of a couple of pixels inside a glyph bridged); runs thinner than a glyph
// stroke pair (frame lines, a caret) are left out.
QList<InkColumn> inkColumnsRightToLeft(const QImage& picture, const QRect& area);

// Whether a screenshot of the main window (or of the editor alone) shows vertical writing
// in its editor pane, the right 45% below the menus: at least three ink columns, the first
// in the right quarter, each glyph-wide (at most 80 pixels) and at least twice as tall as
// wide (a short paragraph still has a few glyphs). Horizontal lines merge into one wide
// block and fail.
bool showsVerticalWriting(const QImage& window, QList<InkColumn>* columns = nullptr);
