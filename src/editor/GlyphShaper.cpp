// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlyphShaper.h"

#include "StandaloneDigits.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <hb-ot.h>
#include <hb.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <algorithm>

namespace penwick {

namespace {

// Qt picks the right face inside a .ttc collection; QRawFont(fileName) cannot. So
// HarfBuzz reads its tables through Qt and both work on the same face.
hb_blob_t* referenceTable(hb_face_t*, hb_tag_t tag, void* user)
{
    if (tag == 0)
        return nullptr;
    const char name[5] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag), 0};
    auto* data = new QByteArray(static_cast<const QRawFont*>(user)->fontTable(name));
    if (data->isEmpty()) {
        delete data;
        return nullptr;
    }
    return hb_blob_create(data->constData(), unsigned(data->size()), HB_MEMORY_MODE_READONLY, data,
                          [](void* p) { delete static_cast<QByteArray*>(p); });
}

bool isUpright(char32_t c)
{
    const int vo = u_getIntPropertyValue(UChar32(c), UCHAR_VERTICAL_ORIENTATION);
    return vo == U_VO_UPRIGHT || vo == U_VO_TRANSFORMED_UPRIGHT;
}

char32_t codePointAt(QStringView s, int i)
{
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i + 1]);
    return c.unicode();
}

} // namespace

struct GlyphShaper::Face {
    QRawFont raw;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    ~Face()
    {
        hb_font_destroy(font);
        hb_face_destroy(face);
    }
};

namespace {

// The marks that hang at a line's end (those of CSS hanging-punctuation: allow-end).
bool hangs(char32_t c)
{
    switch (c) {
    case u'、': case u'。': case u'，': case u'．': case u',': case u'.': case u'｡': case u'､':
    case 0xFE50: case 0xFE51: case 0xFE52:
        return true;
    default:
        return false;
    }
}

// The length of the 縦中横 run starting at paragraph[at], 0 for none: 2 to maxDigits
// half-width digits standing on their own, !? !! ??, or one of ‼ ⁉ ⁈.
int tateChuYokoLength(QStringView paragraph, int at, int maxDigits)
{
    const QChar c = paragraph[at];
    const auto before = [&](auto test) { return at > 0 && test(paragraph[at - 1]); };
    const auto after = [&](int end, auto test) { return end < paragraph.size() && test(paragraph[end]); };
    if (maxDigits <= 0)
        return 0;
    if (c == u'\u203C' || c == u'\u2049' || c == u'\u2048')
        return 1;
    if (IsAsciiDigit(c.unicode()))
        return int(StandaloneDigitRun(std::u16string_view(paragraph.utf16(), size_t(paragraph.size())), size_t(at),
                                      size_t(maxDigits)));
    const auto isMark = [](QChar m) { return m == u'!' || m == u'?'; };
    if (isMark(c) && !before(isMark) && after(at + 1, isMark) && !after(at + 2, isMark)
        && !(c == u'?' && paragraph[at + 1] == u'!'))
        return 2;
    return 0;
}

// Line breaking looks this far around a piece for its context.
constexpr int kBreakContext = 16;

// Sets the line iterator on paragraph[from - context, to + context) (never inside a
// surrogate pair) and returns the start of that window.
int setBreakWindow(UBreakIterator* it, QStringView paragraph, int from, int to)
{
    int begin = std::max(0, from - kBreakContext);
    if (begin > 0 && paragraph[begin].isLowSurrogate())
        --begin;
    int end = std::min(int(paragraph.size()), to + kBreakContext);
    if (end < paragraph.size() && paragraph[end].isLowSurrogate())
        ++end;
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(it, reinterpret_cast<const UChar*>(paragraph.utf16()) + begin, end - begin, &status);
    return begin;
}

} // namespace

bool GlyphShaper::breaksBefore(QStringView paragraph, int pos)
{
    if (pos <= 0 || pos >= paragraph.size())
        return false;
    if (!m_lineBreaks)
        return true;
    const int begin = setBreakWindow(m_lineBreaks, paragraph, pos, pos);
    return ubrk_isBoundary(m_lineBreaks, pos - begin);
}

