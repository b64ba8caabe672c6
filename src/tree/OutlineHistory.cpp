// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutlineHistory.h"

#include <QUndoCommand>

using namespace penwick;

// One applied command and its inverse. Either applied hands back the other, so they stay
// a pair however often the step is undone and redone.
class OutlineHistory::Step : public QUndoCommand {
public:
    Step(OutlineHistory& history, OutlineCommand done, OutlineCommand inverse)
        : m_history(history), m_forward(std::move(done)), m_backward(std::move(inverse))
    {
    }

    void undo() override { m_history.m_lastResult = m_history.m_session.apply(m_backward, &m_forward); }

    void redo() override
    {
        if (m_applied) {   // pushed after it was applied
            m_applied = false;
            return;
        }
        m_history.m_lastResult = m_history.m_session.apply(m_forward, &m_backward);
    }

private:
    OutlineHistory& m_history;
    OutlineCommand m_forward;
    OutlineCommand m_backward;
    bool m_applied = true;
};

OutlineHistory::OutlineHistory(ProjectSession& session, QObject* parent) : QUndoStack(parent), m_session(session)
{
    m_session.addObserver(this);
}

OutlineHistory::~OutlineHistory() { m_session.removeObserver(this); }

HRESULT OutlineHistory::apply(const OutlineCommand& command)
{
    OutlineCommand inverse;
    const HRESULT hr = m_session.apply(command, &inverse);
    if (SUCCEEDED(hr))
        push(new Step(*this, command, std::move(inverse)));
    return hr;
}
