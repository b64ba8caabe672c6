// SPDX-License-Identifier: GPL-3.0-or-later
// How the editor looks beyond its text: zoom (keys, wheel, steps), the gap between
// columns, 縦中横 and the ruby notation.
#include "VerticalTextEdit.h"

#include "VerticalLayout.h"

#include <QKeyEvent>

#include <algorithm>

void VerticalTextEdit::setTateChuYoko(int digits)
{
    m_layout->setTateChuYoko(digits);
    updateScrollBars();
    ensureCaretVisible();
    scheduleIdle();
    viewport()->update();
}

int VerticalTextEdit::tateChuYoko() const
{
    return m_layout->shaper().tateChuYoko();
}

void VerticalTextEdit::setColumnGap(qreal ems)
{
    m_layout->setLineGap(ems);
    updateScrollBars();
    ensureCaretVisible();
    viewport()->update();
}

void VerticalTextEdit::setRubyShown(bool shown)
{
    m_rubyShown = shown;
    viewport()->update();
}

const QList<int>& VerticalTextEdit::zoomSteps()
{
    static const QList<int> steps{50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    return steps;
}

void VerticalTextEdit::setZoom(int percent)
{
    percent = std::clamp(percent, zoomSteps().first(), zoomSteps().last());
    if (percent == m_zoom)
        return;
    QFont f = m_baseFont;
    if (m_baseFont.pointSizeF() > 0)
        f.setPointSizeF(m_baseFont.pointSizeF() * percent / 100);
    else
        f.setPixelSize(std::max(1, int(std::lround(m_baseFont.pixelSize() * percent / 100.0))));
    m_zooming = true;
    setFont(f);
    m_zooming = false;
    m_zoom = percent;
    ensureCaretVisible();
    emit zoomChanged(percent);
}

// The zoom a key asks for: Ctrl with + (or =, for keyboards where + needs Shift), - and 0.
std::optional<int> VerticalTextEdit::zoomForKey(const QKeyEvent& e) const
{
    if (!(e.modifiers() & Qt::ControlModifier) || (e.modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
        return std::nullopt;
    switch (e.key()) {
    case Qt::Key_Plus: case Qt::Key_Equal: return nextZoomStep(1);
    case Qt::Key_Minus: return nextZoomStep(-1);
    case Qt::Key_0: return 100;
    default: return std::nullopt;
    }
}

// The next zoom step in a direction (+1 in, -1 out) from the current zoom.
int VerticalTextEdit::nextZoomStep(int direction) const
{
    const auto& steps = zoomSteps();
    if (direction > 0) {
        const auto it = std::upper_bound(steps.begin(), steps.end(), m_zoom);
        return it == steps.end() ? steps.last() : *it;
    }
    const auto it = std::lower_bound(steps.begin(), steps.end(), m_zoom);
    return it == steps.begin() ? steps.first() : *(it - 1);
}
