// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"

#include "EpubExport.h"
#include "ManuscriptPdf.h"

#include "DomDocument.h"
#include "FileIO.h"
#include "GridPresets.h"
#include "TextLines.h"
#include "ProjectFormat.h"
#include "ProjectSafety.h"
#include "TextAssembly.h"
#include "TextExport.h"
#include "XmlEncoding.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <string_view>

namespace penwick::cli {

int Usage()
{
    std::cerr << "usage: penwick-cli info PROJECT.xml\n"
                 "       penwick-cli export PROJECT.xml OUT.txt [--encoding utf-8|cp932]\n"
                 "       penwick-cli export PROJECT.xml OUT.epub [--format epub]\n"
                 "       penwick-cli export PROJECT.xml OUT.pdf [--format pdf] [--preset NAME] [--grid VxH] [--kinsoku CHARS] [--mode 0|1] [--ruling red|grey]\n"
                 "       penwick-cli count PROJECT.xml [--preset NAME] [--grid VxH] [--kinsoku CHARS] [--mode 0|1] [--ruby include|exclude] [--json]\n"
                 "       penwick-cli count --text FILE [--preset NAME] [--grid VxH] [--kinsoku CHARS] [--mode 0|1] [--ruby include|exclude] [--json]\n"
                 "       penwick-cli backups PROJECT.xml\n"
                 "       penwick-cli grep PATTERN PROJECT.xml [--word] [--case]\n"
                 "       penwick-cli target PROJECT.xml [150枚|60000字] [--node TITLE/PATH] [--deadline YYYY-MM-DD] [--clear]\n"
                 "       penwick-cli stats PROJECT.xml [--preset NAME] [--grid VxH] [--json]\n"
                 "       penwick-cli proofread PROJECT.xml [--json] [--rule ID]...\n"
                 "       penwick-cli --version | --help\n"
                 "  info    the project title, then the outline: one node a line, indented two\n"
                 "          spaces per level, with title, export flag and the number of\n"
                 "          characters (code points) of the node's own text, tab-separated\n"
                 "  export  the texts flagged for export, as the application's export writes\n"
                 "          them (UTF-8 by default; cp932 for Windows readers); OUT.txt - writes\n"
                 "          to standard output; OUT.epub (or --format epub): a vertical EPUB 3\n"
                 "          book, one document per chapter, ruby notation as ruby; OUT.pdf (or\n"
                 "          --format pdf): manuscript paper, one sheet of the counter's grid a\n"
                 "          page, laid out as the counter counts\n"
                 "  count   the manuscript-paper counter's report: one line per chapter, then the\n"
                 "          total (defaults: grid 20x20, kinsoku 、。「」『』 and the ideographic\n"
                 "          space, mode 1); with --text, one line for a plain text file; --ruby\n"
                 "          exclude counts without the ruby notation and readings (|親《おや》);\n"
                 "          --preset NAME takes a grid of [grids] in penwick.conf (default: 20x20)\n"
                 "  backups the project's backups and crash-recovery snapshot: time, size, path\n"
                 "  grep    each line of a node's text holding PATTERN, in outline order:\n"
                 "          titles path, line number and line, tab-separated; --word: whole\n"
                 "          words only, --case: match case. Exit 0 found, 1 none, 2 error\n"
                 "  target  sets or shows the project's target (in sheets of the grid or in\n"
                 "          characters) and deadline, or with --node a node's (by its titles),\n"
                 "          kept beside it in PROJECT.xml.targets\n"
                 "  stats   the whole and each chapter in sheets and characters, the target's\n"
                 "          progress and the characters written on each of the last 30 days\n"
                 "  proofread  the conventions of Japanese fiction checked in every node, in\n"
                 "          outline order: titles path, line, column, rule and message,\n"
                 "          tab-separated; --rule ID (again for more) checks only those rules,\n"
                 "          otherwise those penwick.conf [proofread] leaves on. Exit 0 no\n"
                 "          finding, 1 findings, 2 error\n";
    return 2;
}

std::string SettingsText()
{
    std::string ini;
    ReadWholeFile(SettingsFilePath(), ini);
    return ini;
}

int Flushed(int status, int failed)
{
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "penwick-cli: 標準出力に書き出せませんでした。\n";
        return failed;
    }
    return status;
}

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Loads a project or explains on stderr why it cannot.
bool LoadProject(const std::string& path, DomDocument& doc)
{
    const Status s = doc.load(path);
    if (!s) {
        std::cerr << "penwick-cli: " << s.message << '\n';
        return false;
    }
    if (!doc.loadNotice().empty())
        std::cerr << "penwick-cli: " << doc.loadNotice() << '\n';
    return true;
}

