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

// The same pass with one parser context kept from document to document
// (xmlCtxtResetPush), as a server that reads many small messages would:
// the baseline for a reader that keeps its context too.
class Sax2Reused {
public:
    Sax2Reused();
    Sax2Reused(Sax2Reused const&) = delete;
    Sax2Reused& operator=(Sax2Reused const&) = delete;
    ~Sax2Reused();
    Sax2Result pass(std::string_view xml);

private:
    void* m_context;
    Sax2Result m_result;
};

}  // namespace kxsoa_bench
