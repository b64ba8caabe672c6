// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScrollModel.h"

#include "VerticalLayout.h"

#include <algorithm>
#include <cmath>

namespace penwick {

int ScrollModel::margin() const { return int(std::lround(m_layout.em())); }

int ScrollModel::inlineStart() const { return int(std::lround(m_layout.em() * 0.75)); }

int ScrollModel::inlineEnd() const { return int(std::lround(m_layout.em() * 1.25)); }

int ScrollModel::contentExtent() const { return 2 * margin() + int(m_layout.totalLines() * m_layout.pitch()); }

int ScrollModel::valueShowing(int line, int value, int extent) const
{
    const int start = margin() + int(line * m_layout.pitch());
    const int end = start + int(m_layout.pitch());
    if (end > value + extent)
        value = end - extent + margin();
    if (start < value)
        value = start - margin();
    return std::max(0, value);
}

void ScrollModel::layoutVisible(int value, int extent) const
{
    const qreal pitch = m_layout.pitch();
    for (int round = 0; round < 4; ++round) {
        const int total = m_layout.totalLines();
        const int first = std::max(0, int((value - margin()) / pitch));
        const int last = std::min(total - 1, int((value + extent - margin()) / pitch));
        for (int b = m_layout.blockAtLine(first); b < m_layout.blockCount() && m_layout.firstLineOf(b) <= last; ++b)
            m_layout.paragraphThroughLine(b, last - m_layout.firstLineOf(b));
        if (m_layout.totalLines() == total)
            return;
    }
}

std::pair<int, bool> ScrollModel::layoutSlice(int value) const
{
    const int firstVisible = std::max(0, int((value - margin()) / m_layout.pitch()));
    const int anchor = m_layout.blockAtLine(firstVisible);
    const int before = m_layout.firstLineOf(anchor);
    const bool more = m_layout.layoutSome(6); // a paragraph may overrun: slices stay near 8 ms
    const int after = m_layout.firstLineOf(anchor);
    return {value + int((after - before) * m_layout.pitch()), more};
}

} // namespace penwick