GlyphShaper::GlyphShaper(const QFont& font) : m_font(font)
{
    QRawFont raw = QRawFont::fromFont(font, QFontDatabase::Japanese);
    if (!raw.isValid())
        raw = QRawFont::fromFont(font);
    m_em = raw.pixelSize();
    addFace(raw);
    hb_font_t* hb = m_faces[0]->font;
    hb_position_t top = 0, bottom = 0;
    const hb_tag_t hani = HB_TAG('h', 'a', 'n', 'i'), jan = HB_TAG('J', 'A', 'N', ' ');
    hb_ot_layout_get_baseline_with_fallback(hb, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_TOP_OR_RIGHT,
                                            HB_DIRECTION_LTR, hani, jan, &top);
    hb_ot_layout_get_baseline_with_fallback(hb, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_BOTTOM_OR_LEFT,
                                            HB_DIRECTION_LTR, hani, jan, &bottom);
    m_emTop = top / 64.0;
    m_emBottom = bottom / 64.0;
    if (m_emTop - m_emBottom < m_em * 0.5) { // no usable BASE data: assume the usual 0.88 / -0.12
        m_emTop = m_em * 0.88;
        m_emBottom = m_em * -0.12;
    }
    m_buffer = hb_buffer_create();
    // Japanese line breaking: ICU's "ja" rules let small kana and ー start a line.
    UErrorCode status = U_ZERO_ERROR;
    m_lineBreaks = ubrk_open(UBRK_LINE, "ja", nullptr, 0, &status);
}

GlyphShaper::~GlyphShaper()
{
    ubrk_close(m_lineBreaks);
    hb_buffer_destroy(m_buffer);
}

const QRawFont& GlyphShaper::rawFont(int index) const
{
    return m_faces[size_t(index)]->raw;
}

int GlyphShaper::addFace(const QRawFont& raw)
{
    auto f = std::make_unique<Face>();
    f->raw = raw;
    f->face = hb_face_create_for_tables(referenceTable, new QRawFont(raw),
                                        [](void* p) { delete static_cast<QRawFont*>(p); });
    hb_face_set_upem(f->face, unsigned(raw.unitsPerEm()));
    f->font = hb_font_create(f->face);
    const int scale = int(raw.pixelSize() * 64);
    hb_font_set_scale(f->font, scale, scale);
    m_faces.push_back(std::move(f));
    return int(m_faces.size()) - 1;
}

