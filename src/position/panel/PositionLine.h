// SPDX-License-Identifier: GPL-3.0-or-later
// The line at the foot of the window that says where the caret stands on the manuscript:
// "12枚目 3行 5字　この節 4.2枚 1,611字 · 全体 127.4枚 50,902字", and the selection's
// length when there is one. It keeps the manuscript map: laid out again when the project
// or its outline changes, brought up to date paragraph by paragraph from the editor's
// text as the writer types. In a node that does not go into the export it gives the
// node's own figures (where the caret stands in that text alone).
#pragma once

#include "ManuscriptMap.h"
#include "WritingGoals.h"

#include <QLabel>

#include <optional>

namespace penwick {
class ProjectSession;
}

// What the line shows; Describe turns it into the text.
struct PositionFigures {
    enum class Where { Manuscript, NodeAlone, Document } where = Where::Manuscript;
    penwick::SheetPosition at;
    penwick::ManuscriptLength here, total;   // the node (or document) and the manuscript
    int horizontal = 20;                     // lines per sheet
    std::optional<std::int64_t> selection;   // characters selected
    std::string progress;                    // against the project's target, if it has one
};

class PositionLine : public QLabel {
    Q_OBJECT
public:
    PositionLine(const penwick::ProjectSession& session, const penwick::CountSettings& grid, QWidget* parent = nullptr);

    static QString Describe(const PositionFigures& f);

    // The project's text changed other than by typing (opened, outline commands): lay it
    // out again on the next show.
    void projectChanged();
    // The project's target, for the progress at the line's end.
    void setTargets(const penwick::ProjectTargets& targets) { m_targets = targets; }
    // The editor holds `node`'s text (a null node: a text document) with the selection
    // [start, end) in characters. Brings the map up to date and the line with it.
    void showPlace(penwick::DomNode node, const QString& text, int start, int end);

    // The map with `node`'s text as the editor has it (laid out again when needed).
    const penwick::ManuscriptMap& map(penwick::DomNode node, const QString& text);

private:
    // The map up to date with the editor's text; the node's index in it, or -1.
    int bringUpToDate(penwick::DomNode node, const QString& text);

    const penwick::ProjectSession& m_session;
    penwick::ManuscriptMap m_map;
    penwick::ManuscriptMap m_alone;   // a text that is not in the manuscript, laid out alone
    penwick::ProjectTargets m_targets;
    bool m_stale = true;
};
