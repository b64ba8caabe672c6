// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Notice flags of the find and replace dialogs. The values are the ones writers' muscle memory
// and older tooling expect from the standard dialogs, so they are kept as they are.
enum FindReplaceFlag : unsigned {
    FR_DOWN = 0x1,
    FR_WHOLEWORD = 0x2,
    FR_MATCHCASE = 0x4,
    FR_FINDNEXT = 0x8,
    FR_REPLACE = 0x10,
    FR_REPLACEALL = 0x20,
    FR_DIALOGTERM = 0x40,
};

// The options a search honours; the direction and the action bits do not change what matches.
inline constexpr unsigned kFindMatchOptions = FR_WHOLEWORD | FR_MATCHCASE;
