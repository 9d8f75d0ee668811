#pragma once

// The reading baseline: libxml2's SAX2 pass over text held in memory, with
// handlers for elements and characters that do the least a reader could
// (count elements and attributes, sum character data). No tree, no copies:
// what reading costs at the least with this parser. The text goes to the
// push parser in pieces: libxml2 2.9's memory parser would copy it whole.

#include <cstddef>
#include <string_view>

namespace kxsoa_bench {

struct Sax2Result {
    bool wellFormed = false;
    std::size_t elements = 0;
    std::size_t attributes = 0;
    std::size_t characters = 0;  // bytes of character data reported
};

Sax2Result sax2Pass(std::string_view xml);

}  // namespace kxsoa_bench
