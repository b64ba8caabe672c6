// SPDX-License-Identifier: GPL-3.0-or-later
// The manuscript-paper counter's figures and report texts, shared by the counter dialog
// and `penwick-cli count`. Every count goes through the counting library's Count /
// ReturnCount pair, with a private copy of each text.
#pragma once

#include "counter.h"

#include <string>
#include <vector>

namespace penwick {

struct CountSettings {
    int vertical = 20;     // 縦: cells per line
    int horizontal = 20;   // 横: lines per sheet
    int mode = 1;
    std::string kinsoku = PENWICK_DEFAULT_KINSOKU;
};

struct ProjectCounts {
    std::vector<CountResult> chapters;
    CountResult total{};   // the chapters joined into one text, not a sum
};

CountResult CountOneText(const std::string& text, const CountSettings& settings);
ProjectCounts CountChapters(const std::vector<std::string>& chapters, const CountSettings& settings);

// "Chapter[%d] \t %d枚と%d行 %d文字" per chapter, an empty line, "総計 \t \t %d枚と%d行 %d文字";
// every line ends with lineEnd (the dialog's report box uses CR LF).
std::string FormatReport(const ProjectCounts& counts, const char* lineEnd = "\r\n");
// The real-time lines shown above the report after Enter in the editor.
std::string FormatRealtime(const CountResult& r);
// "%d枚と%d行 %d文字"
std::string FormatCount(const CountResult& r);

}  // namespace penwick
