// SPDX-License-Identifier: GPL-3.0-or-later
// The outline's undo history: every outline command the tree applies, kept with its
// inverse, so that each change to the outline can be taken back and done again. Node
// texts typed into the editor are not outline changes; the editor keeps their history.
// A project save leaves the history as it is; a new document in the session (a project
// opened or started) clears it: its steps name nodes of the document that went.
//
// Needs no widget: tests drive it through a session alone.
#pragma once

#include "OutlineCommand.h"
#include "ProjectSession.h"

#include <QUndoStack>

class OutlineHistory : public QUndoStack, private penwick::SessionObserver {
    Q_OBJECT
public:
    explicit OutlineHistory(penwick::ProjectSession& session, QObject* parent = nullptr);
    ~OutlineHistory() override;

    // Applies command to the session; once it succeeded it is the newest step (or part of
    // the open macro). Answers what the session answered.
    penwick::HRESULT apply(const penwick::OutlineCommand& command);
    // What the last undo or redo answered: a step that could not be applied again (out of
    // memory) leaves the outline where it was.
    penwick::HRESULT lastResult() const { return m_lastResult; }

private:
    class Step;
    void documentReplaced() override { clear(); }

    penwick::ProjectSession& m_session;
    penwick::HRESULT m_lastResult = penwick::S_OK;
};