// The first font that has the character: the main face, else whatever Qt's own
// fallback (fontconfig) picks for it. Marks and selectors follow their base.
int GlyphShaper::fontFor(char32_t c)
{
    hb_codepoint_t g = 0;
    if (hb_font_get_nominal_glyph(m_faces[0]->font, c, &g) || c < 0x20)
        return 0;
    const auto cat = QChar::category(c);
    if (cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Separator_Space
        || cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph)
        return 0;
    auto it = m_fallback.constFind(c);
    if (it != m_fallback.constEnd())
        return *it;
    int index = 0;
    const QString s = QString::fromUcs4(&c, 1);
    QTextLayout layout(s, m_font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const auto runs = layout.glyphRuns();
    if (!runs.isEmpty() && runs.first().rawFont().supportsCharacter(c)) {
        const QRawFont raw = runs.first().rawFont();
        index = -1;
        for (size_t i = 0; i < m_faces.size(); ++i) {
            const QRawFont& r = m_faces[i]->raw;
            if (r.familyName() == raw.familyName() && r.styleName() == raw.styleName()
                && r.pixelSize() == raw.pixelSize())
                index = int(i);
        }
        if (index < 0 && m_faces.size() < 250)
            index = addFace(raw);
        if (index < 0)
            index = 0;
    }
    m_fallback.insert(c, index);
    return index;
}

void GlyphShaper::shape(QStringView paragraph, int start, int length, bool vertical, Segment* out)
{
    out->start = start;
    out->length = length;
    out->cells.clear();
    out->glyphs.clear();
    if (length <= 0)
        return;
    const QString text = paragraph.mid(start, length).toString();

    // Cells: grapheme clusters with their font, orientation and line-break classes.
    struct Attr {
        int font;
        bool rotated;
        int tateChuYoko; // the 縦中横 run the cell belongs to (0: none), shaped apart
    };
    int tcyRun = 0, tcyLeft = 0;
    std::vector<Attr> attrs;
    std::vector<int> invisible; // controls and format characters: no ink, no room
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int pos = 0;
    while (pos < length) {
        int next = int(graphemes.toNextBoundary());
        if (next <= pos)
            next = length;
        const char32_t base = codePointAt(text, pos);
        Cell cell;
        cell.pos = pos;
        cell.flags = hangs(base) ? Hang : 0;
        if (base == '\t' || QChar::category(base) == QChar::Separator_Space)
            cell.flags |= Space;
        const auto category = QChar::category(base);
        if ((category == QChar::Other_Control && base != '\t') || category == QChar::Other_Format
            || category == QChar::Separator_Line)
            invisible.push_back(int(out->cells.size()));
        if (base == 0x0B || base == 0x0C || base == 0x85 || base == 0x2028)
            cell.flags |= ForcedBreak;
        if (vertical && tcyLeft == 0) {
            const int run = tateChuYokoLength(paragraph, start + pos, m_tateChuYoko);
            if (run > 0 && pos + run <= length) {
                tcyLeft = run;
                ++tcyRun;
            }
        }
        const bool rotated = vertical && tcyLeft == 0 && !isUpright(base);
        if (rotated)
            cell.flags |= RotatedCell;
        out->cells.push_back(cell);
        attrs.push_back({fontFor(base), rotated, tcyLeft > 0 ? tcyRun : 0});
        tcyLeft = std::max(0, tcyLeft - (next - pos));
        pos = next;
    }
    // Break opportunities, with the text around the piece as their context.
    if (m_lineBreaks) {
        const int begin = setBreakWindow(m_lineBreaks, paragraph, start, start + length);
        int boundary = ubrk_following(m_lineBreaks, start - begin - 1);
        for (Cell& c : out->cells) {
            const int at = start + c.pos - begin;
            while (boundary != UBRK_DONE && boundary < at)
                boundary = ubrk_next(m_lineBreaks);
            if (boundary == at && start + c.pos > 0)
                c.flags |= BreakBefore;
        }
    } else {
        for (Cell& c : out->cells)
            if (start + c.pos > 0)
                c.flags |= BreakBefore;
    }

    // Runs of cells sharing font and orientation, each shaped with its context.
    const qreal emCentre = (m_emTop + m_emBottom) / 2;
    static const hb_language_t ja = hb_language_from_string("ja", -1);
    const auto& cells = out->cells;
    const int n = int(cells.size());
    for (int ca = 0; ca < n;) {
        int cb = ca + 1;
        while (cb < n && attrs[size_t(cb)].font == attrs[size_t(ca)].font
               && attrs[size_t(cb)].rotated == attrs[size_t(ca)].rotated
               && attrs[size_t(cb)].tateChuYoko == attrs[size_t(ca)].tateChuYoko)
            ++cb;
        if (attrs[size_t(ca)].tateChuYoko) {
            shapeTateChuYoko(paragraph, start, ca, cb, attrs[size_t(ca)].font, out);
            ca = cb;
            continue;
        }
        const int runStart = cells[size_t(ca)].pos;
        const int runEnd = cb < n ? cells[size_t(cb)].pos : length;
        const bool rotated = attrs[size_t(ca)].rotated;
        const int fontIndex = attrs[size_t(ca)].font;
        const bool ttb = vertical && !rotated;

        hb_buffer_clear_contents(m_buffer);
        hb_buffer_add_utf16(m_buffer, reinterpret_cast<const uint16_t*>(paragraph.utf16()),
                            int(paragraph.size()), unsigned(start + runStart),
                            runEnd - runStart);
        hb_buffer_set_direction(m_buffer, ttb ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
        hb_buffer_set_language(m_buffer, ja);
        hb_buffer_guess_segment_properties(m_buffer);
        hb_shape(m_faces[size_t(fontIndex)]->font, m_buffer, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(m_buffer, &count);
        const hb_glyph_position_t* gpos = hb_buffer_get_glyph_positions(m_buffer, &count);

        int ci = ca;
        float pen = 0, cellStart = 0;
        auto* cell = &out->cells[size_t(ci)];
        cell->firstGlyph = int(out->glyphs.size());
        for (unsigned g = 0; g < count; ++g) {
            const int cluster = int(info[g].cluster) - start;
            while (ci + 1 < cb && cells[size_t(ci + 1)].pos <= cluster) {
                cell->advance = pen - cellStart;
                cellStart = pen;
                cell = &out->cells[size_t(++ci)];
                cell->firstGlyph = int(out->glyphs.size());
            }
            const float xo = gpos[g].x_offset / 64.f, yo = gpos[g].y_offset / 64.f;
            ShapedGlyph sg;
            sg.id = info[g].codepoint;
            sg.font = quint8(fontIndex);
            sg.rotated = rotated;
            if (ttb) {
                sg.du = pen - cellStart - yo;
                sg.dv = xo;
                pen += -gpos[g].y_advance / 64.f;
            } else {
                sg.du = pen - cellStart + xo;
                sg.dv = vertical ? float(-emCentre) + yo : -yo;
                pen += gpos[g].x_advance / 64.f;
            }
            if (sg.id == 0) {
                if (!(cell->flags & Space) && pen - cellStart > 0)
                    cell->flags |= Missing;
                continue; // glyph 0 is never drawn
            }
            out->glyphs.push_back(sg);
            ++cell->glyphCount;
        }
        cell->advance = pen - cellStart;
        for (++ci; ci < cb; ++ci)
            out->cells[size_t(ci)].firstGlyph = int(out->glyphs.size());
        ca = cb;
    }
    for (int i : invisible) {
        out->cells[size_t(i)].advance = 0;
        out->cells[size_t(i)].glyphCount = 0;
        out->cells[size_t(i)].flags &= quint8(~Missing);
    }
    for (Cell& c : out->cells) {
        if (text[c.pos] == u'\t') { // a tab takes one cell, as on manuscript paper
            c.advance = float(m_em);
            c.glyphCount = 0;
        }
    }
}

// A 縦中横 run: shaped horizontally (in half, third or quarter widths where the font has
// them) and set upright across the column in one em cell, squeezed if still too wide.
// Its characters share the cell, each a slice of it, so the caret steps through them.
void GlyphShaper::shapeTateChuYoko(QStringView paragraph, int start, int ca, int cb, int fontIndex, Segment* out)
{
    auto& cells = out->cells;
    const int runStart = cells[size_t(ca)].pos;
    const int runEnd = cb < int(cells.size()) ? cells[size_t(cb)].pos : out->length;
    const int count = cb - ca;
    static const hb_tag_t widths[] = {0, 0, HB_TAG('h', 'w', 'i', 'd'), HB_TAG('t', 'w', 'i', 'd'),
                                      HB_TAG('q', 'w', 'i', 'd')};
    const hb_feature_t feature{count <= 4 ? widths[count] : 0, 1, 0, unsigned(-1)};
    hb_buffer_clear_contents(m_buffer);
    hb_buffer_add_utf16(m_buffer, reinterpret_cast<const uint16_t*>(paragraph.utf16()), int(paragraph.size()),
                        unsigned(start + runStart), runEnd - runStart);
    hb_buffer_set_direction(m_buffer, HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(m_buffer);
    hb_shape(m_faces[size_t(fontIndex)]->font, m_buffer, feature.tag ? &feature : nullptr, feature.tag ? 1 : 0);
    unsigned glyphCount = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(m_buffer, &glyphCount);
    const hb_glyph_position_t* gpos = hb_buffer_get_glyph_positions(m_buffer, &glyphCount);
    float width = 0;
    for (unsigned g = 0; g < glyphCount; ++g)
        width += gpos[g].x_advance / 64.f;
    const float em = float(m_em), slice = em / float(count);
    const quint8 percent = width > em ? quint8(std::max(1.f, std::floor(100 * em / width))) : 100;
    float pen = -width / 2;
    int ci = ca;
    for (int k = ca; k < cb; ++k) {
        cells[size_t(k)].advance = slice;
        cells[size_t(k)].firstGlyph = int(out->glyphs.size());
        cells[size_t(k)].glyphCount = 0;
    }
    for (unsigned g = 0; g < glyphCount; ++g) {
        const int cluster = int(info[g].cluster) - start;
        while (ci + 1 < cb && cells[size_t(ci + 1)].pos <= cluster)
            ++ci;
        ShapedGlyph sg;
        sg.id = info[g].codepoint;
        sg.font = quint8(fontIndex);
        sg.width = percent;
        // The em box's top at the cell's top: the baseline emTop below it.
        sg.du = float(m_emTop) - float(ci - ca) * slice - gpos[g].y_offset / 64.f;
        sg.dv = pen + gpos[g].x_offset / 64.f;
        pen += gpos[g].x_advance / 64.f;
        if (sg.id == 0)
            continue;
        // Glyphs stay in cluster order, so each cell's run of them is contiguous.
        if (cells[size_t(ci)].glyphCount == 0)
            cells[size_t(ci)].firstGlyph = int(out->glyphs.size());
        out->glyphs.push_back(sg);
        ++cells[size_t(ci)].glyphCount;
    }
}

void GlyphShaper::setTateChuYoko(int digits)
{
    m_tateChuYoko = std::clamp(digits, 0, 4);
}

} // namespace penwick
