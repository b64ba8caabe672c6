// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

using namespace penwick;

TargetsDialog::TargetsDialog(const ProjectTargets& targets, const std::string& nodePath, QWidget* parent)
    : QDialog(parent), m_nodePath(nodePath)
{
    setWindowTitle(QStringLiteral("目標の設定"));
    m_project = new QLineEdit(targets.project ? QString::fromStdString(FormatTarget(*targets.project)) : QString(), this);
    m_project->setPlaceholderText(QStringLiteral("150枚 または 60000字"));
    m_deadline = new QLineEdit(targets.deadline ? QString::fromStdString(FormatDay(*targets.deadline)) : QString(), this);
    m_deadline->setPlaceholderText(QStringLiteral("2027-03-31"));
    const Target* own = nodePath.empty() ? nullptr : FindNodeTarget(targets, nodePath);
    m_node = new QLineEdit(own ? QString::fromStdString(FormatTarget(*own)) : QString(), this);
    m_node->setEnabled(!nodePath.empty());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("プロジェクトの目標"), m_project);
    form->addRow(QStringLiteral("締切"), m_deadline);
    form->addRow(nodePath.empty() ? QStringLiteral("ノードの目標")
                                  : QStringLiteral("「%1」の目標").arg(QString::fromStdString(nodePath)),
                 m_node);
    form->addRow(buttons);
}

bool TargetsDialog::read(ProjectTargets* targets, QString* problem) const
{
    ProjectTargets out = *targets;
    const auto target = [&](QLineEdit* field, std::optional<Target>* into) {
        const std::string text = field->text().trimmed().toStdString();
        *into = text.empty() ? std::nullopt : ParseTarget(text);
        return text.empty() || *into;
    };
    if (!target(m_project, &out.project)) {
        *problem = QStringLiteral("プロジェクトの目標は 150枚 や 60000字 のように書いてください。");
        return false;
    }
    const std::string deadline = m_deadline->text().trimmed().toStdString();
    out.deadline = deadline.empty() ? std::nullopt : ParseDay(deadline);
    if (!deadline.empty() && !out.deadline) {
        *problem = QStringLiteral("締切は 2027-03-31 のように書いてください。");
        return false;
    }
    if (!m_nodePath.empty()) {
        std::optional<Target> node;
        if (!target(m_node, &node)) {
            *problem = QStringLiteral("ノードの目標は 20枚 や 8000字 のように書いてください。");
            return false;
        }
        SetNodeTarget(out, m_nodePath, node);
    }
    *targets = out;
    return true;
}
