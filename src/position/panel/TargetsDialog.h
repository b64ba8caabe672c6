// SPDX-License-Identifier: GPL-3.0-or-later
// 目標の設定: the project's target and deadline, and the selected node's target. Each field
// takes what penwick-cli target takes (150枚, 60000字, 2027-03-31); empty removes it.
#pragma once

#include "WritingGoals.h"

#include <QDialog>

class QLabel;
class QLineEdit;

class TargetsDialog : public QDialog {
    Q_OBJECT
public:
    // nodePath empty: no node selected (its field is disabled).
    TargetsDialog(const penwick::ProjectTargets& targets, const std::string& nodePath, QWidget* parent = nullptr);

    // The targets as the fields say; false with a message naming the first field that is
    // not understood.
    bool read(penwick::ProjectTargets* targets, QString* problem) const;

    QLineEdit* projectField() const { return m_project; }
    QLineEdit* deadlineField() const { return m_deadline; }
    QLineEdit* nodeField() const { return m_node; }

private:
    std::string m_nodePath;
    QLineEdit* m_project;
    QLineEdit* m_deadline;
    QLineEdit* m_node;
};
