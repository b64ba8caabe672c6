// SPDX-License-Identifier: GPL-3.0-or-later
#include "PositionLine.h"

#include "ProjectSession.h"


using namespace penwick;

namespace {

// The figures as penwick-cli stats and the progress write them.
QString Sheets(std::int64_t lines, int horizontal)
{
    return QString::fromStdString(FormatSheets(lines, horizontal)) + QStringLiteral("枚");
}

QString Chars(std::int64_t chars)
{
    return QString::fromStdString(FormatGrouped(chars)) + QStringLiteral("字");
}

}  // namespace

PositionLine::PositionLine(const ProjectSession& session, const CountSettings& grid, QWidget* parent)
    : QLabel(parent), m_session(session), m_map(grid), m_alone(grid)
{
    setObjectName(QStringLiteral("positionLine"));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A new text every keystroke must not lay out the window again: the line takes the
    // width it is given.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setTextFormat(Qt::PlainText);
}

QString PositionLine::Describe(const PositionFigures& f)
{
    QString text;
    if (f.where != PositionFigures::Where::Document)
        text = QStringLiteral("%1%2枚目 %3行 %4字　")
                   .arg(f.where == PositionFigures::Where::NodeAlone ? QStringLiteral("（書き出し対象外）") : QString())
                   .arg(f.at.sheet)
                   .arg(f.at.line)
                   .arg(f.at.cell);
    text += (f.where == PositionFigures::Where::Document ? QStringLiteral("この文書 ") : QStringLiteral("この節 "))
            + Sheets(f.here.lines, f.horizontal) + QLatin1Char(' ') + Chars(f.here.chars);
    if (f.where != PositionFigures::Where::Document)
        text += QStringLiteral(" · 全体 ") + Sheets(f.total.lines, f.horizontal) + QLatin1Char(' ') + Chars(f.total.chars);
    if (f.selection)
        text += QStringLiteral(" · 選択 ") + Chars(*f.selection);
    if (!f.progress.empty() && f.where != PositionFigures::Where::Document)
        text += QStringLiteral("　") + QString::fromStdString(f.progress);
    return text;
}

void PositionLine::projectChanged()
{
    m_stale = true;
}

int PositionLine::bringUpToDate(DomNode node, const QString& text)
{
    if (m_stale) {
        m_map.build(m_session.document());
        m_stale = false;
    }
    const int index = node ? m_map.nodeIndex(node) : -1;
    if (index >= 0)
        m_map.setNodeText(index, text.toStdString());
    return index;
}

const ManuscriptMap& PositionLine::map(DomNode node, const QString& text)
{
    bringUpToDate(node, text);
    return m_map;
}

void PositionLine::showPlace(DomNode node, const QString& text, int start, int end)
{
    int index = bringUpToDate(node, text);
    PositionFigures f;
    f.horizontal = m_map.settings().horizontal;
    f.total = m_map.total();
    // Byte offsets of the caret (the selection's moving end is not known here: its start).
    const std::size_t caret = std::size_t(text.left(start).toUtf8().size());
    const ManuscriptMap* map = &m_map;
    if (index < 0) {
        // Not in the manuscript: the text laid out alone.
        const std::string own = text.toStdString();
        m_alone.build(own, {TextSpan{node, 0, own.size()}});
        map = &m_alone;
        index = 0;
        f.where = node ? PositionFigures::Where::NodeAlone : PositionFigures::Where::Document;
    }
    f.progress = DescribeProgress(m_targets, f.total.lines, f.total.chars, f.horizontal, Today());
    f.at = map->positionOf(index, caret);
    f.here = map->nodeLength(index);
    if (end > start)
        f.selection = CountOneText(text.mid(start, end - start).toStdString(), m_map.settings()).nChars;
    setText(Describe(f));
}
