// SPDX-License-Identifier: GPL-3.0-or-later
#include "VerticalFont.h"

#include "PdfWriter.h"

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

namespace penwick::pdf {

namespace {

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

template <class T, void (*Destroy)(T*)>
struct HbPtr {
    T* p = nullptr;
    HbPtr() = default;
    explicit HbPtr(T* ptr) : p(ptr) {}
    HbPtr(const HbPtr&) = delete;
    HbPtr& operator=(const HbPtr&) = delete;
    ~HbPtr() { if (p) Destroy(p); }
};
using Blob = HbPtr<hb_blob_t, hb_blob_destroy>;
using Face = HbPtr<hb_face_t, hb_face_destroy>;
using Font = HbPtr<hb_font_t, hb_font_destroy>;
using Buffer = HbPtr<hb_buffer_t, hb_buffer_destroy>;
using SubsetInput = HbPtr<hb_subset_input_t, hb_subset_input_destroy>;

// fontconfig's best match for the pattern, and whether it covers Japanese.
bool FindFont(const std::string& family, std::string* file, int* index)
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return false;
    bool found = false;
    if (FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()))) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* path = nullptr;
            FcLangSet* langs = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch
                && FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch
                && FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual) {
                *file = reinterpret_cast<const char*>(path);
                if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
                    *index = 0;
                found = true;
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

// A PostScript name fit for /BaseFont: printable ASCII without delimiters.
std::string PostScriptName(hb_face_t* face)
{
    char buf[128];
    unsigned size = sizeof buf;
    std::string name;
    if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, buf) > 0)
        for (const char* p = buf; *p; ++p)
            if (*p > ' ' && *p < 0x7F && !std::strchr("()<>[]{}/%#", *p))
                name += *p;
    return name.empty() ? "Font" : name;
}


} // namespace

struct VerticalFont::Impl {
    std::string file;
    Blob blob;
    Face face;
    Font font;
    Buffer buffer{hb_buffer_create()};
    double upem = 1000;
    bool cff = false;
    std::unordered_map<std::string, std::vector<PlacedGlyph>, StringHash, std::equal_to<>> cells;
    std::map<std::uint16_t, std::string> used;   // glyph -> the text it first stood for

    std::string toUnicode() const;
    std::string metrics() const;
    std::string descriptor(const std::string& baseFont, int fontFile) const;
};

