// SPDX-License-Identifier: GPL-3.0-or-later
// A moment written in UTC with a strftime format: the stamps in backup names, an e-book's
// modification date, a PDF's dates.
#pragma once

#include <ctime>
#include <string>

namespace penwick {

inline std::string FormatUtc(std::time_t t, const char* format)
{
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    return std::string(buf, std::strftime(buf, sizeof buf, format, &tm));
}

}  // namespace penwick
