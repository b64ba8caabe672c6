// SPDX-License-Identifier: GPL-3.0-or-later
// The project as one plain-text file: what File > Export writes and `penwick-cli export`
// prints. One path for both, so the two can never differ.
#pragma once

#include "DomDocument.h"
#include "TextAssembly.h"

#include <string>

namespace penwick {

enum class ExportEncoding { Utf8, Cp932 };

// The parts of all chapters, joined, in the encoding. Fails when a chapter could not be
// read (reported through report, message empty) or when a character has no CP932 form
// (message names it); bytes is untouched then, so nothing half-made is ever written.
Status AssembleTextExport(const DomDocument& doc, ExportEncoding encoding, const FailureReport& report,
                          std::string* bytes);

}  // namespace penwick