VerticalFont::VerticalFont(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
VerticalFont::~VerticalFont() = default;

std::unique_ptr<VerticalFont> VerticalFont::Open(const std::string& family, std::string* error)
{
    auto impl = std::make_unique<Impl>();
    int index = 0;
    if (!FindFont(family, &impl->file, &index)) {
        *error = "日本語のフォント「" + family + "」が見つかりません。";
        return nullptr;
    }
    impl->blob.p = hb_blob_create_from_file_or_fail(impl->file.c_str());
    if (impl->blob.p)
        impl->face.p = hb_face_create(impl->blob.p, static_cast<unsigned>(index));
    hb_codepoint_t probe = 0;
    if (impl->face.p) {
        impl->font.p = hb_font_create(impl->face.p);
        impl->upem = hb_face_get_upem(impl->face.p);
    }
    if (!impl->font.p || !hb_font_get_nominal_glyph(impl->font.p, U'あ', &probe)) {
        *error = "フォントファイル「" + impl->file + "」を読めません。";
        return nullptr;
    }
    hb_blob_t* cff = hb_face_reference_table(impl->face.p, HB_TAG('C', 'F', 'F', ' '));
    impl->cff = hb_blob_get_length(cff) > 0;
    hb_blob_destroy(cff);
    hb_font_set_scale(impl->font.p, hb_face_get_upem(impl->face.p), hb_face_get_upem(impl->face.p));
    return std::unique_ptr<VerticalFont>(new VerticalFont(std::move(impl)));
}

const std::vector<PlacedGlyph>& VerticalFont::shape(std::string_view cell)
{
    if (const auto it = m->cells.find(cell); it != m->cells.end())
        return it->second;
    hb_buffer_t* buf = m->buffer.p;
    hb_buffer_clear_contents(buf);
    hb_buffer_add_utf8(buf, cell.data(), static_cast<int>(cell.size()), 0, static_cast<int>(cell.size()));
    hb_buffer_set_direction(buf, HB_DIRECTION_TTB);
    hb_buffer_set_language(buf, hb_language_from_string("ja", 2));
    hb_buffer_guess_segment_properties(buf);
    hb_shape(m->font.p, buf, nullptr, 0);
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    std::vector<PlacedGlyph> glyphs;
    double penX = 0, penY = 0;
    for (unsigned i = 0; i < n; ++i) {
        const auto code = static_cast<std::uint16_t>(info[i].codepoint);
        // HarfBuzz places each glyph's horizontal origin; the PDF wants its vertical origin,
        // from which a viewer steps back by the origin in /W2: half an em across (every
        // glyph is an em wide to the PDF, so that extraction sees one column, whatever a
        // Latin letter's width) and the font's own origin down.
        hb_position_t vx = 0, vy = 0;
        hb_font_get_glyph_v_origin(m->font.p, code, &vx, &vy);
        glyphs.push_back({code, (penX + pos[i].x_offset + vx) / m->upem, -(penY + pos[i].y_offset + vy) / m->upem});
        penX += pos[i].x_advance;
        penY += pos[i].y_advance;
        // The cell's text goes with its first glyph; the marks drawn with it stand for nothing
        // of their own.
        m->used.emplace(code, i == 0 ? std::string(cell) : std::string());
    }
    return m->cells.emplace(std::string(cell), std::move(glyphs)).first->second;
}

std::string VerticalFont::Impl::toUnicode() const
{
    std::vector<std::pair<std::uint16_t, std::string>> entries;
    for (const auto& [code, text] : used)
        if (!text.empty())
            entries.emplace_back(code, Utf16Hex(text));
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (std::size_t i = 0; i < entries.size(); i += 100) {   // at most 100 to a block
        const std::size_t end = std::min(entries.size(), i + 100);
        cmap += std::to_string(end - i) + " beginbfchar\n";
        for (std::size_t k = i; k < end; ++k) {
            cmap += '<';
            AppendHex4(cmap, entries[k].first);
            cmap += "> <";
            cmap += entries[k].second;
            cmap += ">\n";
        }
        cmap += "endbfchar\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// /W2: each glyph's vertical advance and origin, in thousandths of an em. Every glyph
// keeps the default width of an em, its origin half of it (see shape).
std::string VerticalFont::Impl::metrics() const
{
    const double unit = 1000.0 / upem;
    std::string w2 = "/DW 1000 /DW2 [880 -1000] /W2 [";
    for (const auto& entry : used) {
        const hb_codepoint_t g = entry.first;
        hb_position_t vx = 0, vy = 0;
        hb_font_get_glyph_v_origin(font.p, g, &vx, &vy);
        w2 += std::to_string(g) + " [" + Num(hb_font_get_glyph_v_advance(font.p, g) * unit) + " " + Num(vx * unit)
              + " " + Num(vy * unit) + "] ";
    }
    return w2 + "]";
}

std::string VerticalFont::Impl::descriptor(const std::string& baseFont, int fontFile) const
{
    const double unit = 1000.0 / upem;
    hb_font_extents_t extents{};
    hb_font_get_h_extents(font.p, &extents);
    // The bounding box from the head table: xMin, yMin, xMax, yMax at byte 36.
    int box[4] = {0, -120, 1000, 880};
    hb_blob_t* head = hb_face_reference_table(face.p, HB_TAG('h', 'e', 'a', 'd'));
    unsigned len = 0;
    const auto* b = reinterpret_cast<const unsigned char*>(hb_blob_get_data(head, &len));
    if (len >= 44)
        for (int k = 0; k < 4; ++k)
            box[k] = static_cast<std::int16_t>((b[36 + 2 * k] << 8) | b[37 + 2 * k]);
    hb_blob_destroy(head);
    return "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags 4 /FontBBox [" + Num(box[0] * unit)
           + " " + Num(box[1] * unit) + " " + Num(box[2] * unit) + " " + Num(box[3] * unit)
           + "] /ItalicAngle 0 /Ascent " + Num(extents.ascender * unit) + " /Descent "
           + Num(extents.descender * unit) + " /CapHeight " + Num(extents.ascender * unit)
           + " /StemV 80 " + (cff ? "/FontFile3 " : "/FontFile2 ") + std::to_string(fontFile) + " 0 R >>";
}

bool VerticalFont::write(PdfWriter& pdf, int id, std::string* error) const
{
    SubsetInput input{hb_subset_input_create_or_fail()};
    if (!input.p) {
        *error = "フォントの一部を埋め込めませんでした。";
        return false;
    }
    hb_set_t* glyphs = hb_subset_input_glyph_set(input.p);
    hb_set_add(glyphs, 0);
    std::uint32_t hash = 2166136261u;   // names the subset after its glyphs
    for (const auto& entry : m->used) {
        hb_set_add(glyphs, entry.first);
        hash = (hash ^ entry.first) * 16777619u;
    }
    // The subset keeps every glyph's number, so a code is the same glyph in any viewer:
    // renumbered, a CID-keyed CFF maps the old CIDs through its charset, which some viewers
    // (poppler among them) ignore. The price is an empty slot per unused glyph.
    hb_subset_input_set_flags(input.p, HB_SUBSET_FLAGS_RETAIN_GIDS);
    // The glyphs are already shaped: the layout tables would only weigh the file down.
    hb_set_t* drop = hb_subset_input_set(input.p, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                               HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H')})
        hb_set_add(drop, tag);
    Face subset{hb_subset_or_fail(m->face.p, input.p)};
    if (!subset.p) {
        *error = "フォントの一部を埋め込めませんでした。";
        return false;
    }
    Blob program{hb_face_reference_blob(subset.p)};
    unsigned size = 0;
    const char* data = hb_blob_get_data(program.p, &size);

    std::string baseFont;
    for (int k = 0; k < 6; ++k, hash /= 26)
        baseFont += static_cast<char>('A' + hash % 26);
    baseFont += '+';
    baseFont += PostScriptName(m->face.p);   // appended: GCC 12 warns falsely on "+" + string

    const int cidFont = pdf.reserve(), descriptor = pdf.reserve(), fontFile = pdf.reserve(),
              toUnicode = pdf.reserve();
    std::string cidDict = "<< /Type /Font /Subtype /" + std::string(m->cff ? "CIDFontType0" : "CIDFontType2")
                          + " /BaseFont /" + baseFont
                          + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                          + " /FontDescriptor " + std::to_string(descriptor) + " 0 R " + m->metrics();
    if (!m->cff)
        cidDict += " /CIDToGIDMap /Identity";
    pdf.add(id, "<< /Type /Font /Subtype /Type0 /BaseFont /" + baseFont + " /Encoding /Identity-V"
                    + " /DescendantFonts [" + std::to_string(cidFont) + " 0 R] /ToUnicode "
                    + std::to_string(toUnicode) + " 0 R >>");
    pdf.add(cidFont, cidDict + " >>");
    pdf.add(descriptor, m->descriptor(baseFont, fontFile));
    pdf.addStream(fontFile, m->cff ? "/Subtype /OpenType" : "", std::string_view(data, size));
    pdf.addStream(toUnicode, "", m->toUnicode());
    return true;
}

} // namespace penwick::pdf
