// SPDX-License-Identifier: GPL-3.0-or-later
#include "EpubExport.h"

#include "Fnv.h"
#include "UtcTime.h"

#include "ProjectFormat.h"
#include "RubyNotation.h"
#include "StandaloneDigits.h"

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace penwick {

namespace {

void AppendEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': break;
        default: out += c;
        }
    }
}

std::string Escaped(std::string_view text)
{
    std::string out;
    AppendEscaped(out, text);
    return out;
}

// Plain text with two-digit numbers standing alone set upright in one cell.
void AppendWithNumbers(std::string& out, std::string_view text)
{
    std::size_t at = 0, plain = 0;
    while (at < text.size()) {
        if (StandaloneDigitRun(text, at, 2) == 2) {
            AppendEscaped(out, text.substr(plain, at - plain));
            out += "<span class=\"tcy\">";
            out.append(text.substr(at, 2));
            out += "</span>";
            at = plain = at + 2;
            continue;
        }
        // Past a whole digit run at once: no run starts inside one.
        do
            ++at;
        while (at < text.size() && IsAsciiDigit(text[at - 1]) && IsAsciiDigit(text[at]));
    }
    AppendEscaped(out, text.substr(plain));
}

// One line of a node's text as XHTML: notation as ruby and emphasis.
std::string Inline(std::string_view line)
{
    std::string out;
    std::size_t at = 0;
    for (const notation::Mark& m : notation::Parse(line)) {
        AppendWithNumbers(out, line.substr(at, m.start - at));
        const std::string_view base = line.substr(m.baseStart, m.baseEnd - m.baseStart);
        switch (m.kind) {
        case notation::Kind::Ruby:
            out += "<ruby>";
            AppendEscaped(out, base);
            out += "<rt>";
            AppendEscaped(out, line.substr(m.rubyStart, m.rubyEnd - m.rubyStart));
            out += "</rt></ruby>";
            break;
        case notation::Kind::Emphasis:
            out += "<span class=\"em\">";
            AppendEscaped(out, base);
            out += "</span>";
            break;
        case notation::Kind::Escape:
            AppendEscaped(out, base);
            break;
        }
        at = m.end;
    }
    AppendWithNumbers(out, line.substr(at));
    return out;
}

void AppendParagraphs(std::string& out, std::string_view text)
{
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out += line.empty() ? "<p><br/></p>\n" : "<p>" + Inline(line) + "</p>\n";
        at = end + 1;
    }
}

bool IsExportedNode(DomNode node)
{
    std::string flag;
    return SUCCEEDED(format::ReadExportFlag(node, &flag)) && format::IsExported(flag);
}

// A chapter's body: its heading and text, then its nodes as sections, iteratively.
std::string ChapterBody(DomNode chapter)
{
    std::string out;
    struct Open {
        DomNode node;
        int level;
    };
    std::vector<Open> todo{{chapter, 1}};
    std::vector<int> sections;   // levels of the sections still open
    while (!todo.empty()) {
        const Open o = todo.back();
        todo.pop_back();
        while (!sections.empty() && sections.back() >= o.level) {
            out += "</section>\n";
            sections.pop_back();
        }
        const int h = std::min(o.level, 6);
        if (o.level > 1) {
            out += "<section>\n";
            sections.push_back(o.level);
        }
        out += "<h" + std::to_string(h) + ">" + Escaped(format::NodeTitle(o.node)) + "</h" + std::to_string(h) + ">\n";
        if (IsExportedNode(o.node)) {
            const std::string text = format::NodeOwnText(o.node);
            if (!text.empty())
                AppendParagraphs(out, text);
        }
        std::vector<DomNode> children;
        for (DomNode c = o.node.firstChild(); c; c = c.nextSibling())
            if (format::IsOutlineNode(c))
                children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            todo.push_back({*it, o.level + 1});
    }
    while (!sections.empty()) {
        out += "</section>\n";
        sections.pop_back();
    }
    return out;
}

std::string Xhtml(const std::string& title, const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
           "xml:lang=\"ja\" lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\"/>\n<title>" +
           Escaped(title) + "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n</head>\n<body>\n" +
           body + "</body>\n</html>\n";
}

constexpr const char* kStyle =
    "html { -epub-writing-mode: vertical-rl; writing-mode: vertical-rl; }\n"
    "body { font-family: serif; line-height: 1.75; }\n"
    "p { margin: 0; text-indent: 0; }\n"
    "h1, h2, h3, h4, h5, h6 { font-weight: bold; }\n"
    ".em { -epub-text-emphasis-style: filled sesame; text-emphasis-style: filled sesame; }\n"
    ".tcy { -epub-text-combine: horizontal; text-combine-upright: all; }\n";

// FNV-1a from this seed, for an identifier that stays the same for one project. The seed is
// not FNV's offset basis (a digit short), and stays so: identifiers of books already
// exported must not change.
constexpr std::uint64_t kEpubSeed = 1469598103934665603ull;

