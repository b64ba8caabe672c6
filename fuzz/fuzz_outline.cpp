// SPDX-License-Identifier: GPL-3.0-or-later
// Outline commands: a project (the bytes up to the first NUL) and a script (the rest, three
// bytes a command) of inserts, removes, moves and attribute changes at whatever paths the
// bytes pick. Every applied command must leave a document that saves and loads back, and
// undoing them all, newest first, must give back the original bytes exactly.
#include "ProjectSession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace penwick;

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

std::vector<DomNode> Elements(const DomDocument& doc)
{
    std::vector<DomNode> out, todo{doc.documentElement()};
    while (!todo.empty() && out.size() < 4096) {
        const DomNode n = todo.back();
        todo.pop_back();
        out.push_back(n);
        for (DomNode c = n.firstChild(); c; c = c.nextSibling())
            if (c.nodeType() == DomNodeType::Element)
                todo.push_back(c);
    }
    return out;
}

int ChildCount(DomNode n)
{
    int count = 0;
    for (DomNode c = n.firstChild(); c; c = c.nextSibling())
        ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, 0, size);
    const size_t xmlSize = nul ? size_t(static_cast<const char*>(nul) - bytes) : size;
    auto doc = std::make_unique<DomDocument>();
    if (!doc->loadFromBytes(std::string_view(bytes, xmlSize), "fuzz.xml"))
        return 0;
    ProjectSession session;
    session.install(std::move(doc), {});
    std::string original;
    if (!session.document().serialize(original))
        return 0;

    std::vector<OutlineCommand> inverses;
    for (size_t at = xmlSize + 1; at + 3 <= size && inverses.size() < 64; at += 3) {
        const unsigned kind = data[at] % 5, a = data[at + 1], b = data[at + 2];
        const std::vector<DomNode> elements = Elements(session.document());
        const DomNode node = elements[a % elements.size()];
        const DomNode other = elements[b % elements.size()];
        OutlineCommand c;
        switch (kind) {
        case 0: {
            NodePath to = PathOf(other);
            to.push_back(int(b % (ChildCount(other) + 2)));   // one past the end now and then
            c = OutlineCommand::insert(to, DetachedSubtree::copyOf(node));
            break;
        }
        case 1:
            c = OutlineCommand::remove(PathOf(node));
            break;
        case 2: {
            NodePath to = PathOf(other);
            to.push_back(int(a % (ChildCount(other) + 1)));
            c = OutlineCommand::move(PathOf(node), to);
            break;
        }
        case 3:
            c = OutlineCommand::setAttributes(PathOf(node), {std::string(b % 5, char('a' + a % 26)), "\r\n<&>"});
            break;
        default: {   // a name XML may refuse now and then
            static const char* const names[] = {"chapter", "paragraph", "note", "", "1x", "a b"};
            c = OutlineCommand::rename(PathOf(node), names[b % 6]);
        }
        }
        OutlineCommand inverse;
        const std::string before = [&] {
            std::string s;
            session.document().serialize(s);
            return s;
        }();
        // Inserting copies of copies doubles the document: the point is the commands, not size.
        if (before.size() > 65536)
            break;
        if (FAILED(session.apply(c, &inverse))) {
            std::string after;
            session.document().serialize(after);
            if (after != before)
                Fail("a refused command changed the document");
            continue;
        }
        inverses.push_back(inverse);
        std::string saved;
        if (!session.document().serialize(saved))
            continue;   // e.g. a character the declared encoding cannot hold in a comment
        DomDocument again;
        if (!again.loadFromBytes(saved, "saved.xml"))
            Fail("a document changed by outline commands does not load back");
    }
    while (!inverses.empty()) {
        if (FAILED(session.apply(inverses.back())))
            Fail("an inverse was refused");
        inverses.pop_back();
    }
    std::string back;
    if (!session.document().serialize(back) || back != original)
        Fail("undoing every command did not give back the original bytes");
    return 0;
}