namespace {

// An integer as the shell gives it: a leading '+' allowed.
bool ParseInt(std::string_view s, int* value)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    return ParseInteger(s, value);
}

// "VxH" with any 32-bit integers; nothing else is a grid.
bool ParseGrid(std::string_view s, int* vertical, int* horizontal)
{
    const std::size_t x = s.find_first_of("xX", 1);   // not the sign of V
    return x != std::string_view::npos && ParseInt(s.substr(0, x), vertical)
           && ParseInt(s.substr(x + 1), horizontal);
}

bool IsStandardOutput(const std::string& path) { return path == "-" || path == "/dev/stdout"; }

// Whether writing to out would replace in, the same file under any name or link (or
// standard output sent into it).
bool SameFile(const std::string& in, const std::string& out)
{
    struct stat a, b;
    if (::stat(in.c_str(), &a) != 0)
        return false;
    const int got = out == "-" ? ::fstat(STDOUT_FILENO, &b) : ::stat(out.c_str(), &b);
    return got == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

Taken TakeGridOption(const Args& args, std::size_t& i, CountSettings* settings)
{
    const std::string& a = args[i];
    if (a != "--grid" && a != "--kinsoku" && a != "--mode" && a != "--preset")
        return Taken::No;
    if (i + 1 >= args.size())
        return Taken::Bad;
    const std::string& value = args[++i];
    if (a == "--kinsoku") {
        settings->kinsoku = value;
        return Taken::Yes;
    }
    if (a == "--preset") {
        const std::vector<GridPreset> presets = ParseGridPresets(SettingsText());   // no file: the built-in grid
        if (const std::optional<CountSettings> preset = FindGridPreset(presets, value)) {
            *settings = *preset;
            return Taken::Yes;
        }
        std::string names;
        for (const GridPreset& p : presets)
            names += " " + p.name;
        std::cerr << "penwick-cli: 原稿用紙のプリセット「" << value << "」はありません（" << SettingsFilePath()
                  << " の [grids]）。あるもの:" << names << '\n';
        return Taken::Bad;
    }
    const bool ok = a == "--grid" ? ParseGrid(value, &settings->vertical, &settings->horizontal)
                                  : ParseInt(value, &settings->mode);
    return ok ? Taken::Yes : Taken::Bad;
}

FailureReport ReportTo(const std::string& path)
{
    return [path](HRESULT hr, std::string_view operation) {
        std::cerr << "penwick-cli: " << path << ": " << ResultCodeText(hr) << " (" << operation << ")\n";
    };
}

namespace {

// The format an output's name asks for: .epub, .pdf, else text.
std::string FormatOf(const std::string& path)
{
    for (const char* suffix : {"epub", "pdf"})
        if (path.size() > std::strlen(suffix) + 1 && path.ends_with(std::string(".") + suffix))
            return suffix;
    return "text";
}

}  // namespace

int Export(const Args& args)
{
    std::string encoding = "utf-8", format;
    ManuscriptOptions paper;
    bool paperOptions = false;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const Taken t = TakeGridOption(args, i, &paper); t != Taken::No) {
            if (t == Taken::Bad)
                return Usage();
            paperOptions = true;
        } else if (args[i] == "--ruling" && i + 1 < args.size() && (args[i + 1] == "red" || args[i + 1] == "grey")) {
            paper.ruling = args[++i] == "red" ? Ruling::Red : Ruling::Grey;
            paperOptions = true;
        } else if (args[i] == "--encoding" && i + 1 < args.size()) {
            encoding = args[++i];
        } else if (args[i] == "--format" && i + 1 < args.size()) {
            format = args[++i];
        } else if (args[i].starts_with("--")) {
            return Usage();
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2 || (encoding != "utf-8" && encoding != "cp932"))
        return Usage();
    // The format follows the output's suffix unless named.
    if (format.empty())
        format = FormatOf(files[1]);
    if ((format != "text" && format != "epub" && format != "pdf") || (paperOptions && format != "pdf"))
        return Usage();
    if (SameFile(files[0], files[1])) {
        std::cerr << "penwick-cli: 書き出し先「" << files[1] << "」はプロジェクトファイルそのものです。"
                     "プロジェクトを上書きしないよう、書き出しをやめました。\n";
        return 1;
    }
    DomDocument doc;
    if (!LoadProject(files[0], doc))
        return 1;
    std::string text;
    const Status assembled =
        format == "epub"  ? AssembleEpub(doc, {std::filesystem::absolute(files[0]).string(), 0}, ReportTo(files[0]), &text)
        : format == "pdf" ? AssembleManuscriptPdf(doc, paper, ReportTo(files[0]), &text)
                          : AssembleTextExport(doc, encoding == "cp932" ? ExportEncoding::Cp932 : ExportEncoding::Utf8,
                                               ReportTo(files[0]), &text);
    if (!assembled) {
        if (!assembled.message.empty())
            std::cerr << "penwick-cli: " << assembled.message << '\n';
        return 1;
    }
    if (IsStandardOutput(files[1])) {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        return Flushed(0, 1);
    }
    const FileResult written = WriteFileAtomically(files[1], text);
    if (!written) {
        std::cerr << "penwick-cli: " << written.message << '\n';
        return 1;
    }
    return 0;
}

