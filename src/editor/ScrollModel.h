// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view's progression axis (across the columns in vertical writing, down the lines in
// horizontal): how far the laid-out lines reach, which of them a scroll value shows, the
// value that shows a given line, and the laying out of what is on screen first and of the
// rest a slice at a time without moving what the writer looks at. No widget: the editor
// hands in its scroll value and the viewport's extent along the axis.

#include <utility>

namespace penwick {

class VerticalLayout;

class ScrollModel {
public:
    explicit ScrollModel(VerticalLayout& layout) : m_layout(layout) {}

    // Before the first line and after the last: one em.
    int margin() const;
    // Before the first cell of each line: three quarters of an em.
    int inlineStart() const;
    // Room kept at each line's end for closing marks that hang past it.
    int inlineEnd() const;
    // The whole text along the axis, margins included.
    int contentExtent() const;
    // The scroll value nearest value that shows all of line in extent.
    int valueShowing(int line, int value, int extent) const;
    // Lays out every paragraph with a line inside [value, value + extent); laying them out
    // may change the estimated line counts above, so it looks again until they hold.
    void layoutVisible(int value, int extent) const;
    // Lays out a slice of the paragraphs not yet laid out. Answers the scroll value that
    // keeps the first visible paragraph where it was, and whether any are left.
    std::pair<int, bool> layoutSlice(int value) const;

private:
    VerticalLayout& m_layout;
};

} // namespace penwick
