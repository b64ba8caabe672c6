// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project as a vertical EPUB 3 e-book: one XHTML document per chapter (its title as
// heading, deeper nodes as sections with headings, the texts of the nodes flagged for
// export as paragraphs, empty lines kept), written right to left in vertical-rl, with the
// novel sites' ruby and emphasis notation as <ruby> and sesame dots and two-digit numbers
// upright in one cell (as the editor sets them). The identifier stays the same across
// exports of one project (from its title and path). The container's mimetype comes first
// and uncompressed.

#include "DomDocument.h"
#include "TextAssembly.h"

#include <ctime>
#include <string>

namespace penwick {

struct EpubOptions {
    std::string projectPath;    // for the identifier
    std::time_t modified = 0;   // dcterms:modified; 0: now
};

// The EPUB file's bytes; fails (bytes untouched) when the document has no document element
// or the container cannot be made.
Status AssembleEpub(const DomDocument& doc, const EpubOptions& options, const FailureReport& report,
                    std::string* bytes);

}  // namespace penwick