int Backups(const Args& args)
{
    if (args.size() != 1)
        return Usage();
    const BackupStore store;
    const std::vector<BackupEntry> entries = store.list(args[0]);
    std::cout << "# " << store.folderFor(args[0]) << '\n';
    for (const BackupEntry& e : entries) {
        std::tm tm{};
        localtime_r(&e.modified, &tm);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
        std::cout << when << '\t' << e.size << '\t' << (e.recovery ? "recovery" : "backup") << '\t'
                  << e.path << '\n';
    }
    if (entries.empty())
        std::cout << "(no backups)\n";
    return 0;
}

int Info(const Args& args)
{
    if (args.size() != 1)
        return Usage();
    DomDocument doc;
    if (!LoadProject(args[0], doc))
        return 1;
    std::string title;
    if (FAILED(format::ReadProjectTitle(doc, &title))) {
        std::cerr << "penwick-cli: 「" << args[0]
                  << "」はプロジェクトファイルではありません（文書要素に属性がありません）。\n";
        return 1;
    }
    std::string out = title + '\n';
    // Pre-order walk; the level counts outline ancestors, so a node below a non-outline
    // element sits where the outline pane shows it.
    const DomNode root = doc.documentElement();
    int level = 0;
    std::vector<bool> isOutline;   // one entry per open ancestor below root
    for (DomNode cur = root.firstChild(); cur;) {
        const bool outline = format::IsOutlineNode(cur);
        if (outline) {
            std::string flag;
            format::ReadExportFlag(cur, &flag);
            out.append(static_cast<std::size_t>(level) * 2, ' ');
            out += format::NodeTitle(cur);
            out += '\t';
            out += flag;
            out += '\t';
            out += std::to_string(format::CountCodePoints(format::NodeOwnText(cur)));
            out += '\n';
        }
        if (DomNode child = cur.firstChild(); child && cur.nodeType() == DomNodeType::Element) {
            isOutline.push_back(outline);
            level += outline;
            cur = child;
            continue;
        }
        while (cur != root && !cur.nextSibling()) {
            cur = cur.parentNode();
            if (cur == root)
                break;
            level -= isOutline.back();
            isOutline.pop_back();
        }
        if (cur == root)
            break;
        cur = cur.nextSibling();
    }
    std::cout << out;
    return std::cout.good() ? 0 : 1;
}

}  // namespace penwick::cli
