// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManuscriptPdf.h"

#include "KinsokuSet.h"
#include "ManuscriptLayout.h"
#include "PdfWriter.h"
#include "ProjectFormat.h"
#include "TextExport.h"
#include "UtcTime.h"
#include "VerticalFont.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace penwick {

using pdf::Num;

SheetGeometry SheetFor(int vertical, int horizontal)
{
    constexpr double a4Short = 595.28, a4Long = 841.89, margin = 36;
    SheetGeometry g;
    g.cells = vertical;
    g.columns = horizontal;
    g.fold = vertical == 20 && horizontal == 20;
    // In cells: the columns with their gutters (and the fold column); the grid, the
    // hanging room and a little air above.
    const double across = horizontal + (horizontal - 1) * 0.25 + (g.fold ? 1.25 : 0.0);
    const double down = vertical + 1.5;
    auto fit = [&](double w, double h) { return std::min((w - 2 * margin) / across, (h - 2 * margin) / down); };
    // The orientation that gives the larger cells.
    const double landscape = fit(a4Long, a4Short), portrait = fit(a4Short, a4Long);
    g.pageWidth = landscape >= portrait ? a4Long : a4Short;
    g.pageHeight = landscape >= portrait ? a4Short : a4Long;
    g.cell = std::max(landscape, portrait);
    g.gutter = g.cell / 4;
    g.fontSize = g.cell * 0.8;
    g.right = (g.pageWidth + across * g.cell) / 2;
    g.top = (g.pageHeight + down * g.cell) / 2 - 0.25 * g.cell;
    return g;
}

namespace {

// The ruling, the same on every sheet: one form drawn by each page.
std::string RulingForm(const SheetGeometry& g, Ruling ruling)
{
    std::string s = ruling == Ruling::Red ? "0.82 0.22 0.2 RG 0.82 0.22 0.2 rg\n" : "0.55 0.55 0.55 RG 0.55 0.55 0.55 rg\n";
    s += "0.4 w\n";
    for (int k = 0; k < g.columns; ++k) {
        const double r = g.columnRight(k), l = r - g.cell;
        s += Num(l) + " " + Num(g.bottom()) + " " + Num(g.cell) + " " + Num(g.top - g.bottom()) + " re\n";
        for (int j = 1; j < g.cells; ++j) {
            const std::string y = Num(g.top - j * g.cell);
            s += Num(l) + " " + y + " m " + Num(r) + " " + y + " l\n";
        }
    }
    if (g.fold) {
        // The fold column: its edges, and the fish-tail mark (魚尾) near the top.
        const double r = g.columnRight(g.columns / 2 - 1) - g.cell - g.gutter, l = r - g.cell, mid = (l + r) / 2;
        for (const double x : {l, r})
            s += Num(x) + " " + Num(g.bottom()) + " m " + Num(x) + " " + Num(g.top) + " l\n";
        s += "S\n" + Num(l) + " " + Num(g.top - 0.6 * g.cell) + " m " + Num(r) + " " + Num(g.top - 0.6 * g.cell)
             + " l " + Num(r) + " " + Num(g.top - 1.1 * g.cell) + " l " + Num(mid) + " "
             + Num(g.top - 0.85 * g.cell) + " l " + Num(l) + " " + Num(g.top - 1.1 * g.cell) + " l h f\n";
    }
    s += "S\n1 w\n";
    // The frame keeps clear of a hanging mark, which sits in the top of the cell below the
    // grid.
    const double pad = g.gutter, below = 0.75 * g.cell;
    s += Num(g.left() - pad) + " " + Num(g.bottom() - below) + " " + Num(g.right - g.left() + 2 * pad) + " "
         + Num(g.top - g.bottom() + pad + below) + " re S\n";
    return s;
}

// Builds the pages as the layout hands over its lines.
class PageBuilder {
public:
    PageBuilder(pdf::PdfWriter& pdf, pdf::VerticalFont& font, const SheetGeometry& g, std::string_view text,
                int rulingForm, int fontId, int pagesId)
        : m_pdf(pdf), m_font(font), m_g(g), m_text(text), m_rulingForm(rulingForm), m_fontId(fontId),
          m_pagesId(pagesId)
    {
    }

    void line(const std::vector<counter::LaidCell>& cells)
    {
        const std::int64_t line = cells.front().line;
        while (line / m_g.columns > m_page)
            finishPage();
        const int column = static_cast<int>(line % m_g.columns);
        // Text extraction takes the column's text whole from the span around it (poppler's
        // layout analysis would otherwise split a column at a blank cell and reorder the
        // pieces). A hanging mark is drawn outside it, in a span with no text, so that the
        // column's box stays the grid's; the mark's text is in the column's.
        const std::size_t begin = cells.front().begin, end = cells.back().end;
        m_content += "/Span << /ActualText " + pdf::TextString(m_text.substr(begin, end - begin)) + " >> BDC\n";
        bool hanging = false;
        for (const counter::LaidCell& c : cells) {
            if (c.hanging && !hanging) {
                m_content += "EMC /Span << /ActualText <FEFF> >> BDC\n";
                hanging = true;
            }
            draw(c, column);
        }
        m_content += "EMC\n";
    }

