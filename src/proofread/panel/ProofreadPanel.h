// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 校正 panel: the project's findings in outline order, one row each (the node's path of
// titles, the line, the rule and the line with the finding marked; the message below), a
// filter by rule, and
// the chosen row's message below with what can be done about it: a mechanical finding's
// fix, or keeping a spelling variant's form as intended. Choosing a row (Enter, double
// click) asks for its node and span through findingChosen; the panel never edits itself.

#include "ProofChecker.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

class ProofreadPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProofreadPanel(QWidget* parent = nullptr);

    // The project's findings; the row shown stays where it can.
    void setFindings(std::vector<penwick::ProofFinding> findings);
    // A line above the list (the analyser missing); empty hides it.
    void setNote(const QString& note);

    QListWidget* results() const { return m_results; }
    QComboBox* filter() const { return m_filter; }
    QPushButton* fixButton() const { return m_fix; }
    QPushButton* keepButton() const { return m_keep; }
    QLabel* message() const { return m_message; }
    // The findings the rows show, in order.
    const std::vector<penwick::ProofFinding>& shown() const { return m_shown; }

signals:
    // node: the element; start, length: the span in its text (UTF-16 units).
    void findingChosen(penwick::DomNode node, int start, int length);
    void fixRequested(penwick::DomNode node, int start, int length, const QString& replacement);
    void formKept(const QString& form);

private:
    void fill();
    void rowChanged(int row);
    const penwick::ProofFinding* current() const;

    QLabel* m_note;
    QComboBox* m_filter;
    QListWidget* m_results;
    QLabel* m_message;
    QPushButton* m_fix;
    QPushButton* m_keep;
    std::vector<penwick::ProofFinding> m_all;
    std::vector<penwick::ProofFinding> m_shown;
};
