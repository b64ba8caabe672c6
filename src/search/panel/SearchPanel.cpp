// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchPanel.h"

#include "MatchDelegate.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

SearchPanel::SearchPanel(penwick::ProjectSession& session, penwick::TextOverride edited, QWidget* parent)
    : QWidget(parent),
      m_session(session),
      m_edited(std::move(edited)),
      m_field(new QLineEdit(this)),
      m_wholeWord(new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this)),
      m_matchCase(new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this)),
      m_results(new QListWidget(this)),
      m_typing(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_field);
    layout->addWidget(m_wholeWord);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_results, 1);
    m_field->setClearButtonEnabled(true);
    m_results->setItemDelegate(new MatchDelegate(m_results));
    m_results->setUniformItemSizes(true);
    // Typing searches after a pause; Enter in the field goes to the first result.
    m_typing->setSingleShot(true);
    m_typing->setInterval(150);
    connect(m_typing, &QTimer::timeout, this, &SearchPanel::refresh);
    connect(m_field, &QLineEdit::textEdited, m_typing, qOverload<>(&QTimer::start));
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        refresh();
        if (m_results->count() > 0) {
            m_results->setCurrentRow(0);
            m_results->setFocus();
        }
    });
    connect(m_wholeWord, &QCheckBox::toggled, this, &SearchPanel::refresh);
    connect(m_matchCase, &QCheckBox::toggled, this, &SearchPanel::refresh);
    connect(m_results, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { choose(m_results->row(item)); });
}

void SearchPanel::setOptions(penwick::SearchOptions options)
{
    m_wholeWord->setChecked(options.wholeWord);
    m_matchCase->setChecked(options.matchCase);
}

void SearchPanel::refresh()
{
    m_typing->stop();
    const int row = m_results->currentRow();
    m_results->clear();
    m_hits = penwick::SearchProject(m_session.document(), m_field->text().toStdString(),
                                    {m_wholeWord->isChecked(), m_matchCase->isChecked()}, m_edited);
    for (const penwick::SearchHit& hit : m_hits)
        m_results->addItem(MatchDelegate::makeItem(
            QStringLiteral("%1 (%2)  ").arg(QString::fromStdString(hit.path)).arg(hit.line), hit.lineText,
            hit.lineStart, hit.lineLength));
    if (row >= 0 && row < m_results->count())
        m_results->setCurrentRow(row);
}

void SearchPanel::choose(int row)
{
    if (row < 0 || std::size_t(row) >= m_hits.size())
        return;
    const penwick::SearchHit hit = m_hits[std::size_t(row)];
    emit resultChosen(hit.node, hit.start, hit.length);
}
