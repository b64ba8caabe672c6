// SPDX-License-Identifier: GPL-3.0-or-later
// Project loader: whatever the bytes, loading either fails cleanly or gives a document
// that saves and loads back to the same document, and what it saves an independent
// parser (libxml2) reads.
#include "DomDocument.h"
#include "WellFormed.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    penwick::DomDocument doc;
    if (!doc.loadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml"))
        return 0;
    std::string first;
    if (!doc.serialize(first))
        return 0;   // e.g. a character the declared encoding cannot hold inside a comment
    if (const std::string problem = penwick::test::XmlProblem(first); !problem.empty()) {
        std::fprintf(stderr, "saved document is not well-formed for libxml2: %s\n", problem.c_str());
        std::abort();
    }
    penwick::DomDocument again;
    const penwick::Status reloaded = again.loadFromBytes(first, "saved.xml");
    if (!reloaded) {
        std::fprintf(stderr, "saved document does not load: %s\n", reloaded.message.c_str());
        std::abort();
    }
    std::string second;
    if (!again.serialize(second) || second != first) {
        std::fprintf(stderr, "save -> load -> save changed the document\n");
        std::abort();
    }
    return 0;
}
