// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shapes runs of a paragraph with HarfBuzz into cells (one per user-perceived
// character) carrying glyph ids and offsets. Vertical text is shaped top to bottom
// so the font's own vertical forms are used; characters whose Unicode vertical
// orientation is "rotated" are shaped left to right and drawn turned 90° clockwise.

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QStringView>

#include <memory>
#include <vector>

struct hb_buffer_t;
struct hb_font_t;
struct UBreakIterator;

namespace penwick {

// Coordinates "along" (u) and "across" (v) the line. Vertical: u points down, v right,
// v = 0 is the column's centre. Horizontal: u points right, v down, v = 0 the baseline.
struct ShapedGlyph {
    quint32 id = 0;
    float du = 0, dv = 0; // glyph origin relative to the cell's origin
    quint8 font = 0;
    bool rotated = false;
    quint8 width = 100; // percent of its own width: a 縦中横 run squeezed into its cell
};

enum CellFlag : quint8 {
    Hang = 1,         // 、。 and their kin: may hang past the line end
    BreakBefore = 4,  // a line break opportunity precedes this cell
    Space = 8,
    RotatedCell = 16,
    Missing = 32,     // no font has the character: drawn as an empty box
    ForcedBreak = 64  // a line separator inside the paragraph: the line ends after it
};

struct Cell {
    int pos = 0;          // UTF-16 offset within its segment
    float advance = 0;
    float u = 0;          // placement by the line breaker
    int line = 0;
    int firstGlyph = 0;   // index into the segment's glyphs
    quint16 glyphCount = 0;
    quint8 flags = 0;
};

// A piece of a paragraph shaped on its own so that an edit re-shapes only the
// pieces it touches.
struct Segment {
    int start = 0;
    int length = 0;
    size_t key = 0;
    std::vector<Cell> cells;
    std::vector<ShapedGlyph> glyphs;
};

class GlyphShaper {
public:
    explicit GlyphShaper(const QFont& font);
    ~GlyphShaper();
    GlyphShaper(const GlyphShaper&) = delete;
    GlyphShaper& operator=(const GlyphShaper&) = delete;

    qreal em() const { return m_em; }
    // Ideographic em box of the main font, in pixels above the horizontal baseline.
    qreal emBoxTop() const { return m_emTop; }
    qreal emBoxBottom() const { return m_emBottom; }
    const QRawFont& rawFont(int index) const;
    int fontCount() const { return int(m_faces.size()); }

    // Shapes paragraph[start, start + length) (start and end on cluster boundaries).
    void shape(QStringView paragraph, int start, int length, bool vertical, Segment* out);

    // Whether Unicode line breaking, as Japanese text is broken (small kana and ー may
    // start a line, 〜 ！ ？ 」 。 may not), allows a break before paragraph[pos].
    bool breaksBefore(QStringView paragraph, int pos);

    // 縦中横 in vertical text: runs of 2 to `digits` half-width digits, and !? !! ?? ‼ ⁉ ⁈,
    // are set upright side by side in one cell; 0 turns it off (at most 4).
    void setTateChuYoko(int digits);
    int tateChuYoko() const { return m_tateChuYoko; }

private:
    struct Face;
    int fontFor(char32_t c);
    int addFace(const QRawFont& raw);
    void shapeTateChuYoko(QStringView paragraph, int start, int firstCell, int endCell, int font, Segment* out);

    QFont m_font;
    qreal m_em = 0, m_emTop = 0, m_emBottom = 0;
    std::vector<std::unique_ptr<Face>> m_faces;
    QHash<char32_t, int> m_fallback;
    hb_buffer_t* m_buffer = nullptr;
    UBreakIterator* m_lineBreaks = nullptr;
    int m_tateChuYoko = 2;
};

} // namespace penwick
