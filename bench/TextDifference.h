#pragma once

// Where a baseline's text first differs from the library's, for the checks
// that a baseline writes the library's bytes.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace kxsoa_bench {

// The first byte at which `a` and `b` differ (the shorter's size when one
// begins the other).
inline std::size_t firstDifference(std::string const& a, std::string const& b) {
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

// Empty when `other` is the library's text; else the byte where it first
// differs, with the text around it on each side, `other` named `label`.
inline std::string difference(std::string const& library, std::string const& other, std::string_view label) {
    if (library == other) return {};
    std::size_t const at = firstDifference(library, other);
    auto const around = [at](std::string const& s) { return s.substr(at < 40 ? 0 : at - 40, 100); };
    return "differs at byte " + std::to_string(at) + ":\n    library: " + around(library) + "\n    " +
           std::string(label) + ": " + around(other);
}

}  // namespace kxsoa_bench
