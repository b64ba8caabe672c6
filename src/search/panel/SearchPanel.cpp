// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Roles of a result row: where its occurrence stands in the row's text.
constexpr int kMatchStart = Qt::UserRole;
constexpr int kMatchLength = Qt::UserRole + 1;

// Draws a result row with its occurrence on the highlight colour.
class ResultDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &o, painter);
        const int start = index.data(kMatchStart).toInt(), length = index.data(kMatchLength).toInt();
        const QRect r = o.rect.adjusted(4, 0, -4, 0);
        const QFontMetrics fm(o.font);
        const QString before = text.left(start), match = text.mid(start, length), after = text.mid(start + length);
        const bool selected = o.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(o.font);
        painter->setPen(o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        int x = r.left();
        const int baseline = r.top() + (r.height() + fm.ascent() - fm.descent()) / 2;
        painter->drawText(x, baseline, before);
        x += fm.horizontalAdvance(before);
        const int w = fm.horizontalAdvance(match);
        painter->fillRect(QRect(x, r.top() + 2, w, r.height() - 4), selected ? o.palette.base() : o.palette.highlight());
        painter->setPen(o.palette.color(selected ? QPalette::Text : QPalette::HighlightedText));
        painter->drawText(x, baseline, match);
        painter->setPen(o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(x + w, baseline, fm.elidedText(after, Qt::ElideRight, std::max(0, r.right() - x - w)));
        painter->restore();
    }
};

// The part of a line a row shows: up to this many characters before the occurrence.
constexpr int kLeadIn = 20;

}  // namespace

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
    m_results->setItemDelegate(new ResultDelegate(m_results));
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
    for (const penwick::SearchHit& hit : m_hits) {
        const QString prefix = QStringLiteral("%1 (%2)  ").arg(QString::fromStdString(hit.path)).arg(hit.line);
        const QString line = QString::fromStdString(hit.lineText);
        const int at = int(QString::fromStdString(hit.lineText.substr(0, hit.lineStart)).size());
        const int length = int(QString::fromStdString(hit.lineText.substr(hit.lineStart, hit.lineLength)).size());
        const int from = std::max(0, at - kLeadIn);
        auto* item = new QListWidgetItem(prefix + (from > 0 ? QStringLiteral("…") : QString()) + line.mid(from));
        item->setData(kMatchStart, int(prefix.size()) + (from > 0 ? 1 : 0) + at - from);
        item->setData(kMatchLength, length);
        item->setToolTip(line);
        m_results->addItem(item);
    }
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
