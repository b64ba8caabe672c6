// SPDX-License-Identifier: GPL-3.0-or-later
// A second opinion on what Penwick writes: libxml2, a parser independent of ours, must
// read every saved document. The bytes are first turned into UTF-8 by our own decoder
// (libxml2 does not know CP932's extensions), so the check is about characters and markup.
#pragma once

#include "XmlEncoding.h"

#include <libxml/parser.h>

#include <string>
#include <string_view>

namespace penwick::test {

// Empty when libxml2 reads the document, else its complaint.
inline std::string XmlProblem(std::string_view bytes)
{
    XmlDecodeResult decoded = DecodeXmlBytes(bytes);
    if (decoded.hr < 0)
        return "not decodable: " + decoded.error;
    std::string problem;
    xmlResetLastError();
    xmlDocPtr doc = xmlReadMemory(decoded.utf8.data(), int(decoded.utf8.size()), "saved.xml", "UTF-8",
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        problem = e && e->message ? e->message : "libxml2 refused the document";
        if (e)
            problem += " (line " + std::to_string(e->line) + ")";
    }
    xmlFreeDoc(doc);
    return problem;
}

}  // namespace penwick::test