std::string Identifier(const std::string& title, const std::string& path)
{
    const std::uint64_t a = Fnv1a64(title + '\n' + path, kEpubSeed), b = Fnv1a64(path + '\n' + title, a);
    char buf[48];
    std::snprintf(buf, sizeof buf, "urn:uuid:%08x-%04x-5%03x-%04x-%012llx", unsigned(a >> 32), unsigned(a >> 16) & 0xFFFF,
                  unsigned(a) & 0xFFF, unsigned(0x8000 | ((b >> 48) & 0x3FFF)), (unsigned long long)(b & 0xFFFFFFFFFFFFull));
    return buf;
}

// The container: entries in order, mimetype first and stored.
bool Zip(const std::vector<std::pair<std::string, std::string>>& entries, std::string* bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer)
        return false;
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(buffer);
        return false;
    }
    zip_source_keep(buffer);
    bool ok = true;
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = s ? zip_file_add(archive, name.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(s);
            ok = false;
            break;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), name == "mimetype" ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (!ok || zip_close(archive) < 0) {   // a failed close leaves the archive open
        zip_discard(archive);
        zip_source_free(buffer);
        return false;
    }
    zip_stat_t st;
    ok = zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0;
    if (ok) {
        std::string out(std::size_t(st.size), '\0');
        ok = zip_source_read(buffer, out.data(), st.size) == zip_int64_t(st.size);
        zip_source_close(buffer);
        if (ok)
            *bytes = std::move(out);
    }
    zip_source_free(buffer);
    return ok;
}

}  // namespace

Status AssembleEpub(const DomDocument& doc, const EpubOptions& options, const FailureReport& report,
                    std::string* bytes)
{
    const DomNode root = doc.documentElement();
    if (!root) {
        report(E_POINTER, "AssembleEpub");
        return {E_FAIL, {}};
    }
    std::string title;
    if (FAILED(format::ReadProjectTitle(doc, &title)) || title.empty())
        title = "無題";
    std::vector<std::pair<std::string, std::string>> entries;
    entries.emplace_back("mimetype", "application/epub+zip");
    entries.emplace_back("META-INF/container.xml",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                         "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
                         "media-type=\"application/oebps-package+xml\"/></rootfiles>\n</container>\n");
    std::string manifest, spine, toc;
    int n = 0;
    for (DomNode chapter = root.firstChild(); chapter; chapter = chapter.nextSibling()) {
        if (!format::IsOutlineNode(chapter))
            continue;
        const std::string file = "chapter" + std::to_string(++n) + ".xhtml";
        const std::string heading = format::NodeTitle(chapter);
        entries.emplace_back("OEBPS/" + file, Xhtml(heading, ChapterBody(chapter)));
        manifest += "<item id=\"c" + std::to_string(n) + "\" href=\"" + file + "\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"c" + std::to_string(n) + "\"/>\n";
        toc += "<li><a href=\"" + file + "\">" + Escaped(heading) + "</a></li>\n";
    }
    if (n == 0) {   // a book needs a page: the title
        entries.emplace_back("OEBPS/chapter1.xhtml", Xhtml(title, "<h1>" + Escaped(title) + "</h1>\n"));
        manifest += "<item id=\"c1\" href=\"chapter1.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"c1\"/>\n";
        toc += "<li><a href=\"chapter1.xhtml\">" + Escaped(title) + "</a></li>\n";
    }
    entries.emplace_back("OEBPS/style.css", kStyle);
    entries.emplace_back("OEBPS/nav.xhtml",
                         Xhtml(title, "<nav epub:type=\"toc\" id=\"toc\">\n<h1>目次</h1>\n<ol>\n" + toc + "</ol>\n</nav>\n"));
    const std::time_t modified = options.modified ? options.modified : std::time(nullptr);
    entries.emplace_back(
        "OEBPS/content.opf",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"bookid\" xml:lang=\"ja\">\n"
        "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<dc:identifier id=\"bookid\">" + Identifier(title, options.projectPath) + "</dc:identifier>\n"
        "<dc:title>" + Escaped(title) + "</dc:title>\n<dc:language>ja</dc:language>\n"
        "<meta property=\"dcterms:modified\">" + FormatUtc(modified, "%Y-%m-%dT%H:%M:%SZ") + "</meta>\n</metadata>\n"
        "<manifest>\n<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
        "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n" + manifest +
        "</manifest>\n<spine page-progression-direction=\"rtl\">\n" + spine + "</spine>\n</package>\n");
    std::string zipped;
    if (!Zip(entries, &zipped))
        return {E_OUTOFMEMORY, "EPUB の書庫を作れませんでした。"};
    *bytes = std::move(zipped);
    return {};
}

}  // namespace penwick
