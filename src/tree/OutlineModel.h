// SPDX-License-Identifier: GPL-3.0-or-later
// The project outline as an item model: one row per element that has attributes, labelled
// with its first attribute's value, below the item of its parent element. An element
// without attributes gets no row, and its children stand at the top level (as they always
// have in this program; files it writes never contain one). The model follows the
// session: every outline command it applies arrives as rows removed and inserted, a new
// document empties the model, and fill() builds the rows of the document held.
//
// Needs no widget: tests drive it through a session alone.
#pragma once

#include "DomDocument.h"
#include "ProjectSession.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

class OutlineModel : public QAbstractItemModel, private penwick::SessionObserver {
    Q_OBJECT
public:
    explicit OutlineModel(penwick::ProjectSession& session, QObject* parent = nullptr);
    ~OutlineModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Rows can be dragged and dropped on (the tree view places the drop itself).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;

    // The element index stands for; null for an invalid index or one of another model.
    static penwick::DomNode NodeOf(const QModelIndex& index);
    // The index of node's row; invalid when node has none.
    QModelIndex indexOf(penwick::DomNode node) const;
    // The label of index's row (its element's first attribute value).
    static QString TitleOf(const QModelIndex& index);

    // Builds the rows of every element below the document element, in document order, in
    // one reset. Rows already there stay; a model is filled once per document. Answers how
    // many nodes were neither elements nor character data (comments, processing
    // instructions): nodes without an attribute map to read a label from.
    int fill();
    // Removes every row.
    void clear();
    // Removes index's row and the rows below it; the document keeps the element.
    void removeItem(const QModelIndex& index);

signals:
    // Around the rows one outline command changes: before the first row goes, after the
    // last one came.
    void commandAboutToApply();
    void commandApplied();

private:
    struct Entry;

    // SessionObserver
    void outlineAboutToChange(const penwick::OutlineEvent& event) override;
    void outlineChanged(const penwick::OutlineEvent& event) override;
    void documentReplaced() override;

    Entry* entryOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Entry* entry) const;
    // The entry a new row for node goes under: its parent element's, or the root.
    Entry* parentEntryFor(penwick::DomNode node) const;
    // Creates the entries of node's subtree. Each entry whose parent existed before is
    // returned in roots (in document order) and not yet linked to its parent.
    // Answers the number of nodes that are neither elements nor character data.
    int build(penwick::DomNode node, std::vector<Entry*>* roots);
    // Links entry into parent where document order puts it, announcing the new row.
    void insertEntry(Entry* parent, Entry* entry);
    // Unlinks entry's row (announced) and destroys its subtree.
    void removeEntry(Entry* entry);
    void destroy(Entry* entry);
    // The rows node's subtree holds that belong to an entry outside it.
    std::vector<Entry*> rootsWithin(penwick::DomNode node) const;
    // A move of one row, announced before the document changes and done after.
    bool beginMove(const penwick::OutlineEvent& event);
    void finishMove(const penwick::OutlineEvent& event);
    struct Move {
        Entry* entry;
        Entry* to;
        int row;          // destination row, counted before the move
        bool announced;   // false when the row stays where it is
    };
    std::optional<Move> m_move;

    penwick::ProjectSession& m_session;
    Entry* m_root;
    QHash<const void*, Entry*> m_entries;   // element -> its entry
};
