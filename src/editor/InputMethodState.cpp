// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputMethodState.h"

#include <QInputMethodEvent>
#include <QTextCharFormat>

#include <algorithm>

namespace penwick {

void InputMethodState::read(const QInputMethodEvent& event)
{
    m_preedit = event.preeditString();
    m_cursor = int(m_preedit.size());
    m_cursorVisible = true;
    m_focus.clear();
    for (const auto& a : event.attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            m_cursor = std::clamp(a.start, 0, int(m_preedit.size()));
            m_cursorVisible = a.length > 0;
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat f = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (f.hasProperty(QTextFormat::BackgroundBrush))
                m_focus.append({a.start, a.length});
        }
    }
}

} // namespace penwick