    // Finishes every page up to the one that holds line `lines` - 1 (at least one page).
    std::vector<int> finish(std::int64_t lines)
    {
        const std::int64_t pages = std::max<std::int64_t>(1, (lines + m_g.columns - 1) / m_g.columns);
        while (m_page < pages)
            finishPage();
        return std::move(m_pageIds);
    }

private:
    void draw(const counter::LaidCell& c, int column)
    {
        const std::string_view s = m_text.substr(c.begin, c.end - c.begin);
        if (c.white && s != " " && s != "\u3000")
            return;   // a tab or other space has no glyph worth drawing
        // The em square sits in the middle of the cell.
        const double x = m_g.columnRight(column) - m_g.cell / 2;
        const double y = m_g.cellTop(static_cast<double>(c.cell)) - (m_g.cell - m_g.fontSize) / 2;
        for (const pdf::PlacedGlyph& glyph : m_font.shape(s))
            show(glyph.code, x + glyph.x * m_g.fontSize, y - glyph.y * m_g.fontSize);
    }

    void show(std::uint16_t code, double x, double y)
    {
        // Td moves from the last line start, whatever the glyph advanced. Positions are kept
        // in hundredths of a point, so that the steps add up exactly: rounded steps would
        // drift down a page.
        const long long px = std::llround(x * 100), py = std::llround(y * 100);
        m_content += Num(double(px - m_x) / 100) + " " + Num(double(py - m_y) / 100) + " Td<";
        pdf::AppendHex4(m_content, code);
        m_content += ">Tj\n";
        m_x = px;
        m_y = py;
    }

    void finishPage()
    {
        const int content = m_pdf.reserve(), page = m_pdf.reserve();
        m_pdf.addStream(content, "", "q /Ruling Do Q\nBT /F1 " + Num(m_g.fontSize) + " Tf 0 g\n" + m_content + "ET\n");
        m_pdf.add(page, "<< /Type /Page /Parent " + std::to_string(m_pagesId) + " 0 R /MediaBox [0 0 "
                            + Num(m_g.pageWidth) + " " + Num(m_g.pageHeight) + "] /Resources << /Font << /F1 "
                            + std::to_string(m_fontId) + " 0 R >> /XObject << /Ruling "
                            + std::to_string(m_rulingForm) + " 0 R >> >> /Contents " + std::to_string(content)
                            + " 0 R >>");
        m_pageIds.push_back(page);
        m_content.clear();
        m_x = m_y = 0;
        ++m_page;
    }

    pdf::PdfWriter& m_pdf;
    pdf::VerticalFont& m_font;
    const SheetGeometry& m_g;
    std::string_view m_text;
    int m_rulingForm, m_fontId, m_pagesId;
    std::int64_t m_page = 0;
    std::string m_content;
    long long m_x = 0, m_y = 0;
    std::vector<int> m_pageIds;
};

}  // namespace

Status RenderManuscriptPdf(std::string_view text, const ManuscriptOptions& options, std::string* bytes)
{
    if (options.vertical < 1 || options.vertical > 500 || options.horizontal < 1 || options.horizontal > 500)
        return {E_INVALIDARG, "原稿用紙の升目は 1 から 500 までで指定してください。"};
    std::string error;
    const std::unique_ptr<pdf::VerticalFont> font = pdf::VerticalFont::Open(options.fontFamily, &error);
    if (!font)
        return {E_FAIL, error};
    try {
        const SheetGeometry g = SheetFor(options.vertical, options.horizontal);
        pdf::PdfWriter pdf;
        const int catalog = pdf.reserve(), info = pdf.reserve(), pages = pdf.reserve(), fontId = pdf.reserve(),
                  ruling = pdf.reserve();
        pdf.addStream(ruling,
                      "/Type /XObject /Subtype /Form /BBox [0 0 " + Num(g.pageWidth) + " " + Num(g.pageHeight) + "]",
                      RulingForm(g, options.ruling));
        const counter::KinsokuSet kinsoku = options.mode != 0
                                                ? counter::KinsokuSet(options.kinsoku.data(), options.kinsoku.size())
                                                : counter::KinsokuSet();
        PageBuilder builder(pdf, *font, g, text, ruling, fontId, pages);
        const std::int64_t lines = counter::layOutManuscript(
            text.data(), text.size(), kinsoku, options.vertical,
            [&](const std::vector<counter::LaidCell>& cells) { builder.line(cells); });
        const std::vector<int> pageIds = builder.finish(lines);
        if (!font->write(pdf, fontId, &error))
            return {E_FAIL, error};
        std::string kids;
        for (const int id : pageIds)
            kids += std::to_string(id) + " 0 R ";
        pdf.add(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageIds.size()) + " >>");
        // Vertical Japanese is read, and its spreads bound, right to left.
        pdf.add(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages)
                             + " 0 R /Lang (ja) /ViewerPreferences << /Direction /R2L >> >>");
        const std::string date = FormatUtc(options.modified ? options.modified : std::time(nullptr), "(D:%Y%m%d%H%M%SZ)");
        pdf.add(info, "<< /Title " + pdf::TextString(options.title) + " /Creator (Penwick) /CreationDate " + date
                          + " /ModDate " + date + " >>");
        *bytes = pdf.finish(catalog, info);
    } catch (const std::bad_alloc&) {
        return {E_OUTOFMEMORY, "メモリが足りないため、PDF を作れませんでした。"};
    }
    return {};
}

Status AssembleManuscriptPdf(const DomDocument& doc, ManuscriptOptions options, const FailureReport& report,
                             std::string* bytes)
{
    std::string text;
    if (const Status s = AssembleTextExport(doc, ExportEncoding::Utf8, report, &text); !s)
        return s;
    if (options.title.empty() && (FAILED(format::ReadProjectTitle(doc, &options.title)) || options.title.empty()))
        options.title = "無題";
    return RenderManuscriptPdf(text, options, bytes);
}

}  // namespace penwick
