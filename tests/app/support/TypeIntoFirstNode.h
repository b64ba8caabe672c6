// SPDX-License-Identifier: GPL-3.0-or-later
// Selects the first node and types text into the editor as key presses, the normal
// editing path (the safety tests, in this process and in typing_penwick).
#pragma once

#include "CMainFrame.h"
#include "CVellEditView.h"
#include "OutlineItems.h"
#include "VellTreeView.h"

#include <QCoreApplication>
#include <QKeyEvent>

inline void TypeIntoFirstNode(CMainFrame* frame, const QString& text)
{
    VellTreeView* tree = frame->GetTreeView();
    if (TopItemCount(tree) > 0)
        tree->setCurrentIndex(TopItem(tree, 0));
    QWidget* control = frame->GetEditView()->control();
    control->setFocus(Qt::OtherFocusReason);
    for (const char32_t c : text.toUcs4()) {
        const bool newline = c == U'\n';
        QKeyEvent press(QEvent::KeyPress, newline ? Qt::Key_Return : 0, Qt::NoModifier,
                        newline ? QStringLiteral("\r") : QString::fromUcs4(&c, 1));
        QCoreApplication::sendEvent(control, &press);
    }
}
