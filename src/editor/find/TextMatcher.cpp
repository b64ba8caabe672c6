// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextMatcher.h"

#include "FindFlags.h"

#include <QTextDocument>

TextMatcher::TextMatcher(QString text, const QString& what, unsigned flags)
    : m_text(std::move(text)), m_foldCase(!(flags & FR_MATCHCASE)), m_wholeWord(flags & FR_WHOLEWORD)
{
    if (m_foldCase) {
        m_folded = foldCase(m_text);
        m_what = foldCase(what);
    } else {
        m_what = what;
    }
}

QString TextMatcher::documentText(const QTextDocument& document)
{
    // toRawText keeps positions and non-breaking spaces; only the separators need a readable form.
    QString text = document.toRawText();
    for (QChar& c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:  // frame start and end markers: never part of a search text
        case 0xfdd1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

QString TextMatcher::foldCase(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            const char32_t ucs4 = QChar::surrogateToUcs4(c, text[i + 1]);
            const char32_t f = QChar::toCaseFolded(ucs4);
            const bool keepsLength = QChar::requiresSurrogates(f);
            out[i] = keepsLength ? QChar(QChar::highSurrogate(f)) : c;
            out[i + 1] = keepsLength ? QChar(QChar::lowSurrogate(f)) : text[i + 1];
            ++i;
        } else {
            out[i] = QChar(QChar::toCaseFolded(c.unicode()));
        }
    }
    return folded;
}

qsizetype TextMatcher::find(qsizetype from, qsizetype to) const
{
    if (m_what.isEmpty())
        return -1;
    const QString& haystack = m_foldCase ? m_folded : m_text;
    to = std::min(to, haystack.size());
    for (qsizetype pos = std::max<qsizetype>(from, 0); pos + m_what.size() <= to; ++pos) {
        pos = haystack.indexOf(m_what, pos, Qt::CaseSensitive);
        if (pos < 0 || pos + m_what.size() > to)
            return -1;
        if (!m_wholeWord || isWordAt(pos))
            return pos;
    }
    return -1;
}

bool TextMatcher::isWordAt(qsizetype start) const
{
    if (!m_words)
        m_words.emplace(QTextBoundaryFinder::Word, m_text);
    m_words->setPosition(start);
    if (!m_words->isAtBoundary())
        return false;
    m_words->setPosition(start + m_what.size());
    return m_words->isAtBoundary();
}
