// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project search panel: a field, the Find dialog's two options and the results, one
// row per occurrence in outline order (the node's path of titles, the line number and the
// line with the occurrence marked). It searches as the writer types and again whenever the
// outline changes; the node being edited is searched in its edited text. Choosing a result
// (Enter, double click) asks for that node and occurrence through resultChosen.

#include "ProjectSearch.h"
#include "ProjectSession.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QTimer;

class SearchPanel : public QWidget {
    Q_OBJECT
public:
    SearchPanel(penwick::ProjectSession& session, penwick::TextOverride edited, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QListWidget* results() const { return m_results; }
    void setOptions(penwick::SearchOptions options);
    // Searches again now (the outline or the text changed).
    void refresh();
    // The results of the last search, row by row.
    const std::vector<penwick::SearchHit>& hits() const { return m_hits; }

signals:
    // node: the element found; start, length: the occurrence in its text (UTF-16 units).
    void resultChosen(penwick::DomNode node, int start, int length);

private:
    void choose(int row);

    penwick::ProjectSession& m_session;
    penwick::TextOverride m_edited;
    QLineEdit* m_field;
    QCheckBox* m_wholeWord;
    QCheckBox* m_matchCase;
    QListWidget* m_results;
    QTimer* m_typing;
    std::vector<penwick::SearchHit> m_hits;
};
