// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProofreadPanel.h"

#include "MatchDelegate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using penwick::ProofFinding;
namespace proof = penwick::proof;

namespace {

QString FromView(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

ProofreadPanel::ProofreadPanel(QWidget* parent)
    : QWidget(parent),
      m_note(new QLabel(this)),
      m_filter(new QComboBox(this)),
      m_results(new QListWidget(this)),
      m_message(new QLabel(this)),
      m_fix(new QPushButton(QStringLiteral("直す(&X)"), this)),
      m_keep(new QPushButton(QStringLiteral("この表記を残す(&K)"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_note);
    layout->addWidget(m_filter);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_message);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_fix);
    buttons->addWidget(m_keep);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_note->setWordWrap(true);
    m_note->hide();
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_filter->addItem(QStringLiteral("すべての規則"), -1);
    for (std::size_t i = 0; i < proof::kRuleCount; ++i)
        m_filter->addItem(FromView(proof::RuleTitle(proof::Rule(i))), int(i));
    m_results->setItemDelegate(new MatchDelegate(m_results));
    m_results->setUniformItemSizes(true);
    m_fix->setEnabled(false);
    m_keep->setEnabled(false);
    connect(m_filter, &QComboBox::currentIndexChanged, this, &ProofreadPanel::fill);
    connect(m_results, &QListWidget::currentRowChanged, this, &ProofreadPanel::rowChanged);
    connect(m_results, &QListWidget::itemActivated, this, [this] {
        if (const ProofFinding* f = current())
            emit findingChosen(f->node, f->start16, f->length16);
    });
    connect(m_fix, &QPushButton::clicked, this, [this] {
        if (const ProofFinding* f = current(); f && f->fix)
            emit fixRequested(f->node, f->start16, f->length16, QString::fromStdString(*f->fix));
    });
    connect(m_keep, &QPushButton::clicked, this, [this] {
        if (const ProofFinding* f = current(); f && !f->form.empty())
            emit formKept(QString::fromStdString(f->form));
    });
}

void ProofreadPanel::setFindings(std::vector<ProofFinding> findings)
{
    m_all = std::move(findings);
    fill();
}

void ProofreadPanel::setNote(const QString& note)
{
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void ProofreadPanel::fill()
{
    const int row = m_results->currentRow();
    const int rule = m_filter->currentData().toInt();
    m_shown.clear();
    for (const ProofFinding& f : m_all)
        if (rule < 0 || int(f.rule) == rule)
            m_shown.push_back(f);
    m_results->setUpdatesEnabled(false);
    m_results->clear();
    for (const ProofFinding& f : m_shown) {
        m_results->addItem(MatchDelegate::makeItem(QStringLiteral("%1 (%2) [%3]  ")
                                                       .arg(QString::fromStdString(f.path))
                                                       .arg(f.line)
                                                       .arg(FromView(proof::RuleTitle(f.rule))),
                                                   f.lineText, f.lineStart, f.lineLength,
                                                   QString::fromStdString(f.message)));
    }
    m_results->setUpdatesEnabled(true);
    if (!m_shown.empty())
        m_results->setCurrentRow(std::clamp(row, 0, int(m_shown.size()) - 1));
    rowChanged(m_results->currentRow());
}

const ProofFinding* ProofreadPanel::current() const
{
    const int row = m_results->currentRow();
    return row >= 0 && std::size_t(row) < m_shown.size() ? &m_shown[std::size_t(row)] : nullptr;
}

void ProofreadPanel::rowChanged(int)
{
    const ProofFinding* f = current();
    m_message->setText(f ? QString::fromStdString(f->message)
                         : m_all.empty() ? QStringLiteral("指摘はありません。") : QString());
    m_fix->setEnabled(f && f->fix);
    m_keep->setEnabled(f && !f->form.empty());
    m_fix->setToolTip(f && f->fix ? QStringLiteral("「%1」にする").arg(QString::fromStdString(*f->fix)) : QString());
}
