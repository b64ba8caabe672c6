// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FindTarget.h"

class QPlainTextEdit;

// FindTarget over a QPlainTextEdit: the horizontal stand-in used by tests and benchmarks, and
// a model for the vertical editor's adapter.
class PlainTextFindTarget : public FindTarget {
public:
    explicit PlainTextFindTarget(QPlainTextEdit* edit) : m_edit(edit) {}

    QTextDocument* document() const override;
    void selection(int* start, int* end) const override;
    void setSelection(int start, int end) override;
    void ensureCaretVisible() override;
    void focusEditor() override;

private:
    QPlainTextEdit* m_edit;
};
