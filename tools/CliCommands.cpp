#include "CliCommands.h"

#include "DomDocument.h"
#include "ProjectFormat.h"

#include <iostream>
#include <string_view>

namespace penwick::cli {

int Usage()
{
    std::cerr << "usage: penwick-cli info PROJECT.xml\n"
                 "  info   the project title, then the outline: one node a line, indented two\n"
                 "         spaces per level, with title, export flag and the number of\n"
                 "         characters (code points) of the node's own text, tab-separated\n";
    return 2;
}

namespace {

// Loads a project or explains on stderr why it cannot.
bool LoadProject(const std::string& path, DomDocument& doc)
{
    const Status s = doc.load(path);
    if (!s) {
        std::cerr << "penwick-cli: " << s.message << '\n';
        return false;
    }
    return true;
}

}  // namespace

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
