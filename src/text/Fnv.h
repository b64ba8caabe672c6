// SPDX-License-Identifier: GPL-3.0-or-later
// 64-bit FNV-1a: short, stable names derived from text (a project's backup folder, an
// e-book's identifier). Not for security.
#pragma once

#include <cstdint>
#include <string_view>

namespace penwick {

inline constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ull;

// Continues from `h` (the offset basis for a fresh hash) over the bytes of text.
inline std::uint64_t Fnv1a64(std::string_view text, std::uint64_t h = kFnvOffsetBasis)
{
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace penwick
